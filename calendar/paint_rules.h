// The colour and fill decisions of a day cell, apart from any DC.
#pragma once
#include <windows.h>

#include <string>

// A colour moved 70 % toward the background: how neighbouring months' days look.
COLORREF DimColor(COLORREF color, COLORREF background);
// The y where a split today-and-schedule fill changes from Schedule (above) to Today.
int SplitFillMiddle(const RECT &inner);

struct AppSettings;
// The day number's colour: Holiday over Sunday/Saturday over Weekday.
COLORREF DayNumberColor(const AppSettings &settings, bool holiday, int weekday);

// The weekday (0 = Sunday .. 6 = Saturday) a grid column stands for.
int WeekdayOfColumn(int column, int startMonday);
// The title band's text, "2026.03".
std::wstring MonthTitle(int year, int month);

enum class CellFill { None, Today, Schedule, Split };
// Everything a day cell shows, decided from what is known about its date.
struct DayLook {
  bool drawn;      // false: the cell stays empty
  CellFill fill;   // only in-month cells are filled
  COLORREF number; // the day number's colour, dimmed outside the month
};
// What only high contrast tells apart: neighbouring days, in the gray text
// colour, and the numbers on today's fill and on an appointment's.
struct ContrastColors {
  COLORREF neighbour, onToday, onSchedule;
};
// With high contrast on, the system's colours stand in for the seven stored
// ones in a copy of the settings (the stored ones come back when it is off):
// background COLOR_WINDOW, text COLOR_WINDOWTEXT, Sundays, Saturdays and
// holidays COLOR_HOTLIGHT, today COLOR_HIGHLIGHT, appointments COLOR_BTNFACE.
void UseSystemColors(AppSettings &colors, ContrastColors &contrast,
                     DWORD(WINAPI *systemColor)(int));

struct GridCell;
// contrast: high contrast's own colours, when it is on.
DayLook LookOfDay(const AppSettings &settings, const GridCell &cell, bool isToday, bool hasSchedule,
                  bool holiday, const ContrastColors *contrast = nullptr);
