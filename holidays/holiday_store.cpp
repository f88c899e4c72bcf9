// Placeholder until the holiday store lands.
#include "holidays/holiday_store.h"
void ParseHolidays(const IniText &, HolidayMap &map) {
  map.clear();
}
const std::wstring *FindHolidayIn(const HolidayMap &, int, int, int) {
  return nullptr;
}
void LoadHolidays() {}
const std::wstring *FindHoliday(int, int, int) {
  return nullptr;
}
