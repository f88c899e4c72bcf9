// The calendar window as a user meets it: today's and the schedules' fills,
// holiday numbers, paging with the wheel and back with the middle button,
// the day popup on a double-click, and the menu's exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <oleacc.h>

#include "calendar/day_change.h"
#include "calendar/day_focus.h"
#include "calendar/month_grid.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"
#include "tests/support/window_picture.h"

namespace {

const COLORREF kHolidayGreen = RGB(0, 255, 0);

std::string Date(DisplayedMonth month, int day, const char *format) {
  char text[32];
  snprintf(text, sizeof text, format, month.year, month.month, day);
  return text;
}

// "0001=2026/03/20 09:00|text|"
std::string ScheduleLine(int index, DisplayedMonth month, int day, const char *time,
                         const std::string &text) {
  char key[16];
  snprintf(key, sizeof key, "%04d=", index);
  return key + Date(month, day, "%04d/%02d/%02d ") + time + "|" + text + "|\r\n";
}

std::string HolidayLine(DisplayedMonth month, int day, const std::string &name) {
  return Date(month, day, "%04d-%02d-%02d=") + name + "\r\n";
}

MonthGrid GridOf(HWND window, DisplayedMonth shown) {
  RECT client;
  GetClientRect(window, &client);
  return ComputeMonthGrid(client, 96, StartupSettings(), shown);
}

const GridCell &CellOf(const MonthGrid &grid, int day) {
  return grid.cells[grid.firstColumn + day - 1];
}

POINT Centre(const RECT &rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Whether the window shows exactly these fills: today's (0 for none) and the
// scheduled days', read at the corners of every in-month cell.
bool ShowsFills(HWND window, DisplayedMonth shown, int today, const std::set<int> &scheduled) {
  const AppSettings settings = StartupSettings();
  Capture capture = CaptureClient(window);
  if (capture.width == 0)
    return false;
  MonthGrid grid = GridOf(window, shown);
  for (const GridCell &cell : grid.cells) {
    if (!cell.inMonth)
      continue;
    RECT inner = cell.rect;
    InflateRect(&inner, -2, -2);
    COLORREF top = settings.Bg, bottom = settings.Bg;
    bool hasSchedule = scheduled.count(cell.day) > 0;
    if (cell.day == today) {
      top = hasSchedule ? settings.Schedule : settings.Today;
      bottom = settings.Today;
    } else if (hasSchedule) {
      top = bottom = settings.Schedule;
    }
    if (capture.At(inner.left, inner.top) != top ||
        capture.At(inner.right - 1, inner.bottom - 1) != bottom ||
        capture.At(cell.rect.left, cell.rect.top) != settings.Bg)
      return false;
  }
  return true;
}

HWND PopupOf(const Dayglass &app) {
  return app.FindWindowOfClass(L"SchedulePopup");
}

// The popup's size for its lines as the system measures them: the message
// font enlarged by 1.3, text wrapped at 284, 8 px around, 12 px a separator.
SIZE ExpectedPopupSize(const std::vector<std::wstring> &texts, int separators) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = static_cast<LONG>(font.lfHeight * 1.3);
  HFONT handle = CreateFontIndirectW(&font);
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, handle);
  int width = 84, height = 16 + 12 * separators;
  for (const std::wstring &text : texts) {
    RECT bounds = {0, 0, 284, 10000};
    height +=
        DrawTextW(screen, text.c_str(), -1, &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    width = std::max(width, static_cast<int>(bounds.right));
  }
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(handle);
  return {std::min(width + 16, 300), height};
}

class CalendarWindowE2e : public ::testing::Test {
protected:
  void SetUp() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    today = now.wDay;
    current = {now.wYear, now.wMonth};
    next = AddMonths(current, 1);
    afterNext = AddMonths(current, 2);
    // Three days of this month other than today.
    std::vector<int> days;
    for (int day : {10, 12, 14, 16})
      if (day != today)
        days.push_back(day);
    busyDay = days[0];
    holidayDay = days[1];
    emptyDay = days[2];
  }
  int today = 0, busyDay = 0, holidayDay = 0, emptyDay = 0;
  DisplayedMonth current{}, next{}, afterNext{};
};

