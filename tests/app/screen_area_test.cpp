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

TEST(ReachableFrame, MovesOnlyAWindowWhoseCaptionCannotBeTaken) {
  // Two monitors side by side, the second lower; the work area of the
  // first above a taskbar. A 300 x 320 window with a 26-pixel caption band.
  const std::vector<RECT> monitors = {{0, 0, 1280, 1024}, {1280, 200, 2560, 1224}};
  const RECT work = {0, 0, 1280, 984};
  struct Case {
    POINT corner, expected;
  } cases[] = {
      {{200, 150}, {200, 150}},   // well inside
      {{-251, 100}, {-251, 100}}, // 49 pixels of caption left: kept
      {{1250, 200}, {1250, 200}}, // across both monitors
      {{100, 900}, {100, 900}},   // over the taskbar, caption free: kept
      {{-253, 100}, {0, 100}},    // too little caption
      {{100, -14}, {100, 0}},     // caption above the top
      {{1250, 0}, {980, 0}},      // beside the lower monitor's top
      {{-5000, -5000}, {0, 0}},   // far off every monitor
      {{5000, 3000}, {980, 664}},
  };
  for (const Case &c : cases) {
    RECT frame = {c.corner.x, c.corner.y, c.corner.x + 300, c.corner.y + 320};
    RECT placed = ReachableFrame(frame, 26, monitors, work);
    EXPECT_EQ(placed.left, c.expected.x) << c.corner.x << "," << c.corner.y;
    EXPECT_EQ(placed.top, c.expected.y) << c.corner.x << "," << c.corner.y;
    EXPECT_EQ(placed.right - placed.left, 300);
    EXPECT_EQ(placed.bottom - placed.top, 320);
  }
}

} // namespace
