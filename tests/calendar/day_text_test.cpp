#include "calendar/calendar_window.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

class DayPopupTextTest : public ::testing::Test {
protected:
  void SetUp() override {
    holidays[MakeDateKey(2026, 3, 20)] = L"春分の日";
    holidays[MakeDateKey(2026, 5, 5)] = L"こどもの日";
    schedules = {
        MakeSchedule(2026, 3, 20, 14, 30, L"会議"),
        MakeSchedule(2026, 3, 21, 9, 0, L"別の日"),
        MakeSchedule(2026, 3, 20, 7, 5, L"朝"),
        MakeSchedule(2026, 4, 20, 7, 5, L"翌月"),
        MakeSchedule(2025, 3, 20, 7, 5, L"前年"),
        MakeSchedule(2026, 3, 22, 18, 0, L"一行目\r\n二行目"),
        MakeSchedule(2026, 3, 23, 10, 0, L"一つ目"),
        MakeSchedule(2026, 3, 23, 11, 0, L"二つ目"),
        MakeSchedule(2026, 3, 23, 12, 0, L"三つ目"),
    };
  }
  std::wstring TextOf(int year, int month, int day) const {
    return BuildDayPopupText(holidays, schedules, year, month, day);
  }
  HolidayMap holidays;
  ScheduleList schedules;
};

TEST_F(DayPopupTextTest, HolidayThenSchedulesInListOrderWithSeparators) {
  EXPECT_EQ(TextOf(2026, 3, 20), L"\u25CF祝日 春分の日\r\n---\r\n14:30 会議\r\n---\r\n07:05 朝");
}

TEST_F(DayPopupTextTest, OneKindOfEntryOnly) {
  EXPECT_EQ(TextOf(2026, 5, 5), L"\u25CF祝日 こどもの日");
  EXPECT_EQ(TextOf(2026, 3, 21), L"09:00 別の日");
  EXPECT_EQ(TextOf(2026, 3, 23), L"10:00 一つ目\r\n---\r\n11:00 二つ目\r\n---\r\n12:00 三つ目");
  // Line breaks of a text stay as they are.
  EXPECT_EQ(TextOf(2026, 3, 22), L"18:00 一行目\r\n二行目");
}

TEST_F(DayPopupTextTest, NothingForAnEmptyDay) {
  EXPECT_EQ(TextOf(2026, 3, 24), L"");
  EXPECT_EQ(BuildDayPopupText(HolidayMap(), ScheduleList(), 2026, 3, 20), L"");
}

} // namespace
