#include "calendar/day_change.h"

#include <gtest/gtest.h>

namespace {

// What is left of the local day, in a zone without daylight saving and in
// one with it (central Europe): the spring night is an hour shorter, the
// autumn night an hour longer.
TEST(DayChange, MidnightIsWhatIsLeftOfTheLocalDay) {
  TIME_ZONE_INFORMATION utc = {}, europe = {};
  europe.Bias = -60;
  europe.StandardDate = {0, 10, 0, 5, 3, 0, 0, 0}; // last Sunday of October, 03:00
  europe.DaylightDate = {0, 3, 0, 5, 2, 0, 0, 0};  // last Sunday of March, 02:00
  europe.DaylightBias = -60;
  struct Case {
    const TIME_ZONE_INFORMATION *zone;
    SYSTEMTIME utc;
    UINT expected;
  } cases[] = {
      {&utc, {2026, 12, 4, 31, 0, 0, 0, 0}, 86400000},
      {&utc, {2026, 12, 4, 31, 23, 59, 50, 0}, 10000},
      {&utc, {2026, 12, 4, 31, 23, 59, 59, 999}, 1},
      {&utc, {2026, 12, 4, 31, 0, 0, 0, 1}, 86399999},
      {&europe, {2026, 12, 4, 31, 12, 0, 0, 0}, 11 * 3600000}, // 13:00 local
      {&europe, {2027, 3, 0, 28, 0, 0, 0, 0}, 22 * 3600000},   // 01:00, springs forward at 02:00
      {&europe, {2027, 3, 0, 27, 22, 30, 0, 0}, 30 * 60000},   // 23:30 the evening before
      {&europe, {2026, 10, 0, 24, 23, 0, 0, 0}, 24 * 3600000}, // 01:00, falls back at 03:00
  };
  for (const Case &c : cases) {
    FILETIME now;
    ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &now));
    EXPECT_EQ(MillisecondsToMidnight(now, c.zone), c.expected)
        << c.utc.wYear << "-" << c.utc.wMonth << "-" << c.utc.wDay << " " << c.utc.wHour << ":"
        << c.utc.wMinute << " UTC";
  }
}

TEST(DayChange, TheMonthFollowsTodayOnlyFromTodaysMonth) {
  struct Case {
    DisplayedMonth shown;
    CalendarDate before, after;
    DisplayedMonth expected;
  } cases[] = {
      {{2026, 12}, {2026, 12, 31}, {2027, 1, 1}, {2027, 1}},  // the year's last midnight
      {{2026, 11}, {2026, 12, 31}, {2027, 1, 1}, {2026, 11}}, // paged back: stays
      {{2027, 1}, {2026, 12, 31}, {2027, 1, 1}, {2027, 1}},   // paged ahead to it already
      {{2026, 3}, {2026, 3, 14}, {2026, 3, 15}, {2026, 3}},   // an ordinary night
      {{2027, 1}, {2027, 1, 1}, {2026, 12, 31}, {2026, 12}},  // the clock set back
      {{2026, 6}, {2026, 3, 31}, {2026, 9, 10}, {2026, 6}},   // a long sleep, paged away
      {{2026, 3}, {2026, 3, 31}, {2026, 9, 10}, {2026, 9}},
  };
  for (const Case &c : cases) {
    DisplayedMonth shown = MonthAfterDayChange(c.shown, c.before, c.after);
    EXPECT_TRUE(shown.year == c.expected.year && shown.month == c.expected.month)
        << c.shown.year << "-" << c.shown.month << " " << c.after.year << "-" << c.after.month;
  }
}

} // namespace
