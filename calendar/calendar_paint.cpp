// Placeholder until painting lands.
#include "calendar/calendar_paint.h"
int WindowDpi(HWND) {
  return 96;
}
void CreateCalendarFonts(int) {}
void DeleteCalendarFonts() {}
void PaintMonth(HDC, const RECT &) {}
void PaintCalendarWindow(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}
