#include "calendar/paint_rules.h"

#include <gtest/gtest.h>

#include "calendar/month_grid.h"
#include "config/settings.h"

namespace {

TEST(DimColor, MovesEachChannelSeventyPercentTowardTheBackground) {
  struct Case {
    COLORREF color, background, expected;
  };
  const Case cases[] = {
      {RGB(255, 255, 255), RGB(0, 0, 0), RGB(77, 77, 77)},
      {0x00FF8000, RGB(0, 0, 0), 0x004D2700},           // 255 -> 77, 128 -> 39, 0 stays
      {RGB(90, 0, 0), RGB(0, 0, 255), RGB(28, 0, 178)}, // 0.7 * 90 is just below 63
      {RGB(0, 0, 0), RGB(255, 255, 255), RGB(178, 178, 178)},
      {RGB(10, 200, 30), RGB(10, 200, 30), RGB(10, 200, 30)},
      {0xFF000000 | RGB(255, 255, 255), RGB(0, 0, 0), RGB(77, 77, 77)}, // top byte dropped
  };
  for (const Case &c : cases)
    EXPECT_EQ(DimColor(c.color, c.background), c.expected) << std::hex << c.color;
}

TEST(SplitFillMiddle, GivesTheExtraPixelToTheLowerPart) {
  EXPECT_EQ(SplitFillMiddle(RECT{0, 100, 40, 130}), 115); // 15 above, 15 below
  EXPECT_EQ(SplitFillMiddle(RECT{0, 100, 40, 131}), 115); // 15 above, 16 below
  EXPECT_EQ(SplitFillMiddle(RECT{0, 7, 40, 8}), 7);
}

TEST(MonthTitle, PadsYearAndMonth) {
  EXPECT_EQ(MonthTitle(2026, 3), L"2026.03");
  EXPECT_EQ(MonthTitle(987, 11), L"0987.11");
}

TEST(WeekdayOfColumn, FollowsTheFirstDayOfTheWeek) {
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(WeekdayOfColumn(column, 0), column);
    EXPECT_EQ(ColumnOfWeekday(WeekdayOfColumn(column, 1), 1), column);
  }
  EXPECT_EQ(WeekdayOfColumn(6, 1), 0); // Sunday last
  EXPECT_EQ(WeekdayOfColumn(5, 1), 6); // Saturday before it
}

class DayLookTest : public ::testing::Test {
protected:
  void SetUp() override {
    settings = DefaultSettings();
    settings.Bg = RGB(0, 0, 0);
    settings.Weekday = RGB(255, 255, 255);
    settings.Saturday = RGB(0, 128, 255);
    settings.Sunday = RGB(255, 0, 0);
    settings.Holiday = RGB(0, 255, 0);
  }
  static GridCell Cell(int column, bool inMonth) {
    GridCell cell = {};
    cell.rect = RECT{0, 0, 30, 30};
    cell.year = 2026;
    cell.month = 3;
    cell.day = 10;
    cell.column = column;
    cell.inMonth = inMonth;
    return cell;
  }
  AppSettings settings;
};

TEST_F(DayLookTest, NumberColourPrecedence) {
  struct Case {
    int column;
    bool holiday;
    COLORREF expected;
  };
  const Case cases[] = {
      {6, true, RGB(0, 255, 0)},      // a holiday on a Saturday
      {0, true, RGB(0, 255, 0)},      // a holiday on a Sunday
      {0, false, RGB(255, 0, 0)},     // Sunday
      {6, false, RGB(0, 128, 255)},   // Saturday
      {3, false, RGB(255, 255, 255)}, // a weekday
  };
  for (const Case &c : cases) {
    DayLook look = LookOfDay(settings, Cell(c.column, true), false, false, c.holiday);
    EXPECT_TRUE(look.drawn);
    EXPECT_EQ(look.number, c.expected) << "column " << c.column;
  }
  settings.StartMonday = 1;
  EXPECT_EQ(LookOfDay(settings, Cell(6, true), false, false, false).number, settings.Sunday);
  EXPECT_EQ(LookOfDay(settings, Cell(5, true), false, false, false).number, settings.Saturday);
  EXPECT_EQ(LookOfDay(settings, Cell(0, true), false, false, false).number, settings.Weekday);
}

