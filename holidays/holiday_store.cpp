#include "holidays/holiday_store.h"

#include "app/app_state.h"
#include "config/ini_file.h"
#include "config/numbers.h"

void ReadHolidayEntry(HolidayMap &map, std::wstring_view key, std::wstring_view value) {
  // "%d-%d-%d"; a number beyond the int range saturates.
  int parts[3] = {};
  if (ScanIntTriple(key, L'-', parts))
    map.insert_or_assign(MakeDateKey(parts[0], parts[1], parts[2]), std::wstring(value));
}

void ParseHolidays(const IniText &text, HolidayMap &map) {
  map.clear();
  ForEachIniEntry(text,
                  [&](std::wstring_view section, std::wstring_view key, std::wstring_view value) {
                    if (section == kHolidaySection)
                      ReadHolidayEntry(map, key, value);
                  });
}

const std::wstring *FindHolidayIn(const HolidayMap &map, int year, int month, int day) {
  auto found = map.find(MakeDateKey(year, month, day));
  return found == map.end() ? nullptr : &found->second;
}

std::wstring BuildHolidayBody(const HolidayMap &map) {
  std::wstring body;
  for (const auto &holiday : map) {
    const DateKey key = holiday.first;
    AppendDecimal(body, static_cast<long long>(key >> 16), 4);
    body += L'-';
    AppendDecimal(body, (key >> 8) & 0xFF, 2);
    body += L'-';
    AppendDecimal(body, key & 0xFF, 2);
    body += L'=';
    body += holiday.second;
    body += L"\r\n";
  }
  return body;
}

const std::wstring *FindHoliday(int year, int month, int day) {
  return FindHolidayIn(g_app.holidays, year, month, day);
}
