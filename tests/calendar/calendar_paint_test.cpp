#include "calendar/calendar_paint.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "calendar/month_grid.h"
#include "popup/day_popup.h"
#include "resources/resource.h"
#include "tests/support/test_support.h"

namespace {

const RECT kClient = {0, 0, 294, 291};

// PaintMonth on a Bg-filled bitmap of the client's size, as the window does.
Capture PaintToPixels(const RECT &client) {
  return CaptureDrawing(client.right, client.bottom, [&](HDC dc) {
    BrushOwner background(CreateSolidBrush(g_app.settings.Bg));
    FillRect(dc, &client, background.Get());
    PaintMonth(dc, client);
  });
}

int Area(const RECT &rect) {
  return (rect.right - rect.left) * (rect.bottom - rect.top);
}

class PaintMonthTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterPixelFontsOnce();
    g_app.settings = DefaultSettings();
    g_app.settings.DatePx = 16; // the pixel font draws whole pixels at 8, 16, 24
    g_app.settings.WeekPx = 16;
    g_app.settings.Holiday = RGB(0, 255, 0); // apart from Sunday's red
    GetLocalTime(&today);
    g_app.displayed = {today.wYear, today.wMonth};
    g_app.today = {today.wYear, today.wMonth, today.wDay};
    CreateCalendarFonts(96);
  }
  MonthGrid Grid() const { return ComputeMonthGrid(kClient, 96, g_app.settings, g_app.displayed); }
  const GridCell &CellOf(const MonthGrid &grid, int day) const {
    return grid.cells[grid.firstColumn + day - 1];
  }
  static RECT Inner(const GridCell &cell) {
    RECT inner = cell.rect;
    InflateRect(&inner, -2, -2);
    return inner;
  }
  // A day of this month that is not today.
  int OtherDay() const { return today.wDay == 10 ? 11 : 10; }
  ScopedAppState state;
  SYSTEMTIME today;
};

TEST_F(PaintMonthTest, FillsTodayAndScheduledDaysOfTheMonthOnly) {
  const AppSettings &s = g_app.settings;
  MonthGrid grid = Grid();
  const GridCell &trailing = grid.cells[41]; // always a day of the next month
  g_app.schedules = {MakeSchedule(today.wYear, today.wMonth, OtherDay(), 0, 0, L"x"),
                     MakeSchedule(trailing.year, trailing.month, trailing.day, 0, 0, L"x")};
  Capture plain = PaintToPixels(kClient);

  RECT todayInner = Inner(CellOf(grid, today.wDay));
  EXPECT_EQ(plain.At(todayInner.left, todayInner.top), s.Today);
  EXPECT_EQ(plain.At(todayInner.right - 1, todayInner.bottom - 1), s.Today);
  EXPECT_EQ(plain.At(todayInner.left - 1, todayInner.top - 1), s.Bg); // the 2-px inset
  RECT otherInner = Inner(CellOf(grid, OtherDay()));
  EXPECT_EQ(plain.At(otherInner.left, otherInner.top), s.Schedule);
  EXPECT_EQ(plain.At(otherInner.right - 1, otherInner.bottom - 1), s.Schedule);
  EXPECT_EQ(CountColor(plain, trailing.rect, s.Schedule), 0);
  // A dimmed number, and no full-colour one, in the trailing cell.
  EXPECT_GT(CountColor(plain, trailing.rect, RGB(77, 77, 77)) +
                CountColor(plain, trailing.rect, RGB(0, 39, 77)) +
                CountColor(plain, trailing.rect, RGB(77, 0, 0)),
            0);

  g_app.schedules.push_back(MakeSchedule(today.wYear, today.wMonth, today.wDay, 0, 0, L"x"));
  Capture split = PaintToPixels(kClient);
  int middle = todayInner.top + (todayInner.bottom - todayInner.top) / 2;
  EXPECT_EQ(split.At(todayInner.left, todayInner.top), s.Schedule);
  EXPECT_EQ(split.At(todayInner.left, middle - 1), s.Schedule);
  EXPECT_EQ(split.At(todayInner.left, middle), s.Today);
  EXPECT_EQ(split.At(todayInner.left, todayInner.bottom - 1), s.Today);
}

