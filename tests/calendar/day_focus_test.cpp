#include "calendar/day_focus.h"

#include <gtest/gtest.h>

#include "popup/day_popup.h"

namespace {

// Days and weeks cross months and years; months and years keep the day
// number or take the month's last day; years 1 and 9999 are the ends.
TEST(DayFocus, KeysMoveTheFocusedDayAcrossMonthsAndYears) {
  using M = FocusMove;
  const struct {
    CalendarDate from;
    FocusMove move;
    CalendarDate to;
  } cases[] = {
      {{2026, 12, 31}, M::NextDay, {2027, 1, 1}},
      {{2027, 1, 1}, M::PreviousDay, {2026, 12, 31}},
      {{2026, 3, 1}, M::PreviousDay, {2026, 2, 28}},
      {{2024, 2, 28}, M::NextDay, {2024, 2, 29}},
      {{1900, 2, 28}, M::NextDay, {1900, 3, 1}},
      {{2000, 2, 28}, M::NextDay, {2000, 2, 29}},
      {{2026, 12, 29}, M::NextWeek, {2027, 1, 5}},
      {{2026, 1, 3}, M::PreviousWeek, {2025, 12, 27}},
      {{2026, 1, 31}, M::NextMonth, {2026, 2, 28}},
      {{2024, 3, 31}, M::PreviousMonth, {2024, 2, 29}},
      {{2026, 12, 15}, M::NextMonth, {2027, 1, 15}},
      {{2024, 2, 29}, M::NextYear, {2025, 2, 28}},
      {{2025, 1, 31}, M::PreviousYear, {2024, 1, 31}},
      {{2026, 2, 10}, M::LastDay, {2026, 2, 28}},
      {{2024, 2, 1}, M::LastDay, {2024, 2, 29}},
      {{1, 1, 1}, M::PreviousDay, {1, 1, 1}},
      {{1, 1, 5}, M::PreviousWeek, {1, 1, 1}},
      {{1, 1, 20}, M::PreviousMonth, {1, 1, 20}},
      {{1, 3, 1}, M::PreviousDay, {1, 2, 28}},
      {{9999, 12, 31}, M::NextDay, {9999, 12, 31}},
      {{9999, 12, 28}, M::NextWeek, {9999, 12, 31}},
      {{9999, 12, 3}, M::NextYear, {9999, 12, 3}},
  };
  for (const auto &c : cases) {
    CalendarDate to = MoveFocus(c.from, c.move);
    EXPECT_EQ(std::vector<int>({to.year, to.month, to.day}),
              std::vector<int>({c.to.year, c.to.month, c.to.day}))
        << c.from.year << "-" << c.from.month << "-" << c.from.day << " move "
        << static_cast<int>(c.move);
  }
}

// What a screen reader hears: the month, each day with what its cell
// shows, and the day's appointments on one line as the popup lists them.
TEST(DayFocus, NamesOfTheMonthAndItsDays) {
  const std::wstring holiday = L"元日", unnamed;
  EXPECT_EQ(MonthName(2026, 12), L"2026年12月");
  EXPECT_EQ(MonthName(1, 1), L"1年1月");
  EXPECT_EQ(DayName({2026, 12, 8}, true, nullptr, 2), L"2026年12月8日 火曜日 今日 予定 2件");
  EXPECT_EQ(DayName({2026, 1, 1}, false, &holiday, 0), L"2026年1月1日 木曜日 祝日 元日");
  EXPECT_EQ(DayName({2026, 11, 30}, false, nullptr, 0), L"2026年11月30日 月曜日");
  EXPECT_EQ(DayName({2026, 12, 6}, true, &unnamed, 1), L"2026年12月6日 日曜日 今日 祝日 予定 1件");
  const std::wstring popup = L"●祝日 元日\r\n---\r\n09:00 会議\r\n資料\r\n---\r\n13:00 歯医者";
  EXPECT_EQ(JoinPopupLines(popup, L" ", L" / "), L"●祝日 元日 / 09:00 会議 資料 / 13:00 歯医者");
  EXPECT_EQ(JoinPopupLines(popup, L"\r\n", L"\r\n"),
            L"●祝日 元日\r\n09:00 会議\r\n資料\r\n13:00 歯医者");
}

} // namespace
