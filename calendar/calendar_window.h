// The calendar window: its procedure and the text of a day's popup.
#pragma once
#include <windows.h>

#include <string>

#include "holidays/holiday_store.h"
#include "schedules/schedule_store.h"

extern const wchar_t kCalendarClassName[]; // "Dayglass"

LRESULT CALLBACK CalendarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The day popup's lines for a date: the holiday, then each schedule of the
// day in list order, with "---" lines between entries; empty when nothing.
std::wstring BuildDayPopupText(const HolidayMap &holidays, const ScheduleList &schedules, int year,
                               int month, int day);
