#include "app/screen_area.h"

#include <algorithm>

namespace {

// The start of a span of this length moved just enough to lie in [low, high).
LONG FitSpan(LONG start, LONG length, LONG low, LONG high) {
  if (start + length > high)
    start = high - length;
  return start < low ? low : start;
}

RECT WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  return info.rcWork;
}

BOOL CALLBACK AddMonitorRect(HMONITOR, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<RECT> *>(list)->push_back(*rect);
  return TRUE;
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
  return WorkAreaOf(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST));
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

std::vector<RECT> MonitorRects() {
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorRect, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

int CaptionBandHeight() {
  return GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

bool CaptionReachable(const RECT &caption, const std::vector<RECT> &monitors) {
  // Enough of the caption to take hold of with the mouse: as wide as a
  // small grip (or the whole caption), at least half its height.
  constexpr LONG kGripWidth = 48;
  LONG width = std::min<LONG>(caption.right - caption.left, kGripWidth);
  LONG height = std::max<LONG>((caption.bottom - caption.top) / 2, 1);
  for (const RECT &monitor : monitors) {
    RECT on;
    if (IntersectRect(&on, &caption, &monitor) && on.right - on.left >= width &&
        on.bottom - on.top >= height)
      return true;
  }
  return false;
}

RECT ReachableFrame(const RECT &frame, int captionHeight, const std::vector<RECT> &monitors,
                    const RECT &workArea) {
  RECT caption = {frame.left, frame.top, frame.right, frame.top + captionHeight};
  return CaptionReachable(caption, monitors) ? frame : FitRectInside(frame, workArea);
}

bool KeepCaptionReachable(HWND window) {
  RECT frame;
  if (!GetWindowRect(window, &frame))
    return false;
  RECT placed = ReachableFrame(frame, CaptionBandHeight(), MonitorRects(),
                               WorkAreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)));
  if (placed.left == frame.left && placed.top == frame.top)
    return false;
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}
