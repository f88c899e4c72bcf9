#include "calendar/paint_rules.h"

#include <cwchar>

#include "calendar/month_grid.h"
#include "config/numbers.h"
#include "config/settings.h"

namespace {
// Moves one 8-bit channel 70 % of the way toward the background's.
unsigned DimChannel(int value, int background) {
  int moved = value - static_cast<int>((background - value) * -0.7);
  return static_cast<unsigned>(moved) & 0xFF;
}
} // namespace

COLORREF DimColor(COLORREF color, COLORREF background) {
  return RGB(DimChannel(GetRValue(color), GetRValue(background)),
             DimChannel(GetGValue(color), GetGValue(background)),
             DimChannel(GetBValue(color), GetBValue(background)));
}

int SplitFillMiddle(const RECT &inner) {
  return inner.top + (inner.bottom - inner.top) / 2;
}

COLORREF DayNumberColor(const AppSettings &settings, bool holiday, int weekday) {
  if (holiday)
    return settings.Holiday;
  if (weekday == 0)
    return settings.Sunday;
  if (weekday == 6)
    return settings.Saturday;
  return settings.Weekday;
}

int WeekdayOfColumn(int column, int startMonday) {
  return startMonday ? (column + 1) % 7 : column;
}

std::wstring MonthTitle(int year, int month) {
  std::wstring title = DecimalText(year, 4);
  title += L'.';
  AppendDecimal(title, month, 2);
  return title;
}

void UseSystemColors(AppSettings &colors, ContrastColors &contrast,
                     DWORD(WINAPI *systemColor)(int)) {
  colors.Bg = systemColor(COLOR_WINDOW);
  colors.Weekday = systemColor(COLOR_WINDOWTEXT);
  colors.Saturday = colors.Sunday = colors.Holiday = systemColor(COLOR_HOTLIGHT);
  colors.Today = systemColor(COLOR_HIGHLIGHT);
  colors.Schedule = systemColor(COLOR_BTNFACE);
  contrast = {systemColor(COLOR_GRAYTEXT), systemColor(COLOR_HIGHLIGHTTEXT),
              systemColor(COLOR_BTNTEXT)};
}

DayLook LookOfDay(const AppSettings &settings, const GridCell &cell, bool isToday, bool hasSchedule,
                  bool holiday, const ContrastColors *contrast) {
  DayLook look = {true, CellFill::None, 0};
  if (!cell.inMonth && !settings.ShowOutMonth) {
    look.drawn = false;
    return look;
  }
  // Cells of the neighbouring months are never today and never filled.
  isToday = isToday && cell.inMonth;
  if (cell.inMonth) {
    if (isToday && hasSchedule)
      look.fill = CellFill::Split;
    else if (isToday)
      look.fill = CellFill::Today;
    else if (hasSchedule)
      look.fill = CellFill::Schedule;
  }
  look.number =
      DayNumberColor(settings, holiday, WeekdayOfColumn(cell.column, settings.StartMonday));
  if (!cell.inMonth)
    look.number = contrast ? contrast->neighbour : DimColor(look.number, settings.Bg);
  else if (contrast && look.fill != CellFill::None)
    look.number = look.fill == CellFill::Schedule ? contrast->onSchedule : contrast->onToday;
  return look;
}
