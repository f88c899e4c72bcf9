#include "config/numbers.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <climits>
#include <string>

#include "app/app_state.h"
#include "config/settings.h"
#include "holidays/holiday_csv.h"
#include "holidays/holiday_store.h"
#include "schedules/schedule_store.h"

// Every loader reads numbers as "%d" does, so a value typed with a Japanese
// input method's space, or any other Unicode white space, reads as its number.
TEST(NumberScan, ReadsLikeScanfAndSaturates) {
  const std::pair<const wchar_t *, int> cases[] = {
      {L"300", 300},
      {L"300px", 300},
      {L"  -20", -20},
      {L"+7", 7},
      {L"abc", 0},
      {L"", 0},
      {L"0xFF", 0},
      {L"-", 0},
      {L"2147483647", 2147483647},
      {L"2147483648", 2147483647},
      {L"-2147483648", -2147483647 - 1},
      {L"-99999999999999999999999999999999999999", -2147483647 - 1},
      {L"9999999999999999999999999999999999999999", 2147483647},
      {L"\u3000500", 500},
      {L"\u00A0\u3000 \t-5", -5},
      {L"\u2028\u2029\u202F\u205F\u1680\u0085\u2000\u200A8", 8},
      {L"\u200B8", 0}, // zero width space is no white space
      {L"\uFEFF8", 0},
      {L"- 5", 0},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ScanIntOrZero(c.first), c.second) << testing::PrintToString(std::wstring(c.first));

  int white = 0;
  for (wchar_t c = 1; c < 0xFFFF; ++c)
    white += IsScanSpace(c);
  EXPECT_EQ(white, 25) << "the Unicode White_Space characters of the BMP";
}

// The ideographic space where each loader meets it, in the file.
TEST(NumberScan, EveryLoaderSkipsUnicodeSpaces) {
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(L"[Window]\r\nWinW=\u3000500\r\nPosX=\u00A0-7\r\n", settings);
  EXPECT_EQ(settings.WinW, 500);
  EXPECT_EQ(settings.PosX, -7);

  bool dropped = false;
  ScheduleList list = ParseSchedules(
      L"[Schedules]\r\n0001=2026/12/24\u300018:30|歯医者|\r\n0002=\u30002026/\u00A01/2 3:4|x|\r\n",
      false, &dropped);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].when.wHour, 18);
  EXPECT_EQ(list[0].when.wMinute, 30);
  EXPECT_EQ(list[1].when.wMonth, 1);

  HolidayMap map;
  ParseHolidays(L"[Holidays]\r\n\u30002026-01-01=元日\r\n", map);
  EXPECT_EQ(map.count(MakeDateKey(2026, 1, 1)), 1u);

  HolidayRow row;
  EXPECT_TRUE(ParseHolidayCsvLine("\x81\x40\x32\x30\x32\x36/1/1,x", row)); // Shift_JIS U+3000
  EXPECT_EQ(row.date, L"2026-01-01");
  std::printf("[reliability] numbers after U+3000, U+00A0 and other Unicode spaces (settings, "
              "schedules, holiday keys, CSV) | 6 | read as their number, no schedule lost\n");
}