TEST_F(CalendarWindowE2e, FillsHolidaysPagingAndTheDayPopup) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(
      dir.File(L"calendar.ini"),
      kBom + "[Window]\r\nPosX=40\r\nPosY=40\r\n[Color]\r\nHoliday=65280\r\n[Schedules]\r\n" +
          ScheduleLine(1, current, busyDay, "09:00", "会議") +
          ScheduleLine(2, next, 5, "12:00", "昼食") +
          ScheduleLine(3, afterNext, 15, "08:00", "出張") +
          ScheduleLine(4, current, busyDay, "07:05", "歯医者") + "[Holidays]\r\n" +
          HolidayLine(current, busyDay, "春分の日") + HolidayLine(current, holidayDay, "祝日")));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);

  // Today's fill and the schedule's, and nothing else.
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));
  Capture capture = CaptureClient(window);
  MonthGrid grid = GridOf(window, current);
  EXPECT_GT(CountColor(capture, CellOf(grid, holidayDay).rect, kHolidayGreen), 10);
  EXPECT_GT(CountColor(capture, CellOf(grid, busyDay).rect, kHolidayGreen), 10);
  EXPECT_EQ(CountColor(capture, CellOf(grid, emptyDay).rect, kHolidayGreen), 0);

  // One month per wheel message, whatever its delta; the middle button returns.
  POINT inside = {60, 60};
  LPARAM screenPoint = MAKELPARAM(inside.x, inside.y);
  SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), screenPoint);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, next, 0, {5}); }));
  SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), screenPoint);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, afterNext, 0, {15}); }));
  SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), screenPoint);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, next, 0, {5}); }));
  SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), screenPoint);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, afterNext, 0, {15}); }));
  SendTo(window, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(20, 20));
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));

  // A double-click on the busy day: the popup at the cursor, sized to its five lines.
  POINT point = Centre(CellOf(grid, busyDay).rect);
  POINT cursor = point;
  ClientToScreen(window, &cursor);
  SetCursorPos(cursor.x, cursor.y);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  HWND popup = app.WaitForWindow(L"SchedulePopup");
  ASSERT_NE(popup, nullptr);
  SIZE size = ExpectedPopupSize({L"\u25CF祝日 春分の日", L"09:00 会議", L"07:05 歯医者"}, 2);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT rect;
  GetWindowRect(popup, &rect);
  EXPECT_EQ(rect.right - rect.left, size.cx);
  EXPECT_EQ(rect.bottom - rect.top, size.cy);
  int left = cursor.x + size.cx > work.right ? work.right - size.cx - 1 : cursor.x;
  int top = cursor.y + size.cy > work.bottom ? work.bottom - size.cy - 1 : cursor.y;
  EXPECT_EQ(rect.left, left);
  EXPECT_EQ(rect.top, top);
  EXPECT_EQ(GetWindowLongPtrW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), window);

  // An empty day, a day of the next month: nothing, and the open popup stays.
  POINT empty = Centre(CellOf(grid, emptyDay).rect);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(empty.x, empty.y));
  POINT trailing = Centre(grid.cells[41].rect);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(trailing.x, trailing.y));
  EXPECT_EQ(PopupOf(app), popup);
  SendTo(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(popup));
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(empty.x, empty.y));
  EXPECT_EQ(PopupOf(app), nullptr);

  // The holiday alone.
  POINT holiday = Centre(CellOf(grid, holidayDay).rect);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(holiday.x, holiday.y));
  popup = app.WaitForWindow(L"SchedulePopup");
  ASSERT_NE(popup, nullptr);
  GetWindowRect(popup, &rect);
  EXPECT_EQ(rect.bottom - rect.top, ExpectedPopupSize({L"\u25CF祝日 祝日"}, 0).cy);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
}

