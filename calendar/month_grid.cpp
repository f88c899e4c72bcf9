#include "calendar/month_grid.h"

#include "config/settings.h"

namespace {

constexpr int kTitleButtonSize96 = 24;
constexpr int kBandCount = 8;
constexpr int kColumns = 7;
constexpr int kRows = 6;

// Whole-number division of products that could exceed int for huge client areas.
int ScaledEdge(int origin, int length, int part, int parts) {
  return origin + static_cast<int>(static_cast<long long>(length) * part / parts);
}

} // namespace

int ScaleForDpi(int value, int dpi) {
  return MulDiv(value, dpi, 96);
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12)
    return 30;
  if (month == 2 && IsLeapYear(year))
    return 29;
  return kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
  // Sakamoto's method on the proleptic Gregorian calendar. The calendar
  // repeats every 400 years (146097 days, a whole number of weeks), so the
  // year is reduced first: any year works and nothing goes negative.
  static const int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 1)
    month = 1;
  if (month > 12)
    month = 12;
  long long y = year;
  if (month < 3)
    --y;
  y = ((y % 400) + 400) % 400;
  long long d = ((static_cast<long long>(day) % 7) + 7) % 7;
  long long sum = y + y / 4 - y / 100 + y / 400 + kMonthOffset[month - 1] + d;
  return static_cast<int>(sum % 7);
}

int ColumnOfWeekday(int weekday, int startMonday) {
  return startMonday ? (weekday + 6) % 7 : weekday;
}

int FirstColumnOfMonth(int year, int month, int startMonday) {
  return ColumnOfWeekday(DayOfWeek(year, month, 1), startMonday);
}

DisplayedMonth AddMonths(DisplayedMonth shown, int delta) {
  // Counting months from year 0 gives the same result as carrying whole
  // years in and out of the month, without overflow for any delta.
  long long total = static_cast<long long>(shown.year) * 12 + (shown.month - 1) + delta;
  long long year = total >= 0 ? total / 12 : -((-total + 11) / 12);
  long long month = total - year * 12 + 1;
  if (year < kFirstYear)
    return {kFirstYear, 1};
  if (year > kLastYear)
    return {kLastYear, 12};
  return {static_cast<int>(year), static_cast<int>(month)};
}

MonthGrid ComputeMonthGrid(const RECT &client, int dpi, const AppSettings &settings,
                           DisplayedMonth shown) {
  MonthGrid grid = {};
  grid.year = shown.year;
  grid.month = shown.month;
  grid.daysInMonth = DaysInMonth(shown.year, shown.month);
  grid.firstColumn = FirstColumnOfMonth(shown.year, shown.month, settings.StartMonday);
  if (shown.month >= 2) {
    grid.prevYear = shown.year;
    grid.prevMonth = shown.month - 1;
    grid.prevDays = DaysInMonth(shown.year, shown.month - 1);
  } else {
    grid.prevYear = shown.year - 1;
    grid.prevMonth = 12;
    grid.prevDays = 31;
  }
  if (shown.month + 1 <= 12) {
    grid.nextYear = shown.year;
    grid.nextMonth = shown.month + 1;
  } else {
    grid.nextYear = shown.year + 1;
    grid.nextMonth = 1;
  }

  grid.margin = ScaleForDpi(settings.Margin, dpi);
  grid.left = client.left + grid.margin;
  grid.top = client.top + grid.margin;
  grid.right = client.right - grid.margin;
  grid.bottom = client.bottom - grid.margin;
  const int x0 = grid.left, y0 = grid.top, x1 = grid.right, y1 = grid.bottom;

  int e = (y1 - y0) / kBandCount;
  if (e < 1)
    e = 1;
  grid.rowUnit = e;
  grid.titleRect = {x0, y0, x1, y0 + e};
  grid.weekdayTop = y0 + e;
  grid.weekdayBottom = y0 + 2 * e;
  grid.gridTop = y0 + 2 * e;
  grid.gridWidth = x1 - x0 < 1 ? 1 : x1 - x0;
  grid.gridHeight = y1 - grid.gridTop < 1 ? 1 : y1 - grid.gridTop;

  const int g = ScaleForDpi(kTitleButtonSize96, dpi);
  grid.settingsBox = {x1 - g, y0, x1, y0 + e};
  grid.listBox = {x1 - 2 * g, y0, x1 - g, y0 + e};

  for (int i = 0; i < kColumns * kRows; ++i) {
    GridCell &cell = grid.cells[i];
    cell.column = i % kColumns;
    cell.row = i / kColumns;
    cell.rect.left = ScaledEdge(x0, grid.gridWidth, cell.column, kColumns);
    cell.rect.right = ScaledEdge(x0, grid.gridWidth, cell.column + 1, kColumns);
    cell.rect.top = ScaledEdge(grid.gridTop, grid.gridHeight, cell.row, kRows);
    cell.rect.bottom = ScaledEdge(grid.gridTop, grid.gridHeight, cell.row + 1, kRows);
    if (i < grid.firstColumn) {
      cell.year = grid.prevYear;
      cell.month = grid.prevMonth;
      cell.day = grid.prevDays - grid.firstColumn + i + 1;
      cell.inMonth = false;
    } else if (i < grid.firstColumn + grid.daysInMonth) {
      cell.year = grid.year;
      cell.month = grid.month;
      cell.day = i - grid.firstColumn + 1;
      cell.inMonth = true;
    } else {
      cell.year = grid.nextYear;
      cell.month = grid.nextMonth;
      cell.day = i - grid.firstColumn - grid.daysInMonth + 1;
      cell.inMonth = false;
    }
  }
  return grid;
}

bool DayAtPoint(const MonthGrid &grid, POINT point, CalendarDate *date) {
  if (point.y < grid.gridTop || point.y >= grid.bottom || point.x < grid.left ||
      point.x >= grid.right)
    return false;
  long long column = (static_cast<long long>(point.x) - grid.left) * kColumns / grid.gridWidth;
  long long row = (static_cast<long long>(point.y) - grid.gridTop) * kRows / grid.gridHeight;
  if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
    return false;
  long long day = row * kColumns + column - grid.firstColumn + 1;
  if (day < 1 || day > grid.daysInMonth)
    return false;
  if (date)
    *date = {grid.year, grid.month, static_cast<int>(day)};
  return true;
}

TitleButton TitleButtonAtPoint(const MonthGrid &grid, POINT point) {
  if (PtInRect(&grid.settingsBox, point))
    return TitleButton::Settings;
  if (PtInRect(&grid.listBox, point))
    return TitleButton::List;
  return TitleButton::None;
}
