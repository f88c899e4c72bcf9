#include "app/screen_area.h"

#include <gtest/gtest.h>

namespace {

TEST(FitRectInside, MovesJustEnoughToLieInsideTheArea) {
  const RECT area = {0, 0, 1280, 984}; // a taskbar below
  struct Case {
    RECT rect, expected;
  };
  const Case cases[] = {
      {{100, 200, 610, 640}, {100, 200, 610, 640}},    // fits: kept
      {{980, 664, 1490, 1104}, {770, 544, 1280, 984}}, // off the bottom-right corner
      {{-50, -20, 250, 300}, {0, 0, 300, 320}},        // off the top-left
      {{1000, 100, 1300, 420}, {980, 100, 1280, 420}}, // off one edge only
      {{900, 900, 2400, 2000}, {0, 0, 1500, 1100}},    // larger than the area: corner inside
      {{2000, 300, 2300, 620}, {980, 300, 1280, 620}}, // on a monitor to the right
  };
  for (const Case &c : cases) {
    RECT fitted = FitRectInside(c.rect, area);
    EXPECT_EQ(fitted.left, c.expected.left) << c.rect.left << "," << c.rect.top;
    EXPECT_EQ(fitted.top, c.expected.top) << c.rect.left << "," << c.rect.top;
    EXPECT_EQ(fitted.right, c.expected.right) << c.rect.left << "," << c.rect.top;
    EXPECT_EQ(fitted.bottom, c.expected.bottom) << c.rect.left << "," << c.rect.top;
  }
  RECT second = FitRectInside({3000, 10, 3300, 330}, {1280, -200, 3200, 880});
  EXPECT_EQ(second.left, 2900);
  EXPECT_EQ(second.top, 10);
}

} // namespace