TEST_F(PaintMonthTest, NumberColoursAndNeighbouringDays) {
  const AppSettings &s = g_app.settings;
  MonthGrid grid = Grid();
  // A holiday in a middle column, one in the trailing cells.
  const GridCell &middle = grid.cells[14 + 3];
  const GridCell &trailing = grid.cells[41];
  g_app.holidays[MakeDateKey(middle.year, middle.month, middle.day)] = L"祝日";
  g_app.holidays[MakeDateKey(trailing.year, trailing.month, trailing.day)] = L"祝日";
  Capture capture = PaintToPixels(kClient);
  EXPECT_GT(CountColor(capture, middle.rect, s.Holiday), 10);
  EXPECT_GT(CountColor(capture, grid.cells[14 + 2].rect, s.Weekday), 10);
  EXPECT_EQ(CountColor(capture, grid.cells[14 + 2].rect, s.Holiday), 0);
  EXPECT_GT(CountColor(capture, grid.cells[14].rect, s.Sunday), 10);
  EXPECT_GT(CountColor(capture, grid.cells[14 + 6].rect, s.Saturday), 10);
  EXPECT_GT(CountColor(capture, trailing.rect, RGB(0, 77, 0)), 10);
  EXPECT_EQ(CountColor(capture, trailing.rect, s.Holiday), 0);

  g_app.settings.ShowOutMonth = false;
  Capture bare = PaintToPixels(kClient);
  EXPECT_EQ(CountColor(bare, trailing.rect, s.Bg), (trailing.rect.right - trailing.rect.left) *
                                                       (trailing.rect.bottom - trailing.rect.top));
}

TEST_F(PaintMonthTest, WeekdayLabelsFollowTheFirstDayOfTheWeek) {
  const AppSettings &s = g_app.settings;
  for (int startMonday = 0; startMonday < 2; ++startMonday) {
    g_app.settings.StartMonday = startMonday;
    MonthGrid grid = Grid();
    Capture capture = PaintToPixels(kClient);
    auto label = [&](int column) {
      return RECT{grid.cells[column].rect.left, grid.weekdayTop, grid.cells[column].rect.right,
                  grid.weekdayBottom};
    };
    int sunday = startMonday ? 6 : 0;
    int saturday = startMonday ? 5 : 6;
    int monday = startMonday ? 0 : 1;
    EXPECT_GT(CountColor(capture, label(sunday), s.Sunday), 5) << startMonday;
    EXPECT_GT(CountColor(capture, label(saturday), s.Saturday), 5) << startMonday;
    EXPECT_GT(CountColor(capture, label(monday), s.Weekday), 5) << startMonday;
    EXPECT_EQ(CountColor(capture, label(monday), s.Sunday), 0) << startMonday;
    // The title in the Weekday colour; the glyphs are smoothed, so only
    // their presence is checked.
    EXPECT_GT(CountColor(capture, grid.titleRect, s.Weekday), 20);
    EXPECT_LT(CountColor(capture, grid.settingsBox, s.Bg), Area(grid.settingsBox));
    EXPECT_LT(CountColor(capture, grid.listBox, s.Bg), Area(grid.listBox));
  }
}

TEST(CalendarFonts, HeightsScaleWithTheDpi) {
  ScopedAppState state;
  g_app.settings = DefaultSettings();
  g_app.settings.TitlePx = 18;
  g_app.settings.DatePx = 0;
  CreateCalendarFonts(144);
  LOGFONTW title = {}, date = {};
  GetObjectW(g_app.fonts.title.Get(), sizeof title, &title);
  GetObjectW(g_app.fonts.date.Get(), sizeof date, &date);
  EXPECT_EQ(title.lfHeight, -27);
  EXPECT_EQ(date.lfHeight, -1);
  EXPECT_STREQ(title.lfFaceName, L"Hooge 05_55");
  HFONT old = g_app.fonts.title.Get();
  CreateCalendarFonts(0); // taken as 96
  GetObjectW(g_app.fonts.title.Get(), sizeof title, &title);
  EXPECT_EQ(title.lfHeight, -18);
  EXPECT_EQ(GetObjectType(old), 0u); // the old font was deleted
  DeleteCalendarFonts();
  EXPECT_FALSE(g_app.fonts.title);
  EXPECT_FALSE(g_app.fonts.date);
}

