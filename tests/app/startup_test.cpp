#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/support/test_support.h"

TEST(RunModeChoice, SwitchesAreFoundAsPlainSubstrings) {
  const std::pair<const wchar_t *, RunMode> cases[] = {
      {nullptr, RunMode::Window},
      {L"", RunMode::Window},
      {L"/update-holidays", RunMode::UpdateHolidays},
      {L"--update-holidays", RunMode::UpdateHolidays},
      {L"/schedule", RunMode::Schedule},
      {L"--schedule", RunMode::Schedule},
      {L"/schedules", RunMode::Schedule},
      {L"x--schedule", RunMode::Schedule},
      {L"/schedule --update-holidays", RunMode::UpdateHolidays},
      {L"/Schedule", RunMode::Window},
      {L"-schedule", RunMode::Window},
      {L"\"C:\\a b\\dayglass.exe\" /help", RunMode::Window},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ChooseRunMode(c.first), c.second) << (c.first ? c.first : L"(null)");
}

TEST(IniLocation, CalendarIniSitsBesideTheExecutable) {
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(BuildIniPath(L"C:\\Tools\\Dayglass\\dayglass.exe", path, MAX_PATH));
  EXPECT_STREQ(path, L"C:\\Tools\\Dayglass\\calendar.ini");

  // A folder too long for the path leaves it empty instead of cut short.
  std::wstring deep = L"C:\\" + std::wstring(250, L'd') + L"\\dayglass.exe";
  EXPECT_FALSE(BuildIniPath(deep.c_str(), path, MAX_PATH));
  EXPECT_STREQ(path, L"");
}

TEST(IniLocation, MissingFileIsCreatedHoldingOnlyTheMark) {
  TempDir dir;
  std::wstring path = dir.File(L"calendar.ini");
  EnsureIniFile(path.c_str());
  EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF");
  ASSERT_TRUE(WriteFileBytes(path, "kept"));
  EnsureIniFile(path.c_str());
  EXPECT_EQ(ReadFileBytes(path), "kept");
}

// Whatever bytes stand around it, start-up reads the stored window as it is
// and the close's save writes it back as it was; nothing else is lost.
TEST(StartupLoad, HostileBytesKeepTheStoredWindowAndTheRest) {
  using namespace std::string_literals;
  const std::string window = "[Window]\r\nWinW=333\r\nWinH=344\r\nPosX=50\r\nPosY=60\r\n";
  const std::string line = "0001=2099/01/01 09:00|a";
  const struct {
    const char *what;
    std::string bytes;
  } cases[] = {
      {"stray lead byte before LF", "\xEF\xBB\xBF[Schedules]\r\n" + line + "\xE3\n" + window},
      {"stray lead byte before CR LF", "\xEF\xBB\xBF[Schedules]\r\n" + line + "\xF0\r\n" + window},
      {"NUL bytes", "\xEF\xBB\xBF[Schedules]\r\n" + line + "\0\0|\r\n"s + window + "\0"s},
      {"lone CR", "[Schedules]\r" + line + "|\r\r\n" + window},
      {"no byte-order mark", "[Schedules]\r\n" + line + "|\n" + window},
      {"two byte-order marks",
       "\xEF\xBB\xBF\xEF\xBB\xBF\r\n[Schedules]\r\n" + line + "|\r\n" + window},
      {"UTF-16 mark", "\xFF\xFE\r\n[Schedules]\r\n" + line + "|\r\n" + window},
      {"sections in several pieces", "[Window]\r\nWinW=1\r\n[Schedules]\r\n" + line + "|\r\n" +
                                         window + "[Schedules]\r\n" + line + "|\r\n"},
  };
  ScopedAppState state;
  TempDir dir;
  UseIniPath(dir.File(L"calendar.ini"));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), c.bytes));
    g_app.settings = StartupSettings();
    LoadCalendarIni();
    const AppSettings &loaded = g_app.settings;
    EXPECT_EQ(std::vector<int>({loaded.WinW, loaded.WinH, loaded.PosX, loaded.PosY}),
              std::vector<int>({333, 344, 50, 60}));
    const size_t schedules = g_app.schedules.size();
    ASSERT_TRUE(SaveSettings());
    g_app.settings = StartupSettings();
    LoadCalendarIni();
    EXPECT_EQ(std::vector<int>({loaded.WinW, loaded.WinH, loaded.PosX, loaded.PosY}),
              std::vector<int>({333, 344, 50, 60}));
    EXPECT_EQ(g_app.schedules.size(), schedules);
  }
}