TEST_F(CalendarWindowE2e, ExitCommandSavesTheSchedulesOnly) {
  TempDir dir;
  // Unnumbered, LF-only and ahead of the holidays: a save shows in every byte.
  const std::string before = kBom + "[Schedules]\n7=" + Date(current, busyDay, "%04d/%02d/%02d") +
                             " 9:5|会議|\n[Holidays]\n" +
                             Date(current, holidayDay, "%04d-%02d-%02d=祝日\n");
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), before));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));

  PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")),
            kBom + "[Holidays]\r\n" + Date(current, holidayDay, "%04d-%02d-%02d=祝日\r\n") +
                "[Schedules]\r\n" + ScheduleLine(1, current, busyDay, "09:05", "会議"));
}

// Keys page as the wheel and the middle button do; Esc closes the popup;
// the menu key's WM_CONTEXTMENU opens the menu at the window, a right click
// still opens one menu only; the popup passes the wheel and the middle
// button on and stays open.
TEST_F(CalendarWindowE2e, KeysTheMenuKeyAndThePopupsWheel) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                             kBom + "[Window]\r\nPosX=40\r\nPosY=40\r\n[Schedules]\r\n" +
                                 ScheduleLine(1, current, busyDay, "09:00", "会議")));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));

  struct Step {
    WPARAM key;
    DisplayedMonth shown;
  } steps[] = {{VK_NEXT, next}, {VK_NEXT, afterNext}, {VK_PRIOR, next}, {VK_HOME, current}};
  for (const Step &step : steps) {
    SendTo(window, WM_KEYDOWN, step.key, 1);
    bool thisMonth = step.shown.year == current.year && step.shown.month == current.month;
    EXPECT_TRUE(WaitUntil([&] {
      return thisMonth ? ShowsFills(window, current, today, {busyDay})
                       : ShowsFills(window, step.shown, 0, {});
    })) << step.key;
  }

  // The popup beside the window, clear of the cells the checks read.
  RECT frame;
  GetWindowRect(window, &frame);
  SetCursorPos(frame.right + 20, frame.top + 40);
  POINT busy = Centre(CellOf(GridOf(window, current), busyDay).rect);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(busy.x, busy.y));
  HWND popup = app.WaitForWindow(L"SchedulePopup");
  ASSERT_NE(popup, nullptr);
  SendTo(popup, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(frame.right + 30, frame.top + 50));
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, next, 0, {}); }));
  SendTo(popup, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));
  EXPECT_EQ(PopupOf(app), popup);
  SendTo(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_FALSE(IsWindow(popup));

  // The keyboard's form of WM_CONTEXTMENU: the menu at the client's corner.
  PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-1, -1));
  HWND menu = app.WaitForWindow(L"#32768");
  ASSERT_NE(menu, nullptr);
  POINT corner = {0, 0};
  ClientToScreen(window, &corner);
  RECT menuRect;
  GetWindowRect(menu, &menuRect);
  EXPECT_EQ(menuRect.left, corner.x);
  EXPECT_EQ(menuRect.top, corner.y);
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1); // read by the menu's own loop
  EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOfClass(L"#32768") == nullptr; }));

  // A right click: one menu, and none after it is dismissed.
  PostMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(60, 60));
  ASSERT_NE(app.WaitForWindow(L"#32768"), nullptr);
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(WaitUntil([&] { return app.FindWindowOfClass(L"#32768") == nullptr; }));
  SendTo(window, WM_NULL); // a second menu would be open by now
  EXPECT_EQ(app.FindWindowOfClass(L"#32768"), nullptr);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
}

