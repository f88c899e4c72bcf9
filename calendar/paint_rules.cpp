// Placeholder until painting lands.
#include "calendar/paint_rules.h"
COLORREF DimColor(COLORREF color, COLORREF) {
  return color;
}
int SplitFillMiddle(const RECT &inner) {
  return inner.top;
}
COLORREF DayNumberColor(const AppSettings &, bool, int) {
  return 0;
}
