#include "holidays/holiday_csv.h"

#include <windows.h>

#include <objbase.h>
#include <share.h>
#include <urlmon.h>

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Bytes per read, terminator included: a longer physical line arrives in
// pieces, and each piece is parsed as a line of its own.
constexpr int kLineBuffer = 1024;
constexpr UINT kShiftJis = 932;

bool IsScanSpace(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// One "%d" at text[at]. A number beyond the int range is refused rather than
// clamped: scanf leaves it undefined, and a clamped year would look valid.
bool ScanInt(const std::wstring &text, size_t &at, int &value) {
  while (at < text.size() && IsScanSpace(text[at]))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
    negative = text[at++] == L'-';
  size_t first = at;
  long long magnitude = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - L'0');
    if (magnitude > 1LL + INT_MAX)
      return false;
  }
  if (at == first)
    return false;
  long long number = negative ? -magnitude : magnitude;
  if (number > INT_MAX || number < INT_MIN)
    return false;
  value = static_cast<int>(number);
  return true;
}

bool ScanEitherDate(const std::wstring &text, int (&parts)[3]) {
  return ScanHolidayDate(text, L'-', parts[0], parts[1], parts[2]) ||
         ScanHolidayDate(text, L'/', parts[0], parts[1], parts[2]);
}

// printf's "%0*d": sign first, then zeros up to width. Built in a string, so
// even three ten-digit negative numbers fit.
std::wstring ZeroPadded(int value, size_t width) {
  long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
  std::wstring digits = std::to_wstring(magnitude);
  size_t length = digits.size() + (value < 0 ? 1 : 0);
  std::wstring text = value < 0 ? L"-" : L"";
  if (length < width)
    text.append(width - length, L'0');
  return text + digits;
}

std::wstring FormatDate(const int (&parts)[3]) {
  return ZeroPadded(parts[0], 4) + L"-" + ZeroPadded(parts[1], 2) + L"-" + ZeroPadded(parts[2], 2);
}

std::wstring DecodeShiftJis(const std::string &bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX)
    return std::wstring();
  int length = static_cast<int>(bytes.size());
  int count = MultiByteToWideChar(kShiftJis, 0, bytes.data(), length, nullptr, 0);
  if (count <= 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(kShiftJis, 0, bytes.data(), length, &text[0], count);
  return text;
}

// The transfer alone, into an existing file; the place for a progress
// callback when one is wanted.
bool DownloadToFile(const std::wstring &url, const wchar_t *path) {
  // URL monikers are COM objects; balance the initialisation only when this
  // call made it (S_OK or S_FALSE), never one the thread already had in another mode.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT result = URLDownloadToFileW(nullptr, url.c_str(), path, 0, nullptr);
  if (SUCCEEDED(com))
    CoUninitialize();
  return SUCCEEDED(result);
}

} // namespace

void TrimCsvField(std::wstring &field) {
  static const wchar_t kTrimmed[] = L" \t\"";
  size_t first = field.find_first_not_of(kTrimmed);
  if (first == std::wstring::npos) {
    field.clear();
    return;
  }
  size_t last = field.find_last_not_of(kTrimmed);
  field = field.substr(first, last - first + 1);
}

bool ScanHolidayDate(const std::wstring &text, wchar_t separator, int &year, int &month, int &day) {
  int parts[3] = {};
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (at >= text.size() || text[at] != separator)
        return false;
      ++at;
    }
    if (!ScanInt(text, at, parts[i]))
      return false;
  }
  year = parts[0];
  month = parts[1];
  day = parts[2];
  return true;
}

bool ParseHolidayCsvLine(const std::string &line, HolidayRow &row) {
  std::wstring text = DecodeShiftJis(line);
  size_t comma = text.find(L',');
  if (comma == std::wstring::npos)
    return false;
  std::wstring first = text.substr(0, comma);
  std::wstring second = text.substr(comma + 1);
  TrimCsvField(first);
  TrimCsvField(second);

  int parts[3] = {};
  if (ScanEitherDate(first, parts)) {
    row.name = second;
  } else if (ScanEitherDate(second, parts)) {
    row.name = first;
  } else {
    return false;
  }
  row.date = FormatDate(parts);
  return true;
}

bool ParseHolidayCsv(const std::wstring &path, HolidayRows &rows) {
  FILE *file = _wfsopen(path.c_str(), L"rb", _SH_DENYNO);
  if (!file)
    return false;
  char buffer[kLineBuffer];
  // The header line says nothing we use.
  bool ok = fgets(buffer, kLineBuffer, file) != nullptr;
  while (ok && fgets(buffer, kLineBuffer, file)) {
    size_t length = strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n'))
      --length;
    if (length == 0)
      continue;
    HolidayRow row;
    if (ParseHolidayCsvLine(std::string(buffer, length), row))
      rows.push_back(std::move(row));
  }
  // A read that failed part-way is no complete list.
  ok = ok && !ferror(file);
  fclose(file);
  return ok;
}

bool DownloadHolidayCsv(const std::wstring &url, HolidayRows &rows) {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH)
    return false;
  wchar_t path[MAX_PATH] = {};
  if (!GetTempFileNameW(folder, L"hol", 0, path))
    return false;
  bool ok = DownloadToFile(url, path) && ParseHolidayCsv(path, rows);
  DeleteFileW(path);
  return ok;
}
