// Keeping windows where the user can reach them: inside a monitor's work
// area, clear of the taskbar and of the screen's edges.
#pragma once
#include <windows.h>

#include <vector>

// The rectangle moved just enough to lie inside the area; one larger than
// the area keeps its top-left corner (and so its caption) inside.
RECT FitRectInside(const RECT &rect, const RECT &area);
// The work area of the monitor a rectangle is mostly on, or the nearest one.
RECT WorkAreaNear(const RECT &rect);
// Moves a window into the work area of its monitor when it runs outside it.
void KeepWindowOnScreen(HWND window);

// The rectangles of all monitors.
std::vector<RECT> MonitorRects();
// The calendar's frame and caption, the band at its top it is moved by.
int CaptionBandHeight();
// Whether enough of a caption band lies on one of the monitors to be taken
// hold of with the mouse.
bool CaptionReachable(const RECT &caption, const std::vector<RECT> &monitors);
// A window frame left where it is while its caption band (captionHeight
// high) is reachable, else moved just inside the work area.
RECT ReachableFrame(const RECT &frame, int captionHeight, const std::vector<RECT> &monitors,
                    const RECT &workArea);
// The same on a window, with the work area of its nearest monitor: true
// when the window had to move.
bool KeepCaptionReachable(HWND window);
