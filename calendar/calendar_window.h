// The calendar window: its procedure and the text of a day's popup.
#pragma once
#include <windows.h>

#include <string>

#include "calendar/month_grid.h"
#include "holidays/holiday_store.h"
#include "schedules/schedule_store.h"

extern const wchar_t kCalendarClassName[]; // "Dayglass"

LRESULT CALLBACK CalendarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The month grid of the window's client area, as painted and hit-tested.
MonthGrid CalendarGrid(HWND window);
// The day keys move and open: always one of the month shown.
CalendarDate FocusedDay();
// Moves the focused day, and the month shown with it.
void FocusDay(HWND window, CalendarDate date);
// The day's popup beside its cell; nothing for a day without entries.
void OpenDayPopup(HWND window, const CalendarDate &date);
// What a screen reader hears of a cell, and the day's appointments as the
// popup lists them.
std::wstring CalendarDayName(const GridCell &cell);
std::wstring DayAppointmentsText(const CalendarDate &date);

// The day popup's lines for a date: the holiday, then each schedule of the
// day in list order, with "---" lines between entries; empty when nothing.
std::wstring BuildDayPopupText(const HolidayMap &holidays, const ScheduleList &schedules, int year,
                               int month, int day);
