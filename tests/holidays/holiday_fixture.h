// The holiday fixtures beside this header, and CSV bytes made in tests.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "holidays/holiday_csv.h"
#include "tests/support/test_support.h"

// A file of tests/holidays/fixtures.
inline std::wstring HolidayFixturePath(const std::wstring &name) {
  return SourcePath(L"tests/holidays/fixtures/" + name);
}

// The plain list the CSV fixture is made from, as the parser's rows.
inline HolidayRows FixtureHolidays() {
  std::wstring text = Wide(ReadFileBytes(HolidayFixturePath(L"holidays-1955-2027.txt")));
  HolidayRows rows;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find(L'\n', begin);
    if (end == std::wstring::npos)
      end = text.size();
    std::wstring line = text.substr(begin, end - begin);
    begin = end + 1;
    size_t space = line.find(L' ');
    if (line.empty() || line[0] == L'#' || space == std::wstring::npos)
      continue;
    rows.push_back({line.substr(0, space), line.substr(space + 1)});
  }
  return rows;
}

inline std::string ShiftJis(const std::wstring &text) {
  if (text.empty())
    return std::string();
  int length = static_cast<int>(text.size());
  int count = WideCharToMultiByte(932, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(932, 0, text.data(), length, &bytes[0], count, nullptr, nullptr);
  return bytes;
}

// A CSV in the published form: Shift_JIS, CR LF, the header line first.
inline std::string HolidayCsv(const std::vector<std::wstring> &rows) {
  std::string bytes = ShiftJis(L"国民の祝日・休日月日,国民の祝日・休日名称") + "\r\n";
  for (const std::wstring &row : rows)
    bytes += ShiftJis(row) + "\r\n";
  return bytes;
}

// Files the download leaves in the temporary folder (prefix "hol").
inline std::vector<std::wstring> HolTemporaries() {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  std::vector<std::wstring> found;
  for (const std::wstring &name : ListFiles(folder))
    if (name.compare(0, 3, L"hol") == 0)
      found.push_back(name);
  return found;
}
