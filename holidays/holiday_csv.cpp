#include "holidays/holiday_csv.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "app/handle_owner.h"
#include "config/numbers.h"

namespace {

// Bytes per read, terminator included: a longer physical line arrives in
// pieces, and each piece is parsed as a line of its own.
constexpr int kLineBuffer = 1024;
constexpr UINT kShiftJis = 932;

// A date in either form the list has used. A number beyond the int range
// makes no date: a clamped year would look valid.
bool ScanEitherDate(std::wstring_view text, int (&parts)[3]) {
  bool fits = false;
  return (ScanIntTriple(text, L'-', parts, &fits) || ScanIntTriple(text, L'/', parts, &fits)) &&
         fits;
}

bool IsTrimmed(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'"';
}

// Plain loops rather than the library's searches, which call into the C
// runtime for every character they test.
std::wstring_view Trimmed(std::wstring_view field) {
  size_t first = 0, last = field.size();
  while (first < last && IsTrimmed(field[first]))
    ++first;
  while (last > first && IsTrimmed(field[last - 1]))
    --last;
  return field.substr(first, last - first);
}

std::wstring FormatDate(const int (&parts)[3]) {
  std::wstring date;
  date.reserve(10);
  AppendDecimal(date, parts[0], 4);
  date += L'-';
  AppendDecimal(date, parts[1], 2);
  date += L'-';
  AppendDecimal(date, parts[2], 2);
  return date;
}

} // namespace

void TrimCsvField(std::wstring &field) {
  std::wstring_view kept = Trimmed(field);
  size_t first = static_cast<size_t>(kept.data() - field.data());
  field.erase(first + kept.size()).erase(0, first);
}

// One line's bytes, any length, to a row. A line of the file fits the
// buffer and is converted once; only a longer one given by a caller needs
// the heap.
static bool ParseLine(const char *bytes, size_t size, HolidayRow &row) {
  if (size == 0 || size > INT_MAX)
    return false;
  wchar_t buffer[kLineBuffer];
  std::wstring longer;
  std::wstring_view text;
  if (size < kLineBuffer) {
    int count =
        MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), buffer, kLineBuffer);
    text = std::wstring_view(buffer, count > 0 ? static_cast<size_t>(count) : 0);
  } else {
    int count = MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (count > 0) {
      longer.resize(static_cast<size_t>(count));
      MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), &longer[0], count);
    }
    text = longer;
  }
  size_t comma = static_cast<size_t>(std::find(text.begin(), text.end(), L',') - text.begin());
  if (comma == text.size())
    return false;
  std::wstring_view first = Trimmed(text.substr(0, comma));
  std::wstring_view second = Trimmed(text.substr(comma + 1));

  int parts[3] = {};
  if (ScanEitherDate(first, parts)) {
    row.name.assign(second);
  } else if (ScanEitherDate(second, parts)) {
    row.name.assign(first);
  } else {
    return false;
  }
  row.date = FormatDate(parts);
  return true;
}

bool ParseHolidayCsvLine(const std::string &line, HolidayRow &row) {
  return ParseLine(line.data(), line.size(), row);
}

namespace {

// The whole file, when it can be read and is no larger than any holiday
// list; a read that fails part-way is no complete list.
bool ReadCsvBytes(const std::wstring &path, std::string &bytes) {
  FileOwner file(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !GetFileSizeEx(file.Get(), &size) ||
      static_cast<unsigned long long>(size.QuadPart) > kMostHolidayCsvBytes)
    return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  DWORD got = 1;
  while (got > 0 && done < bytes.size()) {
    if (!ReadFile(file.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      return false;
    done += got;
  }
  bytes.resize(done);
  return !bytes.empty();
}

// The next line as a reader with a buffer of kLineBuffer bytes sees it: at
// most kLineBuffer - 1 bytes, up to and including a LF, and text after a zero
// byte is lost. Moves at past it; the line comes without its line end.
std::string_view NextCsvLine(const char *&at, const char *end) {
  const char *line = at, *stop = at + std::min<size_t>(end - at, kLineBuffer - 1);
  const char *zero = nullptr;
  // One pass finds the line end and the first zero byte.
  while (at < stop && *at != '\n') {
    if (*at == '\0' && !zero)
      zero = at;
    ++at;
  }
  if (at < stop)
    ++at; // the LF belongs to the line
  size_t length = static_cast<size_t>((zero ? zero : at) - line);
  while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n'))
    --length;
  return std::string_view(line, length);
}

} // namespace

bool ParseHolidayCsv(const std::wstring &path, HolidayRows &rows) {
  std::string bytes;
  if (!ReadCsvBytes(path, bytes))
    return false;
  const char *at = bytes.data(), *end = at + bytes.size();
  const size_t first = rows.size();
  // Room for every line at once: a thousand rows grown one by one move the
  // earlier ones a dozen times.
  rows.reserve(first + std::min<size_t>(std::count(at, end, '\n') + 1, kMostHolidayRows));
  NextCsvLine(at, end); // the header says nothing we use
  while (at < end) {
    std::string_view line = NextCsvLine(at, end);
    HolidayRow row;
    if (line.empty() || !ParseLine(line.data(), line.size(), row))
      continue;
    if (rows.size() - first == kMostHolidayRows) {
      rows.resize(first);
      return false;
    }
    rows.push_back(std::move(row));
  }
  return true;
}
