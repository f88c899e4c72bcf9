// Calendar arithmetic and the geometry of the calendar window: the month
// shown, the 42 day cells, the bands and title buttons, and hit tests.
// Painting and the mouse handlers share this one computation.
#pragma once
#include <windows.h>

#include <cstdint>

struct AppSettings;

struct DisplayedMonth {
  int year;
  int month; // 1..12
};

// year << 16 | month << 8 | day; orders like the dates.
using DateKey = std::uint32_t;
inline DateKey MakeDateKey(int year, int month, int day) {
  return (static_cast<DateKey>(year) << 16) | (static_cast<DateKey>(month) << 8) |
         static_cast<DateKey>(day);
}

// Years the calendar can show; the wheel stops at either end.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

struct GridCell {
  RECT rect;
  int year;
  int month;
  int day;
  int column; // 0..6
  int row;    // 0..5
  bool inMonth;
};

struct MonthGrid {
  int year, month;
  int daysInMonth;
  int firstColumn;
  int prevYear, prevMonth, prevDays;
  int nextYear, nextMonth;
  int margin;
  int left, top, right, bottom; // the client area less the margin
  int rowUnit;                  // height of one of the eight bands
  RECT titleRect;
  int weekdayTop, weekdayBottom;
  int gridTop;
  int gridWidth, gridHeight;
  RECT settingsBox, listBox;
  GridCell cells[42];
};

struct CalendarDate {
  int year, month, day;
};

enum class TitleButton { None, Settings, List };

int ScaleForDpi(int value, int dpi); // MulDiv(value, dpi, 96)
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
int DayOfWeek(int year, int month, int day); // 0 = Sunday .. 6 = Saturday
int FirstColumnOfMonth(int year, int month, int startMonday);
int ColumnOfWeekday(int weekday, int startMonday); // the column a weekday is drawn in

// Pure month arithmetic, kept within kFirstYear..kLastYear.
DisplayedMonth AddMonths(DisplayedMonth shown, int delta);

MonthGrid ComputeMonthGrid(const RECT &client, int dpi, const AppSettings &settings,
                           DisplayedMonth shown);
// The in-month date under a client point, if any.
bool DayAtPoint(const MonthGrid &grid, POINT point, CalendarDate *date);
TitleButton TitleButtonAtPoint(const MonthGrid &grid, POINT point);
