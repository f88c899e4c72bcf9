#include "popup/day_popup.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/app_state.h"
#include "tests/support/test_support.h"

namespace {

using Kind = PopupLineKind;

std::vector<Kind> KindsOf(const std::wstring &text) {
  std::vector<Kind> kinds;
  for (const PopupLine &line : WalkPopupLines(text))
    kinds.push_back(line.kind);
  return kinds;
}

TEST(WalkPopupLines, SeparatorsTextAndBlankLines) {
  struct Case {
    const wchar_t *text;
    std::vector<Kind> expected;
  };
  const Case cases[] = {
      {L"", {}},
      {L"one", {Kind::Text}},
      {L"a\r\n---\r\nb", {Kind::Text, Kind::Separator, Kind::Text}},
      {L"a\n---\nb", {Kind::Text, Kind::Separator, Kind::Text}},
      {L"a\r\n\r\nb", {Kind::Text, Kind::Blank, Kind::Text}},
      // Only the first empty line after a separator is dropped.
      {L"---\r\n\r\nb", {Kind::Separator, Kind::Text}},
      {L"---\r\n\r\n\r\nb", {Kind::Separator, Kind::Blank, Kind::Text}},
      {L"----\r\n ---\r\n---x", {Kind::Text, Kind::Text, Kind::Text}},
      {L"---\r\n---", {Kind::Separator, Kind::Separator}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(KindsOf(c.text), c.expected) << Utf8(c.text);
}

TEST(WalkPopupLines, KeepsTheTextWithoutItsLineEnd) {
  std::vector<PopupLine> lines = WalkPopupLines(L"\u25CF祝日 元日\r\n---\r\n09:00 a\r\r\nb");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, L"\u25CF祝日 元日");
  EXPECT_EQ(lines[2].text, L"09:00 a\r"); // one trailing CR is removed, not two
  EXPECT_EQ(lines[3].text, L"b");
}

// A text of any size shows a few lines of each entry, each line cut with "…".
TEST(WalkPopupLines, BoundsWhatItShows) {
  const std::wstring mark = L"\u2026";
  const std::wstring huge(1000000, L'x');
  std::vector<PopupLine> one = WalkPopupLines(L"09:00 " + huge);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].text, L"09:00 " + std::wstring(93, L'x') + mark);

  // A cut never leaves half of a surrogate pair.
  std::wstring pairs;
  for (int i = 0; i < 100; ++i)
    pairs += L"\U0001F600";
  EXPECT_EQ(WalkPopupLines(pairs)[0].text, pairs.substr(0, 98) + mark);

  std::wstring tall = L"10:00 a";
  for (int i = 0; i < 100000; ++i)
    tall += L"\r\nline";
  std::vector<PopupLine> entry = WalkPopupLines(tall + L"\r\n---\r\n11:00 b");
  ASSERT_EQ(entry.size(), 5u); // three lines, the separator, the next entry
  EXPECT_EQ(entry[2].text, L"line" + mark);
  EXPECT_EQ(entry[4].text, L"11:00 b");
  EXPECT_EQ(WalkPopupLines(L"a\r\nb\r\n\r\n\r\nc")[2].text, mark); // a cut blank line

  std::wstring many = L"09:00 first";
  for (int i = 0; i < 10000; ++i)
    many += L"\r\n---\r\n09:00 next";
  std::vector<PopupLine> day = WalkPopupLines(many);
  ASSERT_EQ(day.size(), 61u);
  EXPECT_EQ(day.back().kind, PopupLineKind::Text);
  EXPECT_EQ(day.back().text, mark);
  std::printf("[reliability] a day's popup text of 1,000,000 characters, of 100,000 lines, of "
              "10,000 entries | 3 | 100 characters a line, 3 lines an entry, 61 lines in all, "
              "with \u2026 where cut\n");
}

TEST(PlacePopup, StaysInsideThePrimaryWorkArea) {
  const RECT work = {0, 0, 1280, 1000};
  struct Case {
    int x, y, width, height;
    POINT expected;
  };
  const Case cases[] = {
      {100, 200, 200, 80, {100, 200}},
      {1230, 200, 200, 80, {1079, 200}},       // 50 px from the right edge: right - 201
      {1280 + 300, 200, 200, 80, {1079, 200}}, // on a monitor to the right
      {-500, 990, 200, 80, {0, 919}},
      {100, 50, 200, 1500, {100, 0}}, // taller than the work area: starts at its top
  };
  for (const Case &c : cases) {
    POINT place = PlacePopup(c.x, c.y, c.width, c.height, work);
    EXPECT_EQ(place.x, c.expected.x) << c.x << "," << c.y;
    EXPECT_EQ(place.y, c.expected.y) << c.x << "," << c.y;
  }
  POINT shifted = PlacePopup(50, 50, 100, 100, RECT{200, 300, 900, 800});
  EXPECT_EQ(shifted.x, 200);
  EXPECT_EQ(shifted.y, 300);
}

