// "/update-holidays" run by the real program against a server of the test's
// own, and what a following start paints.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_state.h"
#include "calendar/month_grid.h"
#include "config/ini_text.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "tests/holidays/holiday_fixture.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);

SYSTEMTIME Today() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

// The lines the update must keep, in the order it must keep them.
std::string KeptLines(const std::wstring &url) {
  return kBom +
         "[Window]\r\nWinW=300\r\nWinH=320\r\nMargin=10\r\nPosX=0\r\nPosY=0\r\n\r\n"
         "[Color]\r\nBg=16777215\r\nToday=65280\r\nWeekday=0\r\nSaturday=0\r\nSunday=0\r\n"
         "Holiday=255\r\nSchedule=16711680\r\n"
         "[Option]\r\nShowOutMonth=0\r\nAutoDeleteOldSchedules=0\r\nHolidayUrl=" +
         Utf8(url) + "\r\n; kept as it stands\r\n\r\n" +
         Utf8(L"[Schedules]\r\n0001=2099/03/01 09:00|朝会|\r\n");
}

// The same file with an old holiday section in the middle.
std::string IniBefore(const std::wstring &url) {
  std::string kept = KeptLines(url);
  size_t option = kept.find("[Option]");
  return kept.substr(0, option) + Utf8(L"[Holidays]\r\n2001-01-01=古い祝日\r\n\r\n") +
         kept.substr(option);
}

int RunUpdate(const TempDir &dir) {
  Dayglass app(dir.Path(), L"/update-holidays");
  EXPECT_TRUE(app.Started());
  return app.WaitForExit(60000);
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

int CountPixels(const Capture &capture, const RECT &rect, COLORREF color) {
  int count = 0;
  for (int y = std::max<LONG>(rect.top, 0); y < std::min<LONG>(rect.bottom, capture.height); ++y)
    for (int x = std::max<LONG>(rect.left, 0); x < std::min<LONG>(rect.right, capture.width); ++x)
      count += capture.At(x, y) == color ? 1 : 0;
  return count;
}

} // namespace

TEST(HolidayUpdateSwitch, KeepsEveryOtherLineAndPutsThisYearOnwardLast) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  csv.body = ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  ASSERT_FALSE(csv.body.empty());
  server.Serve("/syukujitsu.csv", csv);

  TempDir dir;
  const std::wstring url = server.Url("/syukujitsu.csv");
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), IniBefore(url)));
  EXPECT_EQ(RunUpdate(dir), 0);

  std::wstring section = L"[Holidays]\r\n";
  for (const HolidayRow &row : FixtureHolidays())
    if (std::stoi(row.date.substr(0, 4)) >= Today().wYear)
      section += row.date + L"=" + row.name + L"\r\n";
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), KeptLines(url) + Utf8(section));
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"/syukujitsu.csv"});
}

