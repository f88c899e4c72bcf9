#include "calendar/day_change.h"

#include <algorithm>

#include "app/app_state.h"
#include "calendar/calendar_paint.h"

UINT MillisecondsToMidnight(const FILETIME &nowUtc, const TIME_ZONE_INFORMATION *zone) {
  constexpr ULONGLONG kTicksPerMs = 10000;
  constexpr ULONGLONG kDay = 24ULL * 60 * 60 * 1000 * kTicksPerMs;
  auto ticks = [](const FILETIME &time) {
    return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  };
  // Tomorrow's 00:00 on the local clock, then the moment that is through
  // the zone's rules: a night that springs forward is an hour shorter.
  SYSTEMTIME utc, local, midnight, midnightUtc;
  FILETIME today, target;
  if (!FileTimeToSystemTime(&nowUtc, &utc) || !SystemTimeToTzSpecificLocalTime(zone, &utc, &local))
    return 1;
  const SYSTEMTIME start = {local.wYear, local.wMonth, 0, local.wDay, 0, 0, 0, 0};
  if (!SystemTimeToFileTime(&start, &today))
    return 1;
  const ULONGLONG tomorrow = ticks(today) + kDay;
  today = {static_cast<DWORD>(tomorrow), static_cast<DWORD>(tomorrow >> 32)};
  if (!FileTimeToSystemTime(&today, &midnight) ||
      !TzSpecificLocalTimeToSystemTime(zone, &midnight, &midnightUtc) ||
      !SystemTimeToFileTime(&midnightUtc, &target) || ticks(target) <= ticks(nowUtc))
    return 1;
  // Rounded up: a timer that fires a moment early finds the old day.
  return static_cast<UINT>(std::min<ULONGLONG>(
      (ticks(target) - ticks(nowUtc) + kTicksPerMs - 1) / kTicksPerMs, 2 * kDay / kTicksPerMs));
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
    const DisplayedMonth month = MonthAfterDayChange(g_app.displayed, shown, today);
    // The month follows today: so does the focused day.
    if (month.year != g_app.displayed.year || month.month != g_app.displayed.month)
      g_app.focus = today;
    g_app.displayed = month;
    shown = today;
    RepaintCalendarWindow(window);
  }
  // One-shot in effect: the handler kills it when it fires and this arms it
  // anew. A timer that fires early finds the same day and waits the rest.
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  SetTimer(window, kMidnightTimer, MillisecondsToMidnight(utc, nullptr), nullptr);
}
