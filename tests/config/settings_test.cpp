#include "config/settings.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <climits>
#include <vector>

#include "app/app_state.h"
#include "config/ini_file.h"
#include "tests/support/test_support.h"

namespace {

const std::vector<RECT> kEverywhere = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}};

AppSettings Loaded(const IniText &text, const std::vector<RECT> &monitors = kEverywhere) {
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(text, settings);
  ValidateSettings(settings, monitors, 26);
  return settings;
}

const wchar_t kDefaultFile[] = L"[Window]\r\nWinW=300\r\nWinH=320\r\nMargin=10\r\nPosX=200\r\n"
                               L"PosY=150\r\n[Font]\r\nFace=Hooge 05_55\r\nTitlePx=18\r\n"
                               L"WeekPx=12\r\nDatePx=18\r\n[Color]\r\nBg=0\r\nToday=1740287\r\n"
                               L"Weekday=16777215\r\nSaturday=16744448\r\nSunday=255\r\n"
                               L"Holiday=255\r\nSchedule=51400\r\n[Option]\r\nStartMonday=0\r\n"
                               L"ShowOutMonth=1\r\nAutoDeleteOldSchedules=0\r\nHolidayUrl="
                               L"https://www8.cao.go.jp/chosei/shukujitsu/syukujitsu.csv\r\n";

} // namespace

TEST(SettingsValues, StartupAndResetDifferInTodayAndPosition) {
  AppSettings start = StartupSettings();
  AppSettings reset = DefaultSettings();
  EXPECT_EQ(start.Today, 1740287u);
  EXPECT_EQ(reset.Today, 1740031u);
  EXPECT_EQ(start.PosX, CW_USEDEFAULT);
  EXPECT_EQ(reset.PosX, 0);
  EXPECT_EQ(reset.PosY, 0);
  EXPECT_STREQ(start.Face, L"");
  EXPECT_STREQ(reset.Face, L"Hooge 05_55");
  EXPECT_STREQ(start.HolidayUrl, reset.HolidayUrl);
  EXPECT_EQ(std::wstring(start.HolidayUrl).find(L"https://"), 0u);
}