// A window whose caption no monitor shows any more, after a display or
// work-area change, moves just inside the work area and keeps that place in
// calendar.ini; one the user can still take stays where it is.
TEST_F(CalendarWindowE2e, ScreenChangesBringTheCaptionBack) {
  TempDir dir;
  ASSERT_TRUE(
      WriteFileBytes(dir.File(L"calendar.ini"), kBom + "[Window]\r\nPosX=40\r\nPosY=40\r\n"));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame;
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  auto stored = [&](int x, int y) {
    std::string position = "PosX=" + std::to_string(x) + "\r\nPosY=" + std::to_string(y) + "\r\n";
    return ReadFileBytes(dir.File(L"calendar.ini")).find(position) != std::string::npos;
  };
  struct Case {
    POINT moved;
    UINT message;
    WPARAM wParam;
    POINT expected;
  } cases[] = {
      {{-5000, -5000}, WM_SETTINGCHANGE, SPI_SETWORKAREA, {work.left, work.top}},
      {{5000, 3000}, WM_DISPLAYCHANGE, 32, {work.right - width, work.bottom - height}},
      {{100, 120}, WM_DISPLAYCHANGE, 32, {100, 120}}, // reachable: not moved, not saved
  };
  for (const Case &c : cases) {
    SetWindowPos(window, nullptr, c.moved.x, c.moved.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendTo(window, c.message, c.wParam, 0);
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, c.expected.x) << c.moved.x;
    EXPECT_EQ(frame.top, c.expected.y) << c.moved.x;
  }
  EXPECT_TRUE(stored(work.right - width, work.bottom - height));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
}

// Run at 96 DPI with the others and at 144 DPI by the calendar_144dpi test:
// the default size is a 96-DPI size, opened and restored ("規定値") at the
// window's DPI; a stored size is pixels and stays as it is.
TEST_F(CalendarWindowE2e, DefaultSizeAtThisDpi) {
  // The test's coordinates in physical pixels, as the calendar's.
  DPI_AWARENESS_CONTEXT before =
      SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  TempDir dir;
  auto sizeOf = [](HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
  };
  auto storedSize = [&](int width, int height) {
    std::string size = "WinW=" + std::to_string(width) + "\r\nWinH=" + std::to_string(height);
    return ReadFileBytes(dir.File(L"calendar.ini")).find(size) != std::string::npos;
  };
  int dpi = 0;
  {
    Dayglass app(dir.Path()); // no calendar.ini: a first run
    HWND window = app.WaitForWindow(L"Dayglass");
    ASSERT_NE(window, nullptr);
    dpi = static_cast<int>(GetDpiForWindow(window));
    wchar_t prefixDpi[8] = L"96";
    GetEnvironmentVariableW(L"DAYGLASS_DPI", prefixDpi, 8);
    ASSERT_EQ(dpi, _wtoi(prefixDpi));
    SIZE size = sizeOf(window);
    EXPECT_EQ(size.cx, MulDiv(300, dpi, 96)) << dpi;
    EXPECT_EQ(size.cy, MulDiv(320, dpi, 96)) << dpi;
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
    EXPECT_TRUE(storedSize(size.cx, size.cy));
  }
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                             kBom + "[Window]\r\nWinW=500\r\nWinH=400\r\nPosX=40\r\nPosY=40\r\n"));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(sizeOf(window).cx, 500);
  EXPECT_EQ(sizeOf(window).cy, 400);
  PostMessageW(window, WM_COMMAND, IDM_SETTINGS, 0);
  HWND dialog = app.WaitForDialog(L"設定");
  ASSERT_NE(dialog, nullptr);
  SendTo(dialog, WM_COMMAND, IDC_DEFAULTS, 0);
  EXPECT_EQ(sizeOf(window).cx, MulDiv(300, dpi, 96));
  EXPECT_EQ(sizeOf(window).cy, MulDiv(320, dpi, 96));
  EXPECT_TRUE(storedSize(MulDiv(300, dpi, 96), MulDiv(320, dpi, 96)));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  SetThreadDpiAwarenessContext(before);
}

