#include "holidays/holiday_store.h"

#include <climits>

#include "app/app_state.h"
#include "config/ini_file.h"

namespace {

const wchar_t kSectionName[] = L"Holidays";

// One "%d" of a formatted scan: white space, an optional sign, at least one
// digit. Numbers beyond the int range saturate instead of overflowing.
bool ScanInt(const std::wstring &text, size_t &at, int &number) {
  while (at < text.size() && (text[at] == L' ' || (text[at] >= L'\t' && text[at] <= L'\r')))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
    negative = text[at++] == L'-';
  size_t digits = at;
  long long magnitude = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - L'0');
    if (magnitude > 1LL + INT_MAX)
      magnitude = 1LL + INT_MAX;
  }
  if (at == digits)
    return false;
  long long value = negative ? -magnitude : magnitude;
  number = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
  return true;
}

// "%d-%d-%d"; whatever follows the third number is ignored.
bool ScanHolidayDate(const std::wstring &text, int &year, int &month, int &day) {
  size_t at = 0;
  if (!ScanInt(text, at, year) || at >= text.size() || text[at++] != L'-')
    return false;
  if (!ScanInt(text, at, month) || at >= text.size() || text[at++] != L'-')
    return false;
  return ScanInt(text, at, day);
}

} // namespace

void ParseHolidays(const IniText &text, HolidayMap &map) {
  map.clear();
  ForEachIniEntry(text, kSectionName,
                  [&](const std::wstring &, const std::wstring &key, const std::wstring &value) {
                    int year = 0, month = 0, day = 0;
                    if (!ScanHolidayDate(key, year, month, day))
                      return;
                    map.insert_or_assign(MakeDateKey(year, month, day), value);
                  });
}

const std::wstring *FindHolidayIn(const HolidayMap &map, int year, int month, int day) {
  auto found = map.find(MakeDateKey(year, month, day));
  return found == map.end() ? nullptr : &found->second;
}

void LoadHolidays() {
  ParseHolidays(ReadIniText(), g_app.holidays);
}

const std::wstring *FindHoliday(int year, int month, int day) {
  return FindHolidayIn(g_app.holidays, year, month, day);
}
