// Placeholder until the month grid lands.
#include "calendar/month_grid.h"
#include "config/settings.h"
int ScaleForDpi(int value, int dpi) {
  return MulDiv(value, dpi, 96);
}
bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
int DaysInMonth(int, int) {
  return 30;
}
int DayOfWeek(int, int, int) {
  return 0;
}
int FirstColumnOfMonth(int, int, int) {
  return 0;
}
int ColumnOfWeekday(int weekday, int) {
  return weekday;
}
DisplayedMonth AddMonths(DisplayedMonth shown, int) {
  return shown;
}
void ShiftDisplayedMonth(int) {}
MonthGrid ComputeMonthGrid(const RECT &, int, const AppSettings &, DisplayedMonth) {
  return {};
}
bool DayAtPoint(const MonthGrid &, POINT, CalendarDate *) {
  return false;
}
TitleButton TitleButtonAtPoint(const MonthGrid &, POINT) {
  return TitleButton::None;
}
