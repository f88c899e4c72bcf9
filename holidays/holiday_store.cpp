#include "holidays/holiday_store.h"

#include "app/app_state.h"
#include "config/ini_file.h"
#include "config/numbers.h"

namespace {

const wchar_t kSectionName[] = L"Holidays";

} // namespace

void ParseHolidays(const IniText &text, HolidayMap &map) {
  map.clear();
  ForEachIniEntry(text, kSectionName,
                  [&](const std::wstring &, const std::wstring &key, const std::wstring &value) {
                    // "%d-%d-%d"; a number beyond the int range saturates.
                    int parts[3] = {};
                    if (!ScanIntTriple(key, L'-', parts))
                      return;
                    map.insert_or_assign(MakeDateKey(parts[0], parts[1], parts[2]), value);
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

void LoadHolidays() {
  ParseHolidays(ReadIniText(), g_app.holidays);
}

const std::wstring *FindHoliday(int year, int month, int day) {
  return FindHolidayIn(g_app.holidays, year, month, day);
}