LRESULT CALLBACK PaintOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintCalendarWindow(window);
    return 0;
  }
  if (message == WM_ERASEBKGND)
    return 1;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Wine reports no GDI object counts, so the test fills the process's GDI
// handle table up to a few hundred free slots and counts those: they must
// stay as many over hundreds of paints and popups.
// Each face the settings offer for the calendar paints with that face, not
// with the one the system falls back to for an unknown name.
TEST_F(PaintMonthTest, EachPixelFontPaintsTheCalendar) {
  auto paintWith = [](const wchar_t *face) {
    CopyToField(g_app.settings.Face, 32, face);
    CreateCalendarFonts(96);
    return PaintToPixels(kClient).pixels;
  };
  const std::vector<COLORREF> fallback = paintWith(L"No Such Face");
  const std::vector<COLORREF> hooge = paintWith(L"Hooge 05_55");
  const std::vector<COLORREF> org = paintWith(L"Org_v01");
  EXPECT_NE(hooge, fallback);
  EXPECT_NE(org, fallback);
  EXPECT_NE(org, hooge);
}

TEST_F(PaintMonthTest, PaintsAndPopupsKeepNoGdiObjects) {
  g_app.instance = GetModuleHandleW(nullptr);
  g_app.schedules = {MakeSchedule(today.wYear, today.wMonth, today.wDay, 0, 0, L"x")};
  WNDCLASSEXW paintClass = {};
  paintClass.cbSize = sizeof paintClass;
  paintClass.lpfnWndProc = PaintOnlyProc;
  paintClass.hInstance = g_app.instance;
  paintClass.lpszClassName = L"DayglassPaintTest";
  RegisterClassExW(&paintClass);
  HWND window = CreateWindowExW(0, L"DayglassPaintTest", L"", WS_POPUP | WS_VISIBLE, 0, 0, 294, 291,
                                nullptr, nullptr, g_app.instance, nullptr);
  ASSERT_NE(window, nullptr);
  g_app.mainWindow = window;

  const std::function<void()> operations[] = {
      [] { PaintToPixels(kClient); },
      [window] {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
      },
      [window] {
        ShowDayPopup(window, L"\u25CF祝日 元日\r\n---\r\n09:00 a\r\n\r\nb", 10, 10);
        UpdateWindow(g_app.popup);
      },
  };
  for (const auto &operation : operations) // first uses may fill caches
    operation();

  const int kHeadroom = 400;
  struct Hog {
    std::vector<HBRUSH> brushes;
    ~Hog() {
      for (HBRUSH brush : brushes)
        DeleteObject(brush);
    }
  } hog;
  while (hog.brushes.size() < 200000) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush)
      break;
    hog.brushes.push_back(brush);
  }
  for (int i = 0; i < kHeadroom && !hog.brushes.empty(); ++i) {
    DeleteObject(hog.brushes.back());
    hog.brushes.pop_back();
  }
  const int before = FreeGdiSlots(kHeadroom);
  EXPECT_GT(before, kHeadroom - 50);
  for (const auto &operation : operations) {
    // Checked in small batches, so a leak fails here long before the table is full.
    for (int batch = 0; batch < 6; ++batch) {
      for (int i = 0; i < 25; ++i)
        operation();
      int free = FreeGdiSlots(kHeadroom);
      ASSERT_GE(free, before - 3) << "GDI objects left behind";
    }
  }
  // The last picture is still right.
  Capture last = PaintToPixels(kClient);
  RECT inner = Inner(CellOf(Grid(), today.wDay));
  EXPECT_EQ(last.At(inner.left, inner.top), g_app.settings.Schedule);
  EXPECT_EQ(last.At(inner.left, inner.bottom - 1), g_app.settings.Today);

  DestroyWindow(window);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

} // namespace
