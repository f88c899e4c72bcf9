#include "holidays/holiday_store.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/app_state.h"
#include "config/ini_file.h"
#include "tests/support/test_support.h"

namespace {

HolidayMap Parse(const IniText &text) {
  HolidayMap map;
  map[MakeDateKey(1999, 1, 1)] = L"left over";
  ParseHolidays(text, map);
  return map;
}

} // namespace

TEST(HolidayLines, KeysReadLikeAFormattedScan) {
  struct Case {
    const wchar_t *line;
    int year, month, day; // year 0: skipped
  } cases[] = {
      {L"2026-01-01=x", 2026, 1, 1},
      {L"2026-1-1=x", 2026, 1, 1},
      {L" 2026-01-01=x", 2026, 1, 1},
      {L"2026- 01-\t01=x", 2026, 1, 1},
      {L"2026-01-01 trailing=x", 2026, 1, 1},
      {L"2026-02-30=x", 2026, 2, 30},
      {L"+2026-01--1=x", 2026, 1, -1},
      {L"2026/01/01=x", 0, 0, 0},
      {L"2026 -01-01=x", 0, 0, 0},
      {L"2026-01=x", 0, 0, 0},
      {L"2026-01-=x", 0, 0, 0},
      {L"=x", 0, 0, 0},
      {L"99999999999999999999-1-1=x", INT_MAX, 1, 1},
      {L"-99999999999999999999-1-1=x", INT_MIN, 1, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(Utf8(c.line)));
    HolidayMap map = Parse(std::wstring(L"[Holidays]\r\n") + c.line);
    if (c.year == 0) {
      EXPECT_TRUE(map.empty());
      continue;
    }
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.begin()->first, MakeDateKey(c.year, c.month, c.day));
    EXPECT_EQ(map.begin()->second, L"x");
  }
}

TEST(HolidayLines, NamesAndSections) {
  HolidayMap map = Parse(L"2026-01-02=before any header\n"
                         L"[Schedules]\n2026-01-03=in schedules\n"
                         L"[Holidays]\n2026-01-01=元日\n2026-05-06=A\n2026-01-12=\n"
                         L"2026-02-11=a=b\n"
                         L" [Holidays]\n[holidays]\n2026-01-04=lower case\n"
                         L"[Holidays]\n2026-05-06=B\n2026-11-03= 文化の日 \n");
  EXPECT_EQ(map.size(), 5u);
  struct Case {
    int month, day;
    const wchar_t *name; // null: no holiday
  } cases[] = {
      {1, 1, L"元日"},        {5, 6, L"B"},    {1, 12, L""},    {2, 11, L"a=b"},
      {11, 3, L" 文化の日 "}, {1, 2, nullptr}, {1, 3, nullptr}, {1, 4, nullptr},
  };
  for (const Case &c : cases) {
    const std::wstring *name = FindHolidayIn(map, 2026, c.month, c.day);
    ASSERT_EQ(name != nullptr, c.name != nullptr) << c.month << "-" << c.day;
    if (name) {
      EXPECT_EQ(*name, c.name);
    }
  }
  EXPECT_EQ(FindHolidayIn(map, 2025, 1, 1), nullptr);
}

TEST(HolidayFile, LoadReplacesTheProcessWideMap) {
  ScopedAppState state;
  TempDir dir;
  UseIniPath(dir.File(L"calendar.ini"));

  WriteFileBytes(dir.File(L"calendar.ini"),
                 "\xEF\xBB\xBF[Holidays]\n2026-01-01=\xE5\x85\x83\xE6\x97\xA5\n"
                 "[Schedules]\n0001=2026/01/02 00:00|x|\n");
  g_app.holidays[MakeDateKey(2026, 2, 11)] = L"stale";
  ParseHolidays(ReadIniText(), g_app.holidays);
  ASSERT_NE(FindHoliday(2026, 1, 1), nullptr);
  EXPECT_EQ(*FindHoliday(2026, 1, 1), L"元日");
  EXPECT_EQ(FindHoliday(2026, 2, 11), nullptr);
  EXPECT_EQ(FindHoliday(2026, 1, 2), nullptr);

  DeleteFileW(dir.File(L"calendar.ini").c_str());
  ParseHolidays(ReadIniText(), g_app.holidays);
  EXPECT_TRUE(g_app.holidays.empty());
}
