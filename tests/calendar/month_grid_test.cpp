#include "calendar/month_grid.h"

#include <gtest/gtest.h>

#include <climits>

#include "config/settings.h"
#include "tests/support/test_support.h"

namespace {

MonthGrid Grid(int year, int month, int startMonday = 0, RECT client = {0, 0, 300, 200},
               int dpi = 96) {
  AppSettings settings = DefaultSettings();
  settings.Margin = 10;
  settings.StartMonday = startMonday;
  return ComputeMonthGrid(client, dpi, settings, {year, month});
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

TEST(MonthArithmetic, MonthLengthsAndWeekdays) {
  const int lengths[][3] = {{2024, 2, 29}, {1900, 2, 28},  {2000, 2, 29},  {2023, 2, 28},
                            {2024, 4, 30}, {2024, 12, 31}, {2024, 13, 30}, {2024, 0, 30}};
  for (const auto &c : lengths)
    EXPECT_EQ(DaysInMonth(c[0], c[1]), c[2]) << c[0] << "-" << c[1];

  // The formula agrees with the platform wherever the platform converts.
  for (int year = 1601; year <= 30827; year += 37)
    for (int month = 1; month <= 12; ++month)
      for (int day : {1, DaysInMonth(year, month)})
        ASSERT_EQ(DayOfWeek(year, month, day), PlatformWeekday(year, month, day))
            << year << "-" << month << "-" << day;
  EXPECT_EQ(DayOfWeek(1, 1, 1), 1); // proleptic Gregorian: a Monday

  // year, month, column with Sunday first, column with Monday first
  const int firsts[][4] = {{2026, 3, 0, 6}, {2024, 1, 1, 0}, {2026, 1, 4, 3}, {2022, 10, 6, 5}};
  for (const auto &c : firsts) {
    EXPECT_EQ(FirstColumnOfMonth(c[0], c[1], 0), c[2]) << c[0] << "-" << c[1];
    EXPECT_EQ(FirstColumnOfMonth(c[0], c[1], 1), c[3]) << c[0] << "-" << c[1];
  }
}

TEST(MonthArithmetic, ShiftsAcrossYearEndsAndStopsAtTheEnds) {
  struct Case {
    DisplayedMonth from;
    int delta;
    DisplayedMonth to;
  } cases[] = {
      {{2025, 12}, 1, {2026, 1}},   {{2026, 1}, -1, {2025, 12}},      {{2026, 3}, 10, {2027, 1}},
      {{2026, 3}, -3, {2025, 12}},  {{2026, 3}, -15, {2024, 12}},     {{2026, 3}, 24, {2028, 3}},
      {{1, 1}, -1, {1, 1}},         {{9999, 12}, 1, {9999, 12}},      {{9999, 11}, 1, {9999, 12}},
      {{2026, 3}, INT_MIN, {1, 1}}, {{2026, 3}, INT_MAX, {9999, 12}},
  };
  for (const Case &c : cases) {
    DisplayedMonth to = AddMonths(c.from, c.delta);
    EXPECT_TRUE(to.year == c.to.year && to.month == c.to.month)
        << c.from.year << "-" << c.from.month << " " << c.delta;
  }
}

TEST(MonthGridDates, CellsOfTheMonthAndItsNeighbours) {
  struct Case {
    int year, month, startMonday, cell;
    CalendarDate date;
    bool inMonth;
  } cases[] = {
      {2026, 3, 0, 0, {2026, 3, 1}, true},    {2026, 3, 0, 31, {2026, 4, 1}, false},
      {2026, 3, 0, 41, {2026, 4, 11}, false}, {2026, 3, 1, 0, {2026, 2, 23}, false},
      {2026, 3, 1, 5, {2026, 2, 28}, false},  {2026, 3, 1, 6, {2026, 3, 1}, true},
      {2015, 2, 0, 27, {2015, 2, 28}, true},  {2015, 2, 0, 28, {2015, 3, 1}, false},
      {2015, 2, 0, 41, {2015, 3, 14}, false}, {2026, 1, 0, 0, {2025, 12, 28}, false},
      {2026, 12, 0, 41, {2027, 1, 9}, false}, {2024, 3, 0, 0, {2024, 2, 25}, false},
  };
  for (const Case &c : cases) {
    const GridCell &cell = Grid(c.year, c.month, c.startMonday).cells[c.cell];
    EXPECT_TRUE(cell.year == c.date.year && cell.month == c.date.month && cell.day == c.date.day &&
                cell.inMonth == c.inMonth)
        << c.year << "-" << c.month << " cell " << c.cell << " shows " << cell.year << "-"
        << cell.month << "-" << cell.day;
  }
}

// Every month the wheel can reach: 42 consecutive days, each in the column of its weekday.
TEST(MonthGridDates, EveryReachableMonthIsConsistent) {
  for (int startMonday = 0; startMonday <= 1; ++startMonday) {
    for (int year = kFirstYear; year <= kLastYear; year += 1 + startMonday * 6) {
      for (int month = 1; month <= 12; ++month) {
        MonthGrid grid = Grid(year, month, startMonday);
        const GridCell *cell = grid.cells;
        ASSERT_EQ(ColumnOfWeekday(DayOfWeek(cell->year, cell->month, cell->day), startMonday), 0)
            << year << "-" << month;
        for (int i = 1; i < 42; ++i) {
          const GridCell &a = cell[i - 1], &b = cell[i];
          bool next = a.day < DaysInMonth(a.year, a.month)
                          ? b.year == a.year && b.month == a.month && b.day == a.day + 1
                          : b.day == 1 && b.month == a.month % 12 + 1;
          ASSERT_TRUE(next && b.inMonth == (b.month == month)) << year << "-" << month << " " << i;
        }
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
      EXPECT_EQ(rect.right, i % 7 < 6 ? grid.cells[i + 1].rect.left : grid.right);
      EXPECT_EQ(rect.bottom, i < 35 ? grid.cells[i + 7].rect.top : grid.bottom);
    }
  }
  // 136 px over six rows: 22 or 23 each.
  MonthGrid grid = Grid(2026, 3);
  const int edges[7] = {54, 76, 99, 122, 144, 167, 190};
  for (int row = 0; row < 6; ++row)
    EXPECT_TRUE(grid.cells[row * 7].rect.top == edges[row] &&
                grid.cells[row * 7].rect.bottom == edges[row + 1]);
}

TEST(MonthGridGeometry, TinyClientAreasStayPositiveAndHitNothing) {
  for (const RECT &client : {RECT{0, 0, 15, 15}, RECT{0, 0, 0, 0}, RECT{5, 5, 5, 5}}) {
    MonthGrid grid = Grid(2026, 3, 0, client, 144);
    EXPECT_TRUE(grid.rowUnit == 1 && grid.gridWidth == 1 && grid.gridHeight == 1);
    CalendarDate date;
    for (int x = -2; x < 20; ++x)
      for (int y = -2; y < 20; ++y)
        EXPECT_FALSE(DayAtPoint(grid, {x, y}, &date));
  }
}

TEST(MonthGridHits, DaysAndTitleButtonsAtPoints) {
  struct DayCase {
    int startMonday;
    POINT point;
    int day; // 0: no hit
  } days[] = {
      {0, {10, 54}, 1},   {0, {49, 75}, 1},   {0, {95, 150}, 31}, {0, {135, 150}, 0},
      {0, {289, 189}, 0}, {0, {50, 40}, 0},   {0, {50, 20}, 0},   {0, {5, 100}, 0},
      {0, {290, 100}, 0}, {0, {100, 190}, 0}, {1, {10, 54}, 0},   {1, {250, 54}, 1},
      {1, {10, 80}, 2},
  };
  for (const DayCase &c : days) {
    CalendarDate date = {};
    bool hit = DayAtPoint(Grid(2026, 3, c.startMonday), c.point, &date);
    EXPECT_TRUE(hit == (c.day != 0) &&
                (!hit || (date.year == 2026 && date.month == 3 && date.day == c.day)))
        << c.point.x << "," << c.point.y << " gives " << date.day;
  }

  struct ButtonCase {
    POINT point;
    TitleButton button;
  } buttons[] = {
      {{266, 10}, TitleButton::Settings}, {{289, 31}, TitleButton::Settings},
      {{265, 20}, TitleButton::List},     {{242, 20}, TitleButton::List},
      {{290, 10}, TitleButton::None},     {{241, 20}, TitleButton::None},
      {{266, 32}, TitleButton::None},     {{100, 100}, TitleButton::None},
  };
  for (const ButtonCase &c : buttons)
    EXPECT_EQ(TitleButtonAtPoint(Grid(2026, 3), c.point), c.button)
        << c.point.x << "," << c.point.y;
}