// Run by the calendar_midnight test, whose Wine processes share a fake
// clock set seconds before the year's last midnight: with no input, the
// calendar left on today's month moves to the new day's month with the new
// day filled; one paged to another month stays there.
TEST_F(CalendarWindowE2e, FollowsTheDateAcrossMidnight) {
  if (!GetEnvironmentVariableW(L"DAYGLASS_FAKE_TIME", nullptr, 0))
    GTEST_SKIP() << "only on the fake clock of the calendar_midnight test";
  const DisplayedMonth before = AddMonths(current, -1);
  const CalendarDate tomorrow = today < DaysInMonth(current.year, current.month)
                                    ? CalendarDate{current.year, current.month, today + 1}
                                    : CalendarDate{next.year, next.month, 1};
  const int kMarked = today == 10 ? 11 : 10;
  const std::string files[] = {"[Window]\r\nPosX=40\r\nPosY=40\r\n",
                               "[Window]\r\nPosX=400\r\nPosY=40\r\n[Schedules]\r\n" +
                                   ScheduleLine(1, current, kMarked, "09:00", "x")};
  TempDir dirs[2];
  std::unique_ptr<Dayglass> apps[2];
  HWND windows[2] = {};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(WriteFileBytes(dirs[i].File(L"calendar.ini"), kBom + files[i]));
    apps[i].reset(new Dayglass(dirs[i].Path()));
    windows[i] = apps[i]->WaitForWindow(L"Dayglass");
    ASSERT_NE(windows[i], nullptr);
  }
  HWND left = windows[0], paged = windows[1];
  SendTo(paged, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(left, current, today, {}); }));
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(paged, before, 0, {}); }));
  SYSTEMTIME now;
  GetLocalTime(&now);
  ASSERT_EQ(now.wDay, today) << "midnight passed while the calendars started: start earlier";

  const DisplayedMonth after = {tomorrow.year, tomorrow.month};
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  int wait = static_cast<int>(MillisecondsToMidnight(utc, nullptr)) + 15000;
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(left, after, tomorrow.day, {}); }, wait));
  // Past midnight for certain, the paged calendar has seen the new day too:
  // one month on from where it stayed is the old today's month, now with
  // only its schedule filled.
  SendTo(paged, WM_TIMECHANGE);
  SendTo(paged, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(paged, current, 0, {kMarked}); }));

  for (int i = 0; i < 2; ++i) {
    PostMessageW(windows[i], WM_CLOSE, 0, 0);
    EXPECT_EQ(apps[i]->WaitForExit(), 0);
  }
}

// Pictures for the documentation, taken by tools/take_screenshots.sh inside
// Wine's virtual desktop so that the frames show.
class CalendarPictures : public ::testing::Test {
protected:
  // March 2026 with a holiday on a Friday, one on a Monday of February, and schedules.
  static std::string MarchData() {
    const DisplayedMonth february = {2026, 2}, march = {2026, 3}, april = {2026, 4};
    return "[Schedules]\r\n" + ScheduleLine(1, march, 2, "10:00", "歯医者 (駅前)") +
           ScheduleLine(2, march, 11, "19:00", "佐藤さんと夕食\\n渋谷駅 ハチ公口") +
           ScheduleLine(3, march, 20, "09:00", "墓参り") +
           ScheduleLine(4, march, 20, "13:30", "買い物") +
           ScheduleLine(5, march, 27, "14:00", "定例会議") +
           ScheduleLine(6, april, 3, "09:30", "健康診断") + "[Holidays]\r\n" +
           HolidayLine(february, 11, "建国記念の日") + HolidayLine(february, 23, "天皇誕生日") +
           HolidayLine(march, 20, "春分の日") + HolidayLine(april, 29, "昭和の日");
  }
  // Starts the program on a calendar.ini and pages to March 2026 when asked.
  HWND Start(const std::string &ini, bool toMarch2026) {
    EXPECT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), kBom + ini));
    app.reset(new Dayglass(dir.Path()));
    HWND window = app->WaitForWindow(L"Dayglass");
    if (window && toMarch2026) {
      SYSTEMTIME now;
      GetLocalTime(&now);
      int months = (2026 * 12 + 3) - (now.wYear * 12 + now.wMonth);
      for (int i = 0; i < std::abs(months); ++i)
        SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, months > 0 ? 120 : static_cast<WORD>(-120)), 0);
    }
    return window;
  }
  void Stop(HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(app->WaitForExit(), 0);
    app.reset();
  }
  TempDir dir;
  std::unique_ptr<Dayglass> app;
};

