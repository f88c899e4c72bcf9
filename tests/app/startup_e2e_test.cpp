// Start-up as a user meets it: the first run, the stored window geometry,
// the settings written on close, and the holiday switch without a window.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/test_support.h"

namespace {

const char kKeyOrder[] = "[Window]\r\nWinW=300\r\nWinH=320\r\nMargin=10\r\nPosX=";

std::vector<std::string> KeysInOrder(const std::string &bytes) {
  std::vector<std::string> keys;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos)
      end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    size_t equals = line.find('=');
    if (!line.empty() && line[0] == '[')
      keys.push_back(line);
    else if (equals != std::string::npos)
      keys.push_back(line.substr(0, equals));
    at = end + 2;
  }
  return keys;
}

} // namespace

TEST(Startup, FirstRunCreatesTheMarkOnlyFileAndCloseWritesTheSettings) {
  TempDir dir;
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), "\xEF\xBB\xBF");

  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 320);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Dayglass");

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  std::string bytes = ReadFileBytes(dir.File(L"calendar.ini"));
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u);
  EXPECT_NE(bytes.find(kKeyOrder), std::string::npos);
  EXPECT_NE(bytes.find("Face=Hooge 05_55\r\n"), std::string::npos);
  std::string position =
      "PosX=" + std::to_string(rect.left) + "\r\nPosY=" + std::to_string(rect.top) + "\r\n";
  EXPECT_NE(bytes.find(position), std::string::npos);
  const std::vector<std::string> expected = {"[Window]",
                                             "WinW",
                                             "WinH",
                                             "Margin",
                                             "PosX",
                                             "PosY",
                                             "[Font]",
                                             "Face",
                                             "TitlePx",
                                             "WeekPx",
                                             "DatePx",
                                             "[Color]",
                                             "Bg",
                                             "Today",
                                             "Weekday",
                                             "Saturday",
                                             "Sunday",
                                             "Holiday",
                                             "Schedule",
                                             "[Option]",
                                             "StartMonday",
                                             "ShowOutMonth",
                                             "AutoDeleteOldSchedules",
                                             "HolidayUrl",
                                             "[Schedules]"};
  EXPECT_EQ(KeysInOrder(bytes.substr(3)), expected);
}

// The stored size and position, checked before the window is made: a
// corner no monitor shows and a size too small to use are not taken.
TEST(Startup, WindowOpensAtTheStoredSizeAndPositionWhenUsable) {
  struct Case {
    const char *window;
    bool placed;
    int width, height;
  } cases[] = {
      {"WinW=420\r\nWinH=380\r\nPosX=120\r\nPosY=90", true, 420, 380},
      {"WinW=420\r\nWinH=380\r\nPosX=-30000\r\nPosY=90", false, 420, 380},
      {"WinW=50\r\nWinH=380\r\nPosX=120\r\nPosY=90", true, 300, 380},
  };
  for (const Case &c : cases) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                               std::string("\xEF\xBB\xBF[Window]\r\n") + c.window + "\r\n"));
    Dayglass app(dir.Path(), L"--unknown-switch");
    HWND window = app.WaitForWindow(L"Dayglass");
    ASSERT_NE(window, nullptr) << c.window;
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left == 120 && rect.top == 90, c.placed) << c.window;
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, on;
    EXPECT_TRUE(IntersectRect(&on, &rect, &screen)) << c.window;
    EXPECT_EQ(rect.right - rect.left, c.width) << c.window;
    EXPECT_EQ(rect.bottom - rect.top, c.height) << c.window;
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    // Minimized, then closed from the taskbar: the place it had is saved.
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
    const std::string place =
        "PosX=" + std::to_string(rect.left) + "\r\nPosY=" + std::to_string(rect.top) + "\r\n";
    EXPECT_NE(ReadFileBytes(dir.File(L"calendar.ini")).find(place), std::string::npos) << c.window;
  }
  std::printf("[reliability] the calendar minimized, then closed from the taskbar | 3 | the place "
              "it had stays in PosX and PosY\n");
}

TEST(Startup, HolidaySwitchWithoutAddressFailsWithoutAWindow) {
  TempDir dir;
  const std::string before =
      "\xEF\xBB\xBF[Option]\r\nHolidayUrl=\r\n[Holidays]\r\n2026-01-01=x\r\n";
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), before));
  Dayglass app(dir.Path(), L"/schedule --update-holidays");
  bool sawWindow = false;
  int code = -1;
  WaitUntil([&] {
    sawWindow = sawWindow || app.FindWindowOfClass(L"Dayglass") || app.FindWindowOfClass(L"#32770");
    code = app.WaitForExit(0);
    return code != -1;
  });
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(sawWindow);
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), before);
}
