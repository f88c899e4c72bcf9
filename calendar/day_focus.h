// The focused day, the one keys move and open, and what a screen reader
// hears of a month and its days.
#pragma once
#include <string>

#include "calendar/month_grid.h"

enum class FocusMove {
  PreviousDay,
  NextDay,
  PreviousWeek,
  NextWeek,
  PreviousMonth,
  NextMonth,
  PreviousYear,
  NextYear,
  LastDay, // of the focused day's month
};

// Where a key takes the focused day. Days and weeks cross into the
// neighbouring months; months and years keep the day number, or take the
// month's last day where that number does not exist. Years 1 to 9999: a
// move past either end stops there.
CalendarDate MoveFocus(CalendarDate focus, FocusMove move);

// "2026年12月".
std::wstring MonthName(int year, int month);
// "2026年12月8日 火曜日", then what the cell shows: 今日, 祝日 and the
// holiday's name, 予定 and the count ("予定 2件").
std::wstring DayName(const CalendarDate &date, bool today, const std::wstring *holiday,
                     size_t appointments);
