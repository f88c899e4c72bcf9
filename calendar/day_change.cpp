#include "calendar/day_change.h"

#include "app/app_state.h"

UINT MillisecondsToMidnight(const SYSTEMTIME &now) {
  constexpr UINT kDay = 24 * 60 * 60 * 1000;
  UINT elapsed = ((now.wHour * 60u + now.wMinute) * 60u + now.wSecond) * 1000u + now.wMilliseconds;
  return elapsed < kDay ? kDay - elapsed : 1;
}

DisplayedMonth MonthAfterDayChange(DisplayedMonth shown, CalendarDate oldToday,
                                   CalendarDate newToday) {
  if (shown.year == oldToday.year && shown.month == oldToday.month)
    return {newToday.year, newToday.month};
  return shown;
}

void FollowToday(HWND window) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  CalendarDate today = {now.wYear, now.wMonth, now.wDay};
  CalendarDate &shown = g_app.today;
  if (today.year != shown.year || today.month != shown.month || today.day != shown.day) {
    g_app.displayed = MonthAfterDayChange(g_app.displayed, shown, today);
    shown = today;
    InvalidateRect(window, nullptr, TRUE);
  }
  // One-shot in effect: the handler kills it when it fires and this arms it
  // anew. A timer that fires early finds the same day and waits the rest.
  SetTimer(window, kMidnightTimer, MillisecondsToMidnight(now), nullptr);
}