TEST(PopupFontHeight, EnlargesByThirtyPercentTowardZero) {
  EXPECT_EQ(PopupFontHeight(-12), -15);
  EXPECT_EQ(PopupFontHeight(-16), -20);
  EXPECT_EQ(PopupFontHeight(-13), -16); // -16.9
  EXPECT_EQ(PopupFontHeight(0), 0);
}

TEST(PopupSizeFor, AddsUpLinesAndKeepsTheWidthBetweenItsBoundsAtEachDpi) {
  const int line = 20;
  const int blank = 17;
  for (int dpi : {96, 144}) {
    // Padding 8, separator slot 12, width 100 to 300 at 96 DPI.
    auto px = [dpi](int value96) { return value96 * dpi / 96; };
    auto measure = [&](const std::wstring &text) {
      // Ten pixels a character, wrapped at the scaled wrap width.
      int width = static_cast<int>(text.size()) * 10;
      int wrap = px(284);
      return SIZE{width < wrap ? width : wrap, (width / wrap + 1) * line};
    };
    SIZE one = PopupSizeFor(WalkPopupLines(L"abc"), dpi, blank, measure);
    EXPECT_EQ(one.cx, px(100)) << dpi;
    EXPECT_EQ(one.cy, px(16) + line) << dpi;

    SIZE wide = PopupSizeFor(WalkPopupLines(std::wstring(60, L'x')), dpi, blank, measure);
    EXPECT_EQ(wide.cx, px(300)) << dpi;
    EXPECT_EQ(wide.cy, px(16) + (600 / px(284) + 1) * line) << dpi;

    SIZE mid = PopupSizeFor(WalkPopupLines(std::wstring(15, L'x')), dpi, blank, measure);
    EXPECT_EQ(mid.cx, 150 + px(16)) << dpi;

    SIZE five = PopupSizeFor(WalkPopupLines(L"h\r\n---\r\na\r\n---\r\nb"), dpi, blank, measure);
    EXPECT_EQ(five.cy, px(16) + 3 * line + 2 * px(12)) << dpi;

    SIZE blanks = PopupSizeFor(WalkPopupLines(L"a\r\n\r\n---\r\n\r\nb"), dpi, blank, measure);
    EXPECT_EQ(blanks.cy, px(16) + 2 * line + blank + px(12)) << dpi;
  }
}

// The real window, shown from this process.
class ShowDayPopupTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_app.instance = GetModuleHandleW(nullptr);
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                            nullptr, g_app.instance, nullptr);
    ASSERT_NE(owner, nullptr);
  }
  void TearDown() override {
    DestroyWindow(owner); // takes the owned popup with it
    EXPECT_EQ(g_app.popup, nullptr);
  }
  ScopedAppState state;
  HWND owner = nullptr;
};

TEST_F(ShowDayPopupTest, ShowsOneTopmostUnactivatedPopupClosedByAClick) {
  ShowDayPopup(owner, L"\u25CF祝日 元日\r\n---\r\n09:00 a", 120, 140);
  HWND first = g_app.popup;
  ASSERT_NE(first, nullptr);
  wchar_t className[64] = {};
  GetClassNameW(first, className, 64);
  EXPECT_STREQ(className, L"SchedulePopup");
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(GetWindow(first, GW_OWNER), owner);
  LONG_PTR exStyle = GetWindowLongPtrW(first, GWL_EXSTYLE);
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  EXPECT_NE(GetActiveWindow(), first);
  RECT rect;
  GetWindowRect(first, &rect);
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.top, 140);
  EXPECT_GE(rect.right - rect.left, 100);
  EXPECT_LE(rect.right - rect.left, 300);

  ShowDayPopup(owner, L"second", 10, 10);
  EXPECT_FALSE(IsWindow(first));
  ASSERT_NE(g_app.popup, nullptr);
  EXPECT_EQ(g_app.popupText, L"second");

  HWND second = g_app.popup;
  SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(g_app.popup, nullptr);
}

TEST_F(ShowDayPopupTest, HeightFollowsTheLines) {
  ShowDayPopup(owner, L"a", 0, 0);
  RECT one;
  GetWindowRect(g_app.popup, &one);
  ShowDayPopup(owner, L"a\r\n---\r\nb\r\n---\r\nc", 0, 0);
  RECT five;
  GetWindowRect(g_app.popup, &five);
  int lineHeight = (one.bottom - one.top) - 16;
  EXPECT_GT(lineHeight, 0);
  EXPECT_EQ(five.bottom - five.top, 16 + 3 * lineHeight + 24);
  EXPECT_EQ(five.right - five.left, 100);
  // A text of megabytes, as a hand-edited file may hold, shows its cut line.
  ShowDayPopup(owner, L"09:00 " + std::wstring(1000000, L'x'), 0, 0);
  ASSERT_NE(g_app.popup, nullptr);
  RECT huge;
  GetWindowRect(g_app.popup, &huge);
  EXPECT_LE(huge.bottom - huge.top, 16 + 8 * lineHeight);
  UpdateWindow(g_app.popup); // paints the cut line
}

} // namespace
