// The calendar as screen readers see it (Microsoft Active Accessibility):
// the month as a table whose 42 children are the cells the month grid lays
// out, named from the same data the painting draws.
#pragma once
#include <windows.h>

// WM_GETOBJECT: the calendar's object for OBJID_CLIENT; 0 for any other
// object, which DefWindowProc answers.
LRESULT CalendarAccessibleObject(HWND window, WPARAM wParam, LPARAM lParam);
// WM_DESTROY: clients may hold the object longer; every later call fails.
void DisconnectCalendarAccessible();

// Events for screen readers: the focused day has changed or the window has
// gained the focus (focus and selection of its cell), and what the month
// shows has changed (its name, and the names of its days).
void NotifyFocusedDay(HWND window);
void NotifyMonthShown(HWND window);
