// Following the local date: the calendar's today moves at midnight, after
// sleep and after a clock change, without any input.
#pragma once
#include <windows.h>

#include "calendar/month_grid.h"

// From a moment to the next midnight of a time zone's clock (null: the
// system's), through the zone's daylight-saving rules; at least 1.
UINT MillisecondsToMidnight(const FILETIME &nowUtc, const TIME_ZONE_INFORMATION *zone);
// The month to show once today has changed: the new today's month when the
// old today's month was shown, else the month the user paged to.
DisplayedMonth MonthAfterDayChange(DisplayedMonth shown, CalendarDate oldToday,
                                   CalendarDate newToday);

// The timer that wakes the calendar window at midnight; nothing else wakes it.
constexpr UINT_PTR kMidnightTimer = 1;
// Reads the clock: a new day moves the process-wide today (and the month, as
// above) and repaints the window; then arms the one timer for the next midnight.
void FollowToday(HWND window);