TEST(SettingsLoad, ChecksRaiseWhatCannotBeUsed) {
  struct Case {
    const wchar_t *text;
    int AppSettings::*field;
    int expected;
  };
  const Case cases[] = {
      {L"[Window]\r\nWinW=99\r\n", &AppSettings::WinW, 300},
      {L"[Window]\r\nWinW=100\r\n", &AppSettings::WinW, 100},
      {L"[Window]\r\nWinH=-5\r\n", &AppSettings::WinH, 320},
      {L"[Window]\r\nMargin=-20\r\n", &AppSettings::Margin, -20},
      {L"[Font]\r\nTitlePx=0\r\n", &AppSettings::TitlePx, 18},
      {L"[Font]\r\nTitlePx=1\r\n", &AppSettings::TitlePx, 1},
      {L"[Font]\r\nWeekPx=abc\r\n", &AppSettings::WeekPx, 12},
      {L"[Font]\r\nDatePx=-1\r\n", &AppSettings::DatePx, 18},
      {L"[Option]\r\nStartMonday=2\r\n", &AppSettings::StartMonday, 1},
      {L"[Window]\r\nWinW=300px\r\n", &AppSettings::WinW, 300},
      {L"[Window]\r\nWinW=1000\r\nWinW=500\r\n", &AppSettings::WinW, 500},
      {L"[Font]\r\nWinW=500\r\n", &AppSettings::WinW, 300},
      {L"[Window]\r\nwinw=500\r\n", &AppSettings::WinW, 300},
      {L"[Window]\r\nWinW = 500\r\n", &AppSettings::WinW, 300},
      {L"[window]\r\nWinW=500\r\n", &AppSettings::WinW, 300},
      {L"[Window]\r\nWinW=99999999999999999999999999999999999999\r\n", &AppSettings::WinW,
       2147483647},
      {L"[Window]\r\nMargin=-99999999999999999999999999999999999999\r\n", &AppSettings::Margin,
       -2147483647 - 1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Loaded(c.text).*c.field, c.expected) << c.text;
}

TEST(SettingsLoad, InvisibleTextColoursAndSwitches) {
  AppSettings s = Loaded(L"[Color]\r\nBg=255\r\nWeekday=255\r\nSunday=7\r\n[Option]\r\n"
                         L"ShowOutMonth=yes\r\nAutoDeleteOldSchedules=1\r\n");
  EXPECT_EQ(s.Bg, 0u);
  EXPECT_EQ(s.Weekday, 0xFFFFFFu);
  EXPECT_EQ(s.Sunday, 7u);
  EXPECT_FALSE(s.ShowOutMonth);
  EXPECT_TRUE(s.AutoDeleteOldSchedules);
}

TEST(SettingsLoad, PositionCountsOnlyWithAReachableCaption) {
  // Two monitors side by side, the second one lower; a 300-pixel window.
  const std::vector<RECT> monitors = {{0, 0, 1280, 1024}, {1280, 200, 2560, 1224}};
  struct Case {
    int x, y;
    bool kept;
  } cases[] = {
      {200, 150, true},
      {-10, 100, true},  // a little off the left edge
      {-251, 100, true}, // 49 pixels of caption left
      {-253, 100, false},
      {1250, 0, false},  // on the first only 30 pixels, the second starts lower
      {1250, 200, true}, // across both
      {100, -12, true},  // half the caption above the top
      {100, -14, false},
      {2550, 1220, false}, // a corner of the second monitor only
      {INT_MAX - 5, 10, false},
      {10, CW_USEDEFAULT, false}, // half a position
      {CW_USEDEFAULT, 10, false},
  };
  for (const Case &c : cases) {
    AppSettings s = Loaded(L"[Window]\r\nPosX=" + std::to_wstring(c.x) + L"\r\nPosY=" +
                               std::to_wstring(c.y) + L"\r\n",
                           monitors);
    EXPECT_EQ(s.PosX, c.kept ? c.x : CW_USEDEFAULT) << c.x << "," << c.y;
    EXPECT_EQ(s.PosY, c.kept ? c.y : CW_USEDEFAULT) << c.x << "," << c.y;
  }
  AppSettings half = Loaded(L"[Window]\r\nPosX=40\r\n", monitors);
  EXPECT_EQ(half.PosX, CW_USEDEFAULT) << "PosX stored without PosY";
  std::printf("[reliability] stored window position: half a position, a caption off every "
              "monitor or only a corner on one | 13 | the system places the window\n");
}

TEST(SettingsLoad, TextsAreTakenAsTheyStandButCutToTheirFields) {
  AppSettings s = Loaded(L"[Font]\r\nFace=\r\n[Option]\r\nHolidayUrl=http://h/x?a=b\r\n");
  EXPECT_STREQ(s.Face, L"");
  EXPECT_STREQ(s.HolidayUrl, L"http://h/x?a=b");

  std::wstring longFace(40, L'F');
  std::wstring longUrl = L"http://h/" + std::wstring(600, L'u');
  s = Loaded(L"[Font]\r\nFace=" + longFace + L"\r\n[Option]\r\nHolidayUrl=" + longUrl + L"\r\n");
  EXPECT_EQ(std::wstring(s.Face), longFace.substr(0, 31));
  EXPECT_EQ(std::wstring(s.HolidayUrl), longUrl.substr(0, 511));
}

TEST(SettingsSave, EmptyFileGetsTheTwentyKeysInOrder) {
  AppSettings settings = StartupSettings();
  CopyToField(settings.Face, 32, kDefaultFace);
  settings.PosX = 200;
  settings.PosY = 150;
  IniText text;
  PutSettingsInto(text, settings);
  EXPECT_EQ(text, kDefaultFile);
  // Saved again over itself, nothing moves.
  IniText again = text;
  PutSettingsInto(again, settings);
  EXPECT_EQ(again, text);
}

TEST(SettingsSave, ExistingKeysChangeInPlaceAndStrayKeysStay) {
  IniText text = L"[Option]\r\nStartMonday=2\r\n[Window]\r\nwinw=5\r\nWinW=1\r\n[Other]\r\nx=y\r\n";
  AppSettings settings = Loaded(text);
  PutSettingsInto(text, settings);
  EXPECT_EQ(text.find(L"[Option]\r\nStartMonday=1\r\n"), 0u);
  EXPECT_NE(text.find(L"[Window]\r\nwinw=5\r\nWinW=300\r\nWinH=320\r\n"), IniText::npos);
  EXPECT_NE(text.find(L"[Other]\r\nx=y\r\n"), IniText::npos);
}

TEST(SettingsFile, LoadSaveAndResetOnTheProcessRecord) {
  ScopedAppState state;
  TempDir dir;
  UseIniPath(dir.File(L"calendar.ini"));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                             "\xEF\xBB\xBF[Window]\r\nWinW=640\r\n[Keep]\r\nthis=stays\r\n"));
  LoadSettings();
  EXPECT_EQ(g_app.settings.WinW, 640);
  ResetSettings();
  SaveSettings();
  std::string bytes = ReadFileBytes(dir.File(L"calendar.ini"));
  EXPECT_NE(bytes.find("WinW=300\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("Today=1740031\r\nWeekday"), std::string::npos);
  EXPECT_NE(bytes.find("PosX=0\r\nPosY=0\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("[Keep]\r\nthis=stays\r\n"), std::string::npos);
}

// Hand-edited files: a CR inside a value, a section in two pieces, a "["
// line that is no header. Each save changes the key the loaders read, and
// saving again changes nothing.
TEST(SettingsSave, HandEditedFilesTakeTheChangeAndStayStill) {
  const wchar_t *files[] = {
      L"[Font]\r\nFace=abc\rdef\r\n[Window]\r\nWinW=300\r\n",
      L"[Option]\r\nHolidayUrl=http://a/\rb\r\n[Window]\r\nWinW=300\rx",
      L"[Window]\r\nWinW=300\r\n[Font]\r\nFace=x\r\n[Window]\r\nWinW=500\r\n",
      L"[Window]\r\n[not a header\r\nWinW=500\r\nWinH=400\r\n[Font]\r\n",
      L"[Window]\r\nWinW=1\n[Window]\nWinW=2",
  };
  for (const wchar_t *file : files) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(file)));
    IniText text = file;
    AppSettings settings = Loaded(text);
    settings.WinW = 444;
    settings.WinH = 555;
    PutSettingsInto(text, settings);
    IniText first = text;
    for (int again = 0; again < 2; ++again) {
      PutSettingsInto(text, settings);
      EXPECT_EQ(text, first);
    }
    AppSettings back = Loaded(text);
    EXPECT_EQ(back.WinW, 444);
    EXPECT_EQ(back.WinH, 555);
    EXPECT_STREQ(back.Face, settings.Face);
    EXPECT_STREQ(back.HolidayUrl, settings.HolidayUrl);
  }
  std::printf("[reliability] hand-edited settings: a CR inside a value, a section in two pieces, "
              "a \"[\" line that is no header | 5 | the changed value reads back; saving again "
              "gives the same bytes\n");
}

