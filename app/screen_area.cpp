#include "app/screen_area.h"

namespace {

// The start of a span of this length moved just enough to lie in [low, high).
LONG FitSpan(LONG start, LONG length, LONG low, LONG high) {
  if (start + length > high)
    start = high - length;
  return start < low ? low : start;
}

} // namespace

RECT FitRectInside(const RECT &rect, const RECT &area) {
  LONG width = rect.right - rect.left;
  LONG height = rect.bottom - rect.top;
  LONG left = FitSpan(rect.left, width, area.left, area.right);
  LONG top = FitSpan(rect.top, height, area.top, area.bottom);
  return {left, top, left + width, top + height};
}

RECT WorkAreaNear(const RECT &rect) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  return info.rcWork;
}

void KeepWindowOnScreen(HWND window) {
  RECT frame;
  if (!GetWindowRect(window, &frame))
    return;
  RECT fitted = FitRectInside(frame, WorkAreaNear(frame));
  if (fitted.left != frame.left || fitted.top != frame.top)
    SetWindowPos(window, nullptr, fitted.left, fitted.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