TEST_F(CalendarPictures, DISABLED_CaptureForDocs) {
  const std::wstring folder = ShotsFolder();
  ASSERT_FALSE(folder.empty());
  const std::string position = "[Window]\r\nPosX=16\r\nPosY=16\r\n";
  struct Shot {
    const wchar_t *name;
    std::string ini;
    bool march;
  };
  const Shot shots[] = {
      {L"calendar-default", position, false},
      {L"calendar-march-2026", position + MarchData(), true},
      {L"calendar-start-monday", position + "[Option]\r\nStartMonday=1\r\n" + MarchData(), true},
      {L"calendar-no-out-month", position + "[Option]\r\nShowOutMonth=0\r\n" + MarchData(), true},
  };
  for (const Shot &shot : shots) {
    HWND window = Start(shot.ini, shot.march);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SaveWindowPicture(window, folder + L"\\" + shot.name + L".bmp"));
    Stop(window);
  }

  // The popup of 20 March, over the window it belongs to.
  HWND window = Start(position + MarchData(), true);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SaveWindowPicture(window, folder + L"\\popup-before.bmp"));
  POINT point = Centre(CellOf(GridOf(window, {2026, 3}), 20).rect);
  POINT cursor = point;
  ClientToScreen(window, &cursor);
  SetCursorPos(cursor.x, cursor.y);
  SendTo(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  HWND popup = app->WaitForWindow(L"SchedulePopup");
  ASSERT_NE(popup, nullptr);
  RECT frame, popupRect;
  GetWindowRect(window, &frame);
  GetWindowRect(popup, &popupRect);
  UnionRect(&frame, &frame, &popupRect);
  InflateRect(&frame, 8, 8);
  std::string last, now;
  ASSERT_TRUE(WaitUntil([&] {
    last.swap(now);
    now = RectBmp(frame);
    return now == last;
  }));
  EXPECT_TRUE(WriteFileBytes(folder + L"\\popup.bmp", now));
  Stop(window);
  DeleteFileW((folder + L"\\popup-before.bmp").c_str());
}

// The calendar and its schedule list at 150 %: tools/screenshot_high_dpi.sh
// runs it in a prefix at 144 DPI.
TEST_F(CalendarPictures, DISABLED_CaptureAtHighDpiForDocs) {
  const std::wstring folder = ShotsFolder();
  ASSERT_FALSE(folder.empty());
  HWND window = Start("[Window]\r\nPosX=16\r\nPosY=16\r\n" + MarchData(), true);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(SaveWindowPicture(window, folder + L"\\calendar-144dpi.bmp"));
  PostMessageW(window, WM_COMMAND, IDM_SCHEDULE_LIST, 0);
  HWND list = app->WaitForWindow(L"#32770");
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(SaveWindowPicture(list, folder + L"\\schedule-list-144dpi.bmp"));
  PostMessageW(list, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntilGone(list));
  Stop(window);
}

} // namespace