TEST(SettingsLoad, CutsNeverSplitASurrogatePair) {
  const std::wstring pair = L"\U0001F600";
  for (size_t before = 28; before <= 31; ++before) {
    std::wstring face = std::wstring(before, L'F') + pair + pair;
    std::wstring url = std::wstring(before + 480, L'u') + pair + pair;
    AppSettings s = Loaded(L"[Font]\r\nFace=" + face + L"\r\n[Option]\r\nHolidayUrl=" + url);
    std::wstring gotFace = s.Face, gotUrl = s.HolidayUrl;
    EXPECT_LE(gotFace.size(), 31u);
    EXPECT_EQ(face.compare(0, gotFace.size(), gotFace), 0);
    EXPECT_FALSE(IS_HIGH_SURROGATE(gotFace.back())) << before;
    EXPECT_LE(gotUrl.size(), 511u);
    EXPECT_FALSE(IS_HIGH_SURROGATE(gotUrl.back())) << before;
  }
  std::printf("[reliability] Face and HolidayUrl cut at a surrogate pair | 8 | the pair is "
              "dropped whole\n");
}

// Only a size calendar.ini does not hold (or holds below 100) is the
// default, which follows the DPI; a stored size is pixels, kept as it is.
TEST(SettingsLoad, DefaultSizeOnlyWhereNoneIsStoredAndScaledToTheDpi) {
  ScopedAppState state;
  struct Case {
    const wchar_t *text;
    bool width, height;
    int width144, height144;
  } cases[] = {
      {L"", true, true, 450, 480},
      {L"[Window]\r\nWinW=300\r\nWinH=320\r\n", false, false, 300, 320},
      {L"[Window]\r\nWinW=640\r\n", false, true, 640, 480},
      {L"[Window]\r\nWinW=99\r\nWinH=100\r\n", true, false, 450, 100},
      {L"[Font]\r\nWinW=400\r\n", true, true, 450, 480}, // in the wrong section
  };
  for (const Case &c : cases) {
    g_app.settings = StartupSettings();
    LoadSettingsFrom(c.text, true);
    EXPECT_EQ(g_app.defaultSize.width, c.width) << c.text;
    EXPECT_EQ(g_app.defaultSize.height, c.height) << c.text;
    AppSettings settings = g_app.settings;
    ScaleDefaultSize(settings, g_app.defaultSize, 144);
    EXPECT_EQ(settings.WinW, c.width144) << c.text;
    EXPECT_EQ(settings.WinH, c.height144) << c.text;
    ScaleDefaultSize(settings, {true, true}, 96);
    EXPECT_EQ(settings.WinW, 300);
    EXPECT_EQ(settings.WinH, 320);
  }
}
