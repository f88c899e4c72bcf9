// Keeping windows where the user can reach them: inside a monitor's work
// area, clear of the taskbar and of the screen's edges.
#pragma once
#include <windows.h>

// The rectangle moved just enough to lie inside the area; one larger than
// the area keeps its top-left corner (and so its caption) inside.
RECT FitRectInside(const RECT &rect, const RECT &area);
// The work area of the monitor a rectangle is mostly on, or the nearest one.
RECT WorkAreaNear(const RECT &rect);
// Moves a window into the work area of its monitor when it runs outside it.
void KeepWindowOnScreen(HWND window);