// Other programs change calendar.ini while the calendar stays untouched: a
// "/schedule" shortcut adds, a sync client replaces the file, the holiday
// update from Task Scheduler writes the holidays. Each shows without input,
// and the calendar's close keeps all of it.
TEST_F(CalendarWindowE2e, FollowsWhatOtherProgramsWrite) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  csv.body = "Date,Name\r\n" + Date(current, holidayDay, "%d/%d/%d") + ",Test\r\n";
  server.Serve("/holidays.csv", csv);
  TempDir dir;
  const std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(
      WriteFileBytes(ini, kBom +
                              "[Window]\r\nPosX=40\r\nPosY=40\r\n[Color]\r\nHoliday=65280\r\n"
                              "[Option]\r\nHolidayUrl=" +
                              Utf8(server.Url("/holidays.csv")) + "\r\n[Schedules]\r\n" +
                              ScheduleLine(1, current, busyDay, "09:00", "stored")));
  Dayglass calendar(dir.Path());
  HWND window = calendar.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));

  // Late in a day not yet over, as the edit dialog takes only times to come.
  const int added = std::max(today, 28);
  Dayglass shortcut(dir.Path(), L"/schedule");
  HWND list = shortcut.WaitForDialog(L"予定一覧");
  ASSERT_NE(list, nullptr);
  Click(list, IDC_SCHEDULE_ADD);
  HWND edit = shortcut.WaitForDialog(L"予定編集");
  ASSERT_NE(edit, nullptr);
  const std::pair<int, std::wstring> fields[] = {{IDC_EDIT_YEAR, std::to_wstring(current.year)},
                                                 {IDC_EDIT_MONTH, std::to_wstring(current.month)},
                                                 {IDC_EDIT_DAY, std::to_wstring(added)},
                                                 {IDC_EDIT_HOUR, L"23"},
                                                 {IDC_EDIT_MINUTE, L"59"},
                                                 {IDC_EDIT_TEXT, L"shortcut"}};
  for (const auto &field : fields)
    SetText(edit, field.first, field.second);
  PostButton(edit, IDOK);
  // The list opens over the calendar: it is closed first, once it has saved.
  ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(ini).find("shortcut") != std::string::npos; }));
  PostMessageW(list, WM_CLOSE, 0, 0);
  EXPECT_EQ(shortcut.WaitForExit(), 0);
  EXPECT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay, added}); }));

  // A sync client's replacement: a new file renamed over the old one.
  std::string bytes = ReadFileBytes(ini);
  const std::string header = "[Schedules]\r\n";
  bytes.insert(bytes.find(header) + header.size(),
               ScheduleLine(9, current, emptyDay, "10:00", "sync"));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"sync.tmp"), bytes));
  ASSERT_TRUE(MoveFileExW(dir.File(L"sync.tmp").c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(WaitUntil([&] {
    return ShowsFills(window, current, today, {busyDay, added, emptyDay});
  }));

  Dayglass update(dir.Path(), L"/update-holidays");
  EXPECT_EQ(update.WaitForExit(30000), 0);
  EXPECT_TRUE(WaitUntil([&] {
    return CountColor(CaptureClient(window), CellOf(GridOf(window, current), holidayDay).rect,
                      kHolidayGreen) > 10;
  }));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(calendar.WaitForExit(), 0);
  bytes = ReadFileBytes(ini);
  for (const char *kept : {"|stored|", "|shortcut|", "|sync|", "=Test\r\n", "PosX=40"})
    EXPECT_NE(bytes.find(kept), std::string::npos) << kept;
}

namespace {

// Our own copy, as the program has: mingw's library exports it without dllimport.
const IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// What a screen reader hears of the calendar's process.
struct Heard {
  DWORD event;
  LONG object, child;
};
std::vector<Heard> g_heard;
void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
  g_heard.push_back({event, object, child});
}
// Out-of-context events arrive as messages of this thread.
bool HeardEvent(DWORD event, LONG child) {
  return WaitUntil([&] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
    return std::any_of(g_heard.begin(), g_heard.end(), [&](const Heard &heard) {
      return heard.event == event && heard.object == OBJID_CLIENT && heard.child == child;
    });
  });
}

VARIANT Child(LONG child) {
  VARIANT variant = {};
  variant.vt = VT_I4;
  variant.lVal = child;
  return variant;
}

std::wstring NameOf(IAccessible *object, LONG child) {
  BSTR name = nullptr;
  object->get_accName(Child(child), &name);
  std::wstring text = name ? name : L"";
  SysFreeString(name);
  return text;
}

void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

} // namespace

