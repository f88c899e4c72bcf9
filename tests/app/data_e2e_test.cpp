// The stored schedules and holidays across one run of the program: what the
// file holds after the window is closed through its caption.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/test_support.h"

namespace {

std::string WindowSection(int x, int y) {
  return "[Window]\r\nWinW=300\r\nWinH=320\r\nMargin=10\r\nPosX=" + std::to_string(x) +
         "\r\nPosY=" + std::to_string(y) + "\r\n";
}

// Every settings key with a value the settings checks keep, so the save on
// close writes the same lines back.
const char kOtherSettings[] =
    "[Font]\r\nFace=Hooge 05_55\r\nTitlePx=18\r\nWeekPx=12\r\nDatePx=18\r\n"
    "[Color]\r\nBg=0\r\nToday=1740287\r\nWeekday=16777215\r\n"
    "Saturday=16744448\r\nSunday=255\r\nHoliday=255\r\nSchedule=51400\r\n"
    "[Option]\r\nStartMonday=1\r\nShowOutMonth=1\r\n"
    "AutoDeleteOldSchedules=0\r\nHolidayUrl=http://127.0.0.1:9/none.csv\r\n";

const char kHolidays[] = "[Holidays]\r\n2026-01-01=元日\r\n2026-01-12=成人の日\r\n"
                         "2026-02-11=建国記念の日\r\n";

} // namespace

TEST(StoredData, ClosingMovesTheSchedulesLastAndKeepsEverythingElse) {
  TempDir dir;
  const std::string schedulesBefore = "[Schedules]\r\n"
                                      "0042=2026/03/01 09:00|朝会\\n会議室 4|\r\n"
                                      "0007=2026/2/1 8:0|C:\\\\new\\\\notes.txt|y\r\n"
                                      "0100=2026/13/01 25:61|a|b|\r\n"
                                      "0005=2026/03/02 10:00||\r\n";
  ASSERT_TRUE(
      WriteFileBytes(dir.File(L"calendar.ini"),
                     kBom + WindowSection(60, 50) + schedulesBefore + kOtherSettings + kHolidays));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  RECT rect;
  GetWindowRect(window, &rect);
  SendTo(window, WM_CLOSE);
  ASSERT_EQ(app.WaitForExit(), 0);

  // Sorted by date-time since loading, as the calendar and the list show them.
  const std::string schedulesAfter = "[Schedules]\r\n"
                                     "0001=2026/02/01 08:00|C:\\\\new\\\\notes.txt|Y\r\n"
                                     "0002=2026/03/01 09:00|朝会\\n会議室 4|\r\n"
                                     "0003=2026/03/02 10:00||\r\n"
                                     "0004=2026/13/01 25:61|a|b|\r\n";
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), kBom + WindowSection(rect.left, rect.top) +
                                                          kOtherSettings + kHolidays +
                                                          schedulesAfter);
}

TEST(StoredData, AutomaticDeletionRemovesMarkedSchedulesAtStartUp) {
  TempDir dir;
  const std::string before = kBom + "[Option]\nAutoDeleteOldSchedules=1\n" +
                             "[Schedules]\n0003=2026/01/05 12:00|old|Y\n" +
                             "0009=2026/01/06 12:00|kept|\n[Holidays]\n2026-01-01=元日\n";
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), before));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  // The deletion is saved as the window opens.
  const std::string opened = kBom + "[Option]\r\nAutoDeleteOldSchedules=1\r\n" +
                             "[Holidays]\r\n2026-01-01=元日\r\n" +
                             "[Schedules]\r\n0001=2026/01/06 12:00|kept|\r\n";
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(dir.File(L"calendar.ini")) == opened; }));
  SendTo(window, WM_CLOSE);
  ASSERT_EQ(app.WaitForExit(), 0);
  std::string closed = ReadFileBytes(dir.File(L"calendar.ini"));
  EXPECT_EQ(closed.find("|old|"), std::string::npos);
  EXPECT_NE(closed.find("[Holidays]\r\n2026-01-01=元日\r\n"), std::string::npos);
  const std::string last = "[Schedules]\r\n0001=2026/01/06 12:00|kept|\r\n";
  ASSERT_GE(closed.size(), last.size());
  EXPECT_EQ(closed.substr(closed.size() - last.size()), last);
}

// calendar.ini saved as UTF-16 (older Notepad's "Unicode", either byte
// order) or as code page 932 (its "ANSI"): the calendar opens on what it
// holds, and its close writes UTF-8, the old bytes kept beside it.
TEST(StoredData, OtherEncodingsOpenAndAreWrittenBackAsUtf8) {
  const std::wstring text = L"[Window]\r\nWinW=345\r\nWinH=356\r\nPosX=70\r\nPosY=80\r\n"
                            L"[Holidays]\r\n2099-01-01=元日\r\n"
                            L"[Schedules]\r\n0001=2099/03/01 09:00|朝会 会議室|\r\n";
  const struct {
    const wchar_t *copy;
    std::string bytes;
  } cases[] = {{L"calendar.ini.utf-16.bak", Utf16Bytes(text, false)},
               {L"calendar.ini.utf-16.bak", Utf16Bytes(text, true)},
               {L"calendar.ini.shift_jis.bak", Cp932Bytes(text)}};
  for (const auto &c : cases) {
    SCOPED_TRACE(Utf8(c.copy));
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), c.bytes));
    Dayglass app(dir.Path());
    HWND window = app.WaitForWindow(L"Dayglass");
    ASSERT_NE(window, nullptr);
    RECT rect, stored = {70, 80, 70 + 345, 80 + 356};
    GetWindowRect(window, &rect);
    EXPECT_TRUE(EqualRect(&rect, &stored));
    SendTo(window, WM_CLOSE);
    ASSERT_EQ(app.WaitForExit(), 0);
    const std::string bytes = ReadFileBytes(dir.File(L"calendar.ini"));
    EXPECT_EQ(bytes.compare(0, 3, kBom), 0);
    for (const char *kept : {"WinW=345\r\n", "PosX=70\r\n", "2099-01-01=元日\r\n",
                             "0001=2099/03/01 09:00|朝会 会議室|\r\n"})
      EXPECT_NE(bytes.find(kept), std::string::npos) << kept;
    EXPECT_EQ(ReadFileBytes(dir.File(c.copy)), c.bytes);
  }
  std::printf("[reliability] calendar.ini saved as UTF-16 (either byte order) or as code page 932 "
              "| 3 | opened with its settings, holidays and appointments; written back as UTF-8, "
              "the old bytes kept beside it\n");
}
