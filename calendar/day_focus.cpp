#include "calendar/day_focus.h"

#include <algorithm>

#include "config/numbers.h"

namespace {

// Days since 0000-03-01 of the proleptic Gregorian calendar, and back; for
// years 0 and later, which is all the calendar shows.
long long DayNumber(const CalendarDate &date) {
  const long long year = date.year - (date.month <= 2 ? 1 : 0);
  const long long era = year / 400, ofEra = year - era * 400;
  const long long ofYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  return era * 146097 + ofEra * 365 + ofEra / 4 - ofEra / 100 + ofYear;
}

CalendarDate DateOfDayNumber(long long number) {
  const long long era = number / 146097, ofEra = number - era * 146097;
  const long long yearOfEra = (ofEra - ofEra / 1460 + ofEra / 36524 - ofEra / 146096) / 365;
  const long long ofYear = ofEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long shifted = (5 * ofYear + 2) / 153;
  const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)), month,
          static_cast<int>(ofYear - (153 * shifted + 2) / 5 + 1)};
}

CalendarDate AddDays(const CalendarDate &date, int days) {
  const long long first = DayNumber({kFirstYear, 1, 1}), last = DayNumber({kLastYear, 12, 31});
  return DateOfDayNumber(std::clamp(DayNumber(date) + days, first, last));
}

CalendarDate AddMonthsKeepingDay(const CalendarDate &date, int months) {
  const DisplayedMonth month = AddMonths({date.year, date.month}, months);
  return {month.year, month.month, std::min(date.day, DaysInMonth(month.year, month.month))};
}

} // namespace

CalendarDate MoveFocus(CalendarDate focus, FocusMove move) {
  switch (move) {
  case FocusMove::PreviousDay:
    return AddDays(focus, -1);
  case FocusMove::NextDay:
    return AddDays(focus, 1);
  case FocusMove::PreviousWeek:
    return AddDays(focus, -7);
  case FocusMove::NextWeek:
    return AddDays(focus, 7);
  case FocusMove::PreviousMonth:
    return AddMonthsKeepingDay(focus, -1);
  case FocusMove::NextMonth:
    return AddMonthsKeepingDay(focus, 1);
  case FocusMove::PreviousYear:
    return AddMonthsKeepingDay(focus, -12);
  case FocusMove::NextYear:
    return AddMonthsKeepingDay(focus, 12);
  case FocusMove::LastDay:
    focus.day = DaysInMonth(focus.year, focus.month);
    break;
  }
  return focus;
}

std::wstring MonthName(int year, int month) {
  std::wstring name = DecimalText(year) + L"年";
  AppendDecimal(name, month);
  return name + L"月";
}

std::wstring DayName(const CalendarDate &date, bool today, const std::wstring *holiday,
                     size_t appointments) {
  static const wchar_t *const kWeekdays[7] = {L"日曜日", L"月曜日", L"火曜日", L"水曜日",
                                              L"木曜日", L"金曜日", L"土曜日"};
  std::wstring name = MonthName(date.year, date.month);
  AppendDecimal(name, date.day);
  name += L"日 ";
  name += kWeekdays[DayOfWeek(date.year, date.month, date.day)];
  if (today)
    name += L" 今日";
  if (holiday)
    name += holiday->empty() ? L" 祝日" : L" 祝日 " + *holiday;
  if (appointments > 0) {
    name += L" 予定 ";
    AppendDecimal(name, static_cast<long long>(appointments));
    name += L"件";
  }
  return name;
}