// A screen reader in another process: the month and its 42 days with their
// names and places, a hit test, the events of real keys, and Enter opening
// the focused day's popup, whose window text holds what it shows.
TEST_F(CalendarWindowE2e, ScreenReadersHearReachAndOpenEveryDay) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                             kBom + "[Window]\r\nPosX=40\r\nPosY=40\r\n[Holidays]\r\n" +
                                 HolidayLine(current, holidayDay, "テスト休日") +
                                 "[Schedules]\r\n" +
                                 ScheduleLine(1, current, busyDay, "09:00", "朝会") +
                                 ScheduleLine(2, current, busyDay, "13:30", "歯医者")));
  Dayglass calendar(dir.Path());
  HWND window = calendar.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ShowsFills(window, current, today, {busyDay}); }));
  CoInitialize(nullptr); // the screen reader's side of COM
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, Hear,
                                       calendar.ProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  IAccessible *month = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, kIidAccessible,
                                       reinterpret_cast<void **>(&month)),
            S_OK);
  EXPECT_EQ(NameOf(month, CHILDID_SELF), MonthName(current.year, current.month));
  long count = 0;
  month->get_accChildCount(&count);
  ASSERT_EQ(count, 42);
  const MonthGrid grid = GridOf(window, current);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const std::wstring holiday = L"テスト休日";
  for (LONG child = 1; child <= 42; ++child) {
    const GridCell &cell = grid.cells[child - 1];
    const bool inMonth = cell.inMonth;
    std::wstring expected = DayName({cell.year, cell.month, cell.day}, inMonth && cell.day == today,
                                    inMonth && cell.day == holidayDay ? &holiday : nullptr,
                                    inMonth && cell.day == busyDay ? 2 : 0);
    EXPECT_EQ(NameOf(month, child), expected) << child;
    long left = 0, top = 0, width = 0, height = 0;
    month->accLocation(&left, &top, &width, &height, Child(child));
    EXPECT_EQ(
        std::vector<long>({left, top, width, height}),
        std::vector<long>({origin.x + cell.rect.left, origin.y + cell.rect.top,
                           cell.rect.right - cell.rect.left, cell.rect.bottom - cell.rect.top}));
  }
  const LONG busy = grid.firstColumn + busyDay, holidayChild = grid.firstColumn + holidayDay;
  EXPECT_EQ(NameOf(month, busy).rfind(Wide(Date(current, busyDay, "%d年%d月%d日 ")), 0), 0u);
  EXPECT_NE(NameOf(month, busy).find(L"曜日 予定 2件"), std::wstring::npos);
  EXPECT_NE(NameOf(month, holidayChild).find(L" 祝日 テスト休日"), std::wstring::npos);
  EXPECT_NE(NameOf(month, grid.firstColumn + today).find(L" 今日"), std::wstring::npos);
  BSTR description = nullptr;
  month->get_accDescription(Child(busy), &description);
  EXPECT_EQ(std::wstring(description ? description : L""), L"09:00 朝会 / 13:30 歯医者");
  SysFreeString(description);

  IAccessible *hit = nullptr;
  VARIANT hitChild = {};
  POINT centre = Centre(grid.cells[holidayChild - 1].rect);
  ASSERT_EQ(AccessibleObjectFromPoint({origin.x + centre.x, origin.y + centre.y}, &hit, &hitChild),
            S_OK);
  EXPECT_EQ(hitChild.vt, VT_I4);
  EXPECT_EQ(hitChild.lVal, holidayChild);
  hit->Release();

  // Keys as a keyboard user presses them, in the calendar with the focus.
  SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
  month->accSelect(SELFLAG_TAKEFOCUS, Child(busy));
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_FOCUS, busy));
  PressKey(VK_RETURN);
  HWND popup = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (popup = PopupOf(calendar)) != nullptr; }));
  wchar_t shown[256] = {};
  GetWindowTextW(popup, shown, 256);
  EXPECT_STREQ(shown, L"09:00 朝会\r\n13:30 歯医者");
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return PopupOf(calendar) == nullptr; }));
  PressKey(VK_RIGHT);
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_FOCUS, busy + 1));
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_SELECTION, busy + 1));
  PressKey(VK_NEXT);
  EXPECT_TRUE(HeardEvent(EVENT_OBJECT_NAMECHANGE, CHILDID_SELF));
  EXPECT_EQ(NameOf(month, CHILDID_SELF), MonthName(next.year, next.month));

  month->Release();
  UnhookWinEvent(hook);
  CoUninitialize();
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(calendar.WaitForExit(), 0);
}
