#include "app/startup.h"

#include <gtest/gtest.h>

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