TEST_F(DayLookTest, FillsMarkTodayAndSchedulesOnlyInsideTheMonth) {
  EXPECT_EQ(LookOfDay(settings, Cell(2, true), false, false, false).fill, CellFill::None);
  EXPECT_EQ(LookOfDay(settings, Cell(2, true), true, false, false).fill, CellFill::Today);
  EXPECT_EQ(LookOfDay(settings, Cell(2, true), false, true, false).fill, CellFill::Schedule);
  EXPECT_EQ(LookOfDay(settings, Cell(2, true), true, true, false).fill, CellFill::Split);

  DayLook holidayToday = LookOfDay(settings, Cell(2, true), true, false, true);
  EXPECT_EQ(holidayToday.fill, CellFill::Today);
  EXPECT_EQ(holidayToday.number, settings.Holiday);

  // A neighbouring month's day: dimmed number, never a fill.
  DayLook trailing = LookOfDay(settings, Cell(6, false), true, true, false);
  EXPECT_TRUE(trailing.drawn);
  EXPECT_EQ(trailing.fill, CellFill::None);
  EXPECT_EQ(trailing.number, RGB(0, 39, 77));
  EXPECT_EQ(LookOfDay(settings, Cell(3, false), false, false, true).number, RGB(0, 77, 0));

  settings.ShowOutMonth = false;
  EXPECT_FALSE(LookOfDay(settings, Cell(6, false), true, true, true).drawn);
  EXPECT_TRUE(LookOfDay(settings, Cell(6, true), false, false, false).drawn);
}

// High contrast: the system's colours in place of the stored ones, gray
// neighbouring days, and the numbers on fills in the colours made for them.
TEST_F(DayLookTest, HighContrastDrawsWithTheSystemsColours) {
  AppSettings colors = settings;
  ContrastColors contrast = {};
  UseSystemColors(colors, contrast, [](int index) -> DWORD { return RGB(index, 1, 2); });
  const struct {
    COLORREF stored, expected;
  } fields[] = {
      {colors.Bg, RGB(COLOR_WINDOW, 1, 2)},        {colors.Weekday, RGB(COLOR_WINDOWTEXT, 1, 2)},
      {colors.Sunday, RGB(COLOR_HOTLIGHT, 1, 2)},  {colors.Saturday, RGB(COLOR_HOTLIGHT, 1, 2)},
      {colors.Holiday, RGB(COLOR_HOTLIGHT, 1, 2)}, {colors.Today, RGB(COLOR_HIGHLIGHT, 1, 2)},
      {colors.Schedule, RGB(COLOR_BTNFACE, 1, 2)}};
  for (const auto &field : fields)
    EXPECT_EQ(field.stored, field.expected);
  const struct {
    bool inMonth, today, schedule;
    int column;
    COLORREF number;
  } cases[] = {
      {true, true, false, 3, RGB(COLOR_HIGHLIGHTTEXT, 1, 2)},
      {true, true, true, 3, RGB(COLOR_HIGHLIGHTTEXT, 1, 2)},
      {true, false, true, 0, RGB(COLOR_BTNTEXT, 1, 2)},
      {true, false, false, 0, RGB(COLOR_HOTLIGHT, 1, 2)},
      {true, false, false, 3, RGB(COLOR_WINDOWTEXT, 1, 2)},
      {false, false, false, 0, RGB(COLOR_GRAYTEXT, 1, 2)},
  };
  for (const auto &c : cases)
    EXPECT_EQ(
        LookOfDay(colors, Cell(c.column, c.inMonth), c.today, c.schedule, false, &contrast).number,
        c.number)
        << c.inMonth << c.today << c.schedule << c.column;
  EXPECT_EQ(settings.Bg, RGB(0, 0, 0)) << "the stored colours stay";
}

} // namespace
