#include <gtest/gtest.h>

#include <windows.h>

#include <colordlg.h>

#include <cstdio>

#include <string>

#include "calendar/month_grid.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"
#include "tests/support/window_picture.h"

namespace {

const char kIni[] = "\xEF\xBB\xBF[Window]\r\nWinW=300\r\nWinH=320\r\nMargin=10\r\nPosX=40\r\n"
                    "PosY=50\r\n[Option]\r\nShowOutMonth=1\r\n";

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

TEST(SettingsDialogE2e, AppliesPicksAColourResetsAndCancelsInTheRunningCalendar) {
  TempDir dir;
  std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(WriteFileBytes(ini, kIni));
  Dayglass app(dir.Path());
  HWND calendar = app.WaitForWindow(L"Dayglass");
  ASSERT_TRUE(calendar);
  const RECT placed = WindowRect(calendar);
  auto fileHas = [&](const char *line) {
    return ReadFileBytes(ini).find(std::string(line) + "\r\n") != std::string::npos;
  };
  auto sizeIs = [&](int width, int height) {
    RECT rect = WindowRect(calendar);
    return rect.right - rect.left == width && rect.bottom - rect.top == height;
  };

  PostMessageW(calendar, WM_COMMAND, IDM_SETTINGS, 0);
  HWND dialog = app.WaitForWindow(L"#32770");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), calendar);
  POINT origin = {0, 0}, calendarOrigin = {0, 0}; // the two client areas start together
  ClientToScreen(dialog, &origin);
  ClientToScreen(calendar, &calendarOrigin);
  EXPECT_EQ(origin.x, calendarOrigin.x);
  EXPECT_EQ(origin.y, calendarOrigin.y);

  // Apply: the width, the margin and one check box, as a user would change them.
  SetText(dialog, IDC_WIDTH, L"360");
  SetText(dialog, IDC_MARGIN, L"4");
  Click(dialog, IDC_SHOW_OUT_MONTH);
  Click(dialog, IDC_APPLY);
  ASSERT_TRUE(WaitUntil([&] { return fileHas("WinW=360"); }));
  EXPECT_TRUE(WaitUntil([&] { return sizeIs(360, 320); }));
  EXPECT_TRUE(fileHas("Margin=4"));
  EXPECT_TRUE(fileHas("ShowOutMonth=0"));
  EXPECT_EQ(WindowRect(calendar).left, placed.left);
  EXPECT_EQ(WindowRect(calendar).top, placed.top);

  // Defaults: saved with position 0, 0 while the window stays where it is.
  Click(dialog, IDC_DEFAULTS);
  ASSERT_TRUE(WaitUntil([&] { return fileHas("Today=1740031"); }));
  EXPECT_TRUE(WaitUntil([&] { return sizeIs(300, 320); }));
  EXPECT_TRUE(fileHas("PosX=0") && fileHas("PosY=0") && fileHas("WinW=300"));
  EXPECT_TRUE(fileHas("Margin=10") && fileHas("ShowOutMonth=1"));
  EXPECT_EQ(WindowRect(calendar).left, placed.left);
  EXPECT_EQ(WindowRect(calendar).top, placed.top);

  // A colour picked is saved at once. The picker is modal: post, then find it.
  PostMessageW(dialog, WM_COMMAND, IDC_COLOR_BG, 0);
  HWND picker = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (picker = FindOwnedDialog(dialog)) != nullptr; }));
  SetText(picker, COLOR_RED, L"10");
  SetText(picker, COLOR_GREEN, L"20");
  SetText(picker, COLOR_BLUE, L"30");
  PostMessageW(picker, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return fileHas("Bg=1971210"); })); // RGB(10, 20, 30)

  // Cancel closes and undoes nothing already saved.
  ASSERT_TRUE(WaitUntil([&] { return FindOwnedDialog(dialog) == nullptr; }));
  std::string saved = ReadFileBytes(ini);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(ReadFileBytes(ini), saved);
  EXPECT_TRUE(sizeIs(300, 320));

  // The title's settings button opens it again, owned by the calendar.
  RECT client;
  GetClientRect(calendar, &client);
  MonthGrid grid =
      ComputeMonthGrid(client, GetDpiForWindow(calendar), DefaultSettings(), {2026, 1});
  const RECT &button = grid.settingsBox;
  PostMessageW(calendar, WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2));
  dialog = app.WaitForWindow(L"#32770");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), calendar);

  // A file that cannot be written: 適用 and OK say so, the dialog stays
  // open, and the change is saved once the file can be written.
  SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
  SetText(dialog, IDC_MARGIN, L"7");
  for (int button : {IDC_APPLY, IDOK}) {
    Click(dialog, button);
    HWND box = app.WaitForDialog(L"エラー");
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), L"INIファイルの保存に失敗しました。");
    Click(box, IDOK);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog));
  }
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_FALSE(fileHas("Margin=7"));
  SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Signing out of Windows saves what is pending, as the end of the loop would.
  SendTo(calendar, WM_ENDSESSION, TRUE);
  EXPECT_TRUE(fileHas("Margin=7"));
  std::printf(
      "[reliability] 適用 and OK on a read-only calendar.ini, then sign-out | 2 | "
      "\"INIファイルの保存に失敗しました。\", the dialog stays open; the change in the file "
      "once it is writable\n");

  // Closing the calendar saves and ends the process.
  PostMessageW(calendar, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_TRUE(fileHas("Bg=1971210") && fileHas("Today=1740031") && fileHas("Margin=7"));
}

// Not a check: tools/screenshot_settings_dialog.sh runs it inside Wine's
// virtual desktop, so that the frame shows, to take the picture in docs/.
TEST(SettingsDialogE2e, DISABLED_CaptureForDocs) {
  const std::wstring folder = ShotsFolder();
  ASSERT_FALSE(folder.empty());
  TempDir dir;
  ASSERT_TRUE(
      WriteFileBytes(dir.File(L"calendar.ini"), "\xEF\xBB\xBF[Window]\r\nPosX=16\r\nPosY=16\r\n"));
  Dayglass app(dir.Path());
  HWND calendar = app.WaitForWindow(L"Dayglass");
  ASSERT_TRUE(calendar);
  PostMessageW(calendar, WM_COMMAND, IDM_SETTINGS, 0);
  HWND dialog = app.WaitForWindow(L"#32770");
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(SaveWindowPicture(dialog, folder + L"\\settings-dialog.bmp"));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  PostMessageW(calendar, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
}

} // namespace