TEST(HolidayUpdateSwitch, FailsWithOneAndLeavesTheFileAsItWas) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse headerOnly, missing, good;
  headerOnly.body = HolidayCsv({});
  missing.status = 404;
  missing.reason = "Not Found";
  missing.body = "<html><body>404 Not Found</body></html>\r\n";
  good.body = HolidayCsv({std::to_wstring(Today().wYear) + L"/12/31,大晦日"});
  server.Serve("/header.csv", headerOnly);
  server.Serve("/missing.csv", missing);
  server.Serve("/good.csv", good);
  const struct {
    const char *name;
    std::wstring url;
    bool readOnly;
  } cases[] = {
      {"header only", server.Url("/header.csv"), false},
      {"error page", server.Url("/missing.csv"), false},
      {"unreachable",
       L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/syukujitsu.csv", false},
      {"empty address", L"", false},
      {"read-only calendar.ini", server.Url("/good.csv"), true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring path = dir.File(L"calendar.ini");
    const std::string before = IniBefore(c.url);
    ASSERT_TRUE(WriteFileBytes(path, before));
    if (c.readOnly) {
      ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_EQ(RunUpdate(dir), 1);
    EXPECT_EQ(ReadFileBytes(path), before);
  }
  // The empty address reached no network at all.
  EXPECT_EQ(server.Requests(),
            (std::vector<std::string>{"/header.csv", "/missing.csv", "/good.csv"}));
}

TEST(HolidayUpdateSwitch, AFollowingStartPaintsTheNewHolidaysInTheHolidayColour) {
  const SYSTEMTIME today = Today();
  // Two days of this month that are not today: one becomes a holiday, the
  // other shows what an ordinary day looks like in the same colours.
  int holiday = today.wDay == 15 ? 16 : 15;
  int ordinary = today.wDay == 14 ? 13 : 14;
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  csv.body = HolidayCsv({std::to_wstring(today.wYear) + L"/" + std::to_wstring(today.wMonth) +
                         L"/" + std::to_wstring(holiday) + L",試験の日"});
  server.Serve("/syukujitsu.csv", csv);

  TempDir dir;
  const std::wstring url = server.Url("/syukujitsu.csv");
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), IniBefore(url)));
  ASSERT_EQ(RunUpdate(dir), 0);

  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(DecodeIniBytes(KeptLines(url)), settings);
  RECT client;
  GetClientRect(window, &client);
  MonthGrid grid = ComputeMonthGrid(client, static_cast<int>(GetDpiForWindow(window)), settings,
                                    DisplayedMonth{today.wYear, today.wMonth});
  auto cellOf = [&](int day) {
    for (const GridCell &cell : grid.cells)
      if (cell.inMonth && cell.day == day)
        return cell.rect;
    return RECT{};
  };

  Capture capture;
  EXPECT_TRUE(WaitUntil([&] {
    capture = CaptureClient(window);
    return CountPixels(capture, cellOf(holiday), kRed) > 0;
  })) << "no day number in the holiday colour";
  EXPECT_EQ(CountPixels(capture, cellOf(ordinary), kRed), 0);
  EXPECT_GT(CountPixels(capture, cellOf(ordinary), RGB(0, 0, 0)), 0);
}

TEST(HolidayUpdateButton, ShowsProgressKeepsTheCalendarPaintingAndCancelsAtOnce) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse slow;
  slow.body = ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  slow.pieceBytes = 512; // the whole list would take minutes
  slow.pieceEveryMs = 1000;
  server.Serve("/syukujitsu.csv", slow);
  TempDir dir;
  const std::wstring ini = dir.File(L"calendar.ini");
  const std::string before = IniBefore(server.Url("/syukujitsu.csv"));
  ASSERT_TRUE(WriteFileBytes(ini, before));
  const std::vector<std::wstring> temporaries = HolTemporaries();

  Dayglass app(dir.Path());
  HWND calendar = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(calendar, nullptr);
  PostMessageW(calendar, WM_COMMAND, IDM_SETTINGS, 0);
  HWND settings = app.WaitForWindow(L"#32770");
  ASSERT_NE(settings, nullptr);
  // Beside the calendar rather than over it, so that its paint shows.
  RECT placed = {};
  GetWindowRect(calendar, &placed);
  SetWindowPos(settings, nullptr, placed.right + 8, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PostMessageW(settings, WM_COMMAND, IDC_HOLIDAY_UPDATE, 0);
  HWND progress = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (progress = FindOwnedDialog(settings, L"祝日データの取得")); }));
  EXPECT_TRUE(WaitUntil([&] {
    std::wstring text(64, L'\0');
    text.resize(
        static_cast<size_t>(GetDlgItemTextW(progress, IDC_HOLIDAY_PROGRESS_TEXT, &text[0], 64)));
    return text.find(L"KB") != std::wstring::npos && text.find(L" 0 KB") == std::wstring::npos;
  })) << "no bytes shown as received";

  // While the download runs the calendar answers and paints the next month.
  EXPECT_TRUE(Answers(calendar));
  EXPECT_TRUE(Answers(settings));
  const Capture shown = CaptureClient(calendar);
  PostMessageW(calendar, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_TRUE(WaitUntil([&] { return CaptureClient(calendar).pixels != shown.pixels; }));

  PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(progress); }));
  // A sent message ends the modal loop that Wine keeps until the next one.
  EXPECT_TRUE(Answers(settings));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(progress); }));
  EXPECT_TRUE(Answers(settings));
  EXPECT_EQ(FindOwnedDialog(settings), nullptr) << "a message after cancelling";
  EXPECT_EQ(ReadFileBytes(ini), before);
  EXPECT_TRUE(WaitUntil([&] { return HolTemporaries() == temporaries; }));
  std::printf("[reliability] download: \"更新\" against a server that would take minutes, "
              "cancelled | 1 | calendar paints meanwhile, cancel ends it at once, no message, "
              "file unchanged, no temporary file\n");
}
