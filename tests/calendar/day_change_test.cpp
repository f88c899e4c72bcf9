#include "calendar/day_change.h"

#include <gtest/gtest.h>

namespace {

TEST(DayChange, MidnightIsWhatIsLeftOfTheLocalDay) {
  struct Case {
    WORD hour, minute, second, milliseconds;
    UINT expected;
  } cases[] = {
      {0, 0, 0, 0, 86400000}, {12, 0, 0, 0, 43200000}, {23, 59, 50, 0, 10000},
      {23, 59, 59, 999, 1},   {0, 0, 0, 1, 86399999},  {23, 59, 59, 1000, 1}, // a bad clock
  };
  for (const Case &c : cases) {
    SYSTEMTIME now = {2026, 12, 4, 31, c.hour, c.minute, c.second, c.milliseconds};
    EXPECT_EQ(MillisecondsToMidnight(now), c.expected) << c.hour << ":" << c.minute;
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
