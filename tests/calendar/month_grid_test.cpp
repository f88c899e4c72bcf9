#include "calendar/month_grid.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/app_state.h"
#include "config/settings.h"

namespace {

AppSettings Settings(int margin, int startMonday) {
  AppSettings settings = DefaultSettings();
  settings.Margin = margin;
  settings.StartMonday = startMonday;
  return settings;
}

MonthGrid Grid(int year, int month, int startMonday = 0, RECT client = {0, 0, 300, 200},
               int dpi = 96, int margin = 10) {
  return ComputeMonthGrid(client, dpi, Settings(margin, startMonday), {year, month});
}

bool SameRect(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int PlatformWeekday(int year, int month, int day) {
  SYSTEMTIME time = {};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  FILETIME file;
  SYSTEMTIME back;
  if (!SystemTimeToFileTime(&time, &file) || !FileTimeToSystemTime(&file, &back))
    return -1;
  return back.wDayOfWeek;
}

} // namespace

TEST(MonthArithmetic, MonthLengths) {
  struct Case {
    int year, month, days;
  } cases[] = {{2024, 2, 29}, {1900, 2, 28},  {2000, 2, 29},  {2023, 2, 28}, {2024, 4, 30},
               {2024, 1, 31}, {2024, 12, 31}, {2024, 13, 30}, {2024, 0, 30}, {2024, -1, 30}};
  for (const Case &c : cases)
    EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

TEST(MonthArithmetic, WeekdayAgreesWithPlatformConversion) {
  for (int year = 1601; year <= 30827; year += 37) {
    for (int month = 1; month <= 12; ++month) {
      for (int day : {1, 15, DaysInMonth(year, month)})
        ASSERT_EQ(DayOfWeek(year, month, day), PlatformWeekday(year, month, day))
            << year << "-" << month << "-" << day;
    }
  }
  for (int year : {1601, 1700, 1900, 2000, 2100, 9999, 30827})
    EXPECT_EQ(DayOfWeek(year, 2, 28), PlatformWeekday(year, 2, 28)) << year;
  EXPECT_EQ(DayOfWeek(2026, 3, 1), 0);
  EXPECT_EQ(DayOfWeek(1, 1, 1), 1); // proleptic Gregorian: a Monday
}

TEST(MonthArithmetic, FirstColumnForBothWeekStarts) {
  struct Case {
    int year, month, sundayFirst, mondayFirst;
  } cases[] = {
      {2026, 3, 0, 6},                   // the 1st on a Sunday
      {2015, 2, 0, 6},  {2024, 1, 1, 0}, // a Monday
      {2026, 1, 4, 3},                   // a Thursday
      {2022, 10, 6, 5},                  // a Saturday
  };
  for (const Case &c : cases) {
    EXPECT_EQ(FirstColumnOfMonth(c.year, c.month, 0), c.sundayFirst) << c.year << "-" << c.month;
    EXPECT_EQ(FirstColumnOfMonth(c.year, c.month, 1), c.mondayFirst) << c.year << "-" << c.month;
  }
  for (int weekday = 0; weekday < 7; ++weekday) {
    EXPECT_EQ(ColumnOfWeekday(weekday, 0), weekday);
    EXPECT_EQ(ColumnOfWeekday(weekday, 1), (weekday + 6) % 7);
  }
}

TEST(MonthArithmetic, ShiftsAcrossYearEndsAndStopsAtTheEnds) {
  struct Case {
    DisplayedMonth from;
    int delta;
    DisplayedMonth to;
  } cases[] = {
      {{2025, 12}, 1, {2026, 1}},
      {{2026, 1}, -1, {2025, 12}},
      {{2026, 3}, 0, {2026, 3}},
      {{2026, 3}, 10, {2027, 1}},
      {{2026, 3}, -3, {2025, 12}},
      {{2026, 3}, -14, {2025, 1}},
      {{2026, 3}, -15, {2024, 12}},
      {{2026, 3}, 24, {2028, 3}},
      {{1, 1}, -1, {1, 1}},
      {{1, 2}, -1, {1, 1}},
      {{9999, 12}, 1, {9999, 12}},
      {{9999, 11}, 1, {9999, 12}},
      {{2026, 3}, INT_MAX, {9999, 12}},
      {{2026, 3}, INT_MIN, {1, 1}},
  };
  for (const Case &c : cases) {
    DisplayedMonth to = AddMonths(c.from, c.delta);
    EXPECT_EQ(to.year, c.to.year) << c.from.year << "-" << c.from.month << " " << c.delta;
    EXPECT_EQ(to.month, c.to.month) << c.from.year << "-" << c.from.month << " " << c.delta;
  }

  DisplayedMonth saved = g_app.displayed;
  g_app.displayed = {2025, 12};
  ShiftDisplayedMonth(1);
  EXPECT_EQ(g_app.displayed.year, 2026);
  EXPECT_EQ(g_app.displayed.month, 1);
  g_app.displayed = saved;
}

TEST(MonthGridDates, LeadingAndTrailingCells) {
  MonthGrid march = Grid(2026, 3);
  EXPECT_EQ(march.firstColumn, 0);
  EXPECT_TRUE(march.cells[0].inMonth);
  EXPECT_EQ(march.cells[0].day, 1);
  for (int i = 31; i < 42; ++i) {
    EXPECT_EQ(march.cells[i].month, 4);
    EXPECT_EQ(march.cells[i].day, i - 30);
    EXPECT_FALSE(march.cells[i].inMonth);
  }

  MonthGrid mondayFirst = Grid(2026, 3, 1);
  EXPECT_EQ(mondayFirst.firstColumn, 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(mondayFirst.cells[i].month, 2);
    EXPECT_EQ(mondayFirst.cells[i].day, 23 + i);
  }
  EXPECT_EQ(mondayFirst.cells[6].day, 1);
  EXPECT_TRUE(mondayFirst.cells[6].inMonth);

  MonthGrid february = Grid(2015, 2);
  for (int i = 0; i < 28; ++i)
    EXPECT_EQ(february.cells[i].day, i + 1);
  for (int i = 28; i < 42; ++i) {
    EXPECT_EQ(february.cells[i].month, 3);
    EXPECT_EQ(february.cells[i].day, i - 27);
  }
}

TEST(MonthGridDates, NeighbourMonthsAcrossYearEnds) {
  MonthGrid january = Grid(2026, 1); // the 1st on a Thursday
  EXPECT_EQ(january.prevYear, 2025);
  EXPECT_EQ(january.prevMonth, 12);
  EXPECT_EQ(january.prevDays, 31);
  EXPECT_EQ(january.cells[0].year, 2025);
  EXPECT_EQ(january.cells[0].day, 28);

  MonthGrid december = Grid(2026, 12);
  EXPECT_EQ(december.nextYear, 2027);
  EXPECT_EQ(december.nextMonth, 1);
  EXPECT_EQ(december.cells[41].year, 2027);
  EXPECT_EQ(december.cells[41].month, 1);

  MonthGrid leapMarch = Grid(2024, 3); // the 1st on a Friday
  EXPECT_EQ(leapMarch.prevDays, 29);
  EXPECT_EQ(leapMarch.cells[0].day, 25);
}

// Every month the wheel can reach: the cells are 42 consecutive days and
// each falls in the column of its weekday.
TEST(MonthGridDates, EveryReachableMonthIsConsistent) {
  for (int startMonday = 0; startMonday <= 1; ++startMonday) {
    AppSettings settings = Settings(10, startMonday);
    for (int year = kFirstYear; year <= kLastYear; year += startMonday ? 7 : 1) {
      for (int month = 1; month <= 12; ++month) {
        MonthGrid grid = ComputeMonthGrid({0, 0, 300, 200}, 96, settings, {year, month});
        int inMonth = 0;
        for (int i = 0; i < 42; ++i) {
          const GridCell &cell = grid.cells[i];
          ASSERT_GE(cell.day, 1);
          ASSERT_LE(cell.day, DaysInMonth(cell.year, cell.month));
          ASSERT_EQ(ColumnOfWeekday(DayOfWeek(cell.year, cell.month, cell.day), startMonday),
                    cell.column)
              << year << "-" << month << " cell " << i;
          inMonth += cell.inMonth ? 1 : 0;
        }
        ASSERT_EQ(inMonth, grid.daysInMonth);
      }
    }
  }
}

TEST(MonthGridGeometry, BandsCellsAndButtonsAtThreeDpis) {
  struct Case {
    int dpi, margin, rowUnit, gridTop, width, height;
    RECT title, settingsBox, listBox, cell8;
  } cases[] = {
      {96,
       10,
       22,
       54,
       280,
       136,
       {10, 10, 290, 32},
       {266, 10, 290, 32},
       {242, 10, 266, 32},
       {50, 76, 90, 99}},
      {120,
       13,
       21,
       55,
       274,
       132,
       {13, 13, 287, 34},
       {257, 13, 287, 34},
       {227, 13, 257, 34},
       {52, 77, 91, 99}},
      {144,
       15,
       21,
       57,
       270,
       128,
       {15, 15, 285, 36},
       {249, 15, 285, 36},
       {213, 15, 249, 36},
       {53, 78, 92, 99}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.dpi);
    MonthGrid grid = Grid(2026, 3, 0, {0, 0, 300, 200}, c.dpi);
    EXPECT_EQ(grid.margin, c.margin);
    EXPECT_EQ(grid.rowUnit, c.rowUnit);
    EXPECT_EQ(grid.weekdayTop, c.title.bottom);
    EXPECT_EQ(grid.weekdayBottom, c.gridTop);
    EXPECT_EQ(grid.gridTop, c.gridTop);
    EXPECT_EQ(grid.gridWidth, c.width);
    EXPECT_EQ(grid.gridHeight, c.height);
    EXPECT_TRUE(SameRect(grid.titleRect, c.title));
    EXPECT_TRUE(SameRect(grid.settingsBox, c.settingsBox));
    EXPECT_TRUE(SameRect(grid.listBox, c.listBox));
    EXPECT_TRUE(SameRect(grid.cells[8].rect, c.cell8));
    // The cells tile the cell area without gaps.
    for (int i = 0; i < 42; ++i) {
      const RECT &rect = grid.cells[i].rect;
      if (i % 7 < 6) {
        EXPECT_EQ(rect.right, grid.cells[i + 1].rect.left);
      }
      if (i < 35) {
        EXPECT_EQ(rect.bottom, grid.cells[i + 7].rect.top);
      }
    }
    EXPECT_EQ(grid.cells[0].rect.left, grid.left);
    EXPECT_EQ(grid.cells[0].rect.top, grid.gridTop);
    EXPECT_EQ(grid.cells[41].rect.right, grid.right);
    EXPECT_EQ(grid.cells[41].rect.bottom, grid.bottom);
  }
}

TEST(MonthGridGeometry, RowHeightsOfTheShortExample) {
  MonthGrid grid = Grid(2026, 3); // 200 px high, margin 10
  const int edges[7] = {54, 76, 99, 122, 144, 167, 190};
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(grid.cells[row * 7].rect.top, edges[row]);
    EXPECT_EQ(grid.cells[row * 7].rect.bottom, edges[row + 1]);
  }
}

TEST(MonthGridGeometry, TinyClientAreasStayPositive) {
  const RECT clients[] = {{0, 0, 15, 15}, {0, 0, 0, 0}, {0, 0, 1, 1}, {5, 5, 5, 5}};
  for (const RECT &client : clients) {
    MonthGrid grid = Grid(2026, 3, 0, client, 144);
    EXPECT_EQ(grid.rowUnit, 1);
    EXPECT_EQ(grid.gridWidth, 1);
    EXPECT_EQ(grid.gridHeight, 1);
    CalendarDate date;
    for (int x = -2; x < 20; ++x)
      for (int y = -2; y < 20; ++y)
        EXPECT_FALSE(DayAtPoint(grid, {x, y}, &date));
  }
}

TEST(MonthGridHits, DaysAtPoints) {
  struct Case {
    int startMonday;
    POINT point;
    int day; // 0: no hit
  } cases[] = {
      {0, {10, 54}, 1},   {0, {49, 75}, 1},   {0, {95, 150}, 31}, {0, {135, 150}, 0},
      {0, {289, 189}, 0}, {0, {50, 40}, 0},   {0, {50, 20}, 0},   {0, {5, 100}, 0},
      {0, {290, 100}, 0}, {0, {100, 190}, 0}, {0, {100, 195}, 0}, {1, {10, 54}, 0},
      {1, {250, 54}, 1},  {1, {10, 80}, 2},
  };
  for (const Case &c : cases) {
    MonthGrid grid = Grid(2026, 3, c.startMonday);
    CalendarDate date = {};
    bool hit = DayAtPoint(grid, c.point, &date);
    EXPECT_EQ(hit, c.day != 0) << c.point.x << "," << c.point.y;
    if (hit) {
      EXPECT_EQ(date.year, 2026);
      EXPECT_EQ(date.month, 3);
      EXPECT_EQ(date.day, c.day) << c.point.x << "," << c.point.y;
    }
  }
}

TEST(MonthGridHits, TitleButtons) {
  struct Case {
    POINT point;
    TitleButton button;
  } cases[] = {
      {{266, 10}, TitleButton::Settings}, {{289, 31}, TitleButton::Settings},
      {{265, 20}, TitleButton::List},     {{242, 20}, TitleButton::List},
      {{290, 10}, TitleButton::None},     {{241, 20}, TitleButton::None},
      {{266, 32}, TitleButton::None},     {{266, 9}, TitleButton::None},
      {{100, 100}, TitleButton::None},
  };
  MonthGrid grid = Grid(2026, 3);
  for (const Case &c : cases)
    EXPECT_EQ(TitleButtonAtPoint(grid, c.point), c.button) << c.point.x << "," << c.point.y;
}
