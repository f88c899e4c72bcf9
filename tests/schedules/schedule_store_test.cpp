#include "schedules/schedule_store.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "tests/support/test_support.h"

namespace {

std::string Bom(const std::string &text) {
  return kBom + text;
}

// Keeps the process-wide state of one test away from the next.
class ScheduleFile : public ::testing::Test {
protected:
  void SetUp() override { UseIniPath(path_); }
  ScopedAppState state_;
  TempDir dir_;
  std::wstring path_ = dir_.File(L"calendar.ini");
};

} // namespace

TEST(ScheduleText, EscapesAndReadsBackUnchanged) {
  struct Case {
    const wchar_t *text, *stored;
  } cases[] = {
      {L"Meet\r\nRoom 4", L"Meet\\nRoom 4"},
      {L"C:\\new", L"C:\\\\new"},
      {L"\\\\server\\share", L"\\\\\\\\server\\\\share"},
      {L"ends with \\", L"ends with \\\\"},
      {L"a|b|Y", L"a|b|Y"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(EscapeScheduleText(c.text), c.stored);
    EXPECT_EQ(UnescapeScheduleText(c.stored), c.text);
  }
  EXPECT_EQ(EscapeScheduleText(L"a\nb\rc"), L"a\\nbc"); // a lone LF, a lone CR
  // Texts stored before backslashes were doubled read as they always did.
  EXPECT_EQ(UnescapeScheduleText(L"C:\\new"), L"C:\r\new");
  EXPECT_EQ(UnescapeScheduleText(L"a\\b\\"), L"a\\b\\");
  EXPECT_EQ(UnescapeScheduleText(L"a\\\rb"), L"a\\b");
}

TEST(ScheduleOrder, StrictWeakOrderThatIsChronologicalForValidDates) {
  const ScheduleEntry values[] = {
      MakeSchedule(2026, 3, 1, 9, 0),     MakeSchedule(2026, 3, 1, 9, 0),
      MakeSchedule(2026, 3, 1, 8, 59),    MakeSchedule(2026, 13, 1, 0, 0),
      MakeSchedule(1500, 1, 1, 0, 0),     MakeSchedule(2026, 3, 0, 0, 0),
      MakeSchedule(2026, 2, 30, 7, 5),    MakeSchedule(65535, 1, 1, 0, 0),
      MakeSchedule(0, 0, 0, 0, 0),        MakeSchedule(2026, 3, 1, 25, 61),
      MakeSchedule(2025, 12, 31, 23, 59),
  };
  auto equal = [](const ScheduleEntry &a, const ScheduleEntry &b) {
    return !ScheduleEarlier(a, b) && !ScheduleEarlier(b, a);
  };
  for (const ScheduleEntry &a : values) {
    for (const ScheduleEntry &b : values) {
      FILETIME x, y;
      if (SystemTimeToFileTime(&a.when, &x) && SystemTimeToFileTime(&b.when, &y)) {
        EXPECT_EQ(ScheduleEarlier(a, b), CompareFileTime(&x, &y) < 0);
      }
      for (const ScheduleEntry &c : values) {
        bool transitive =
            !(ScheduleEarlier(a, b) && ScheduleEarlier(b, c)) || ScheduleEarlier(a, c);
        bool equalTransitive = !(equal(a, b) && equal(b, c)) || equal(a, c);
        ASSERT_TRUE(!ScheduleEarlier(a, a) && transitive && equalTransitive);
      }
    }
  }
  ScopedAppState state;
  g_app.schedules.assign(std::begin(values), std::end(values));
  SortSchedules();
  EXPECT_TRUE(std::is_sorted(g_app.schedules.begin(), g_app.schedules.end(), ScheduleEarlier));
}

TEST(ScheduleLines, ParseWellFormedMalformedAndOddLines) {
  struct Case {
    const wchar_t *line;
    bool loads;
    ScheduleEntry expected;
  } cases[] = {
      {L"0001=2026/12/24 18:30|x|", true, MakeSchedule(2026, 12, 24, 18, 30, L"x")},
      {L"abc=2026/12/24 18:30|x|", true, MakeSchedule(2026, 12, 24, 18, 30, L"x")},
      {L"0001=2026/12/24 18:30|", true, MakeSchedule(2026, 12, 24, 18, 30)},
      {L"0001=2026/12/24 18:30||", true, MakeSchedule(2026, 12, 24, 18, 30)},
      {L"0001=2026/12/24 18:30|a|b|", true, MakeSchedule(2026, 12, 24, 18, 30, L"a|b")},
      {L"0001=2026/12/24 18:30|a|Y|", true, MakeSchedule(2026, 12, 24, 18, 30, L"a|Y")},
      {L"0001=2026/12/24 18:30|a||Y", true, MakeSchedule(2026, 12, 24, 18, 30, L"a|", true)},
      {L"0001=2026/12/24 18:30|a=b|y", true, MakeSchedule(2026, 12, 24, 18, 30, L"a=b", true)},
      {L"0001=2026/2/30 7:5|x|", true, MakeSchedule(2026, 2, 30, 7, 5, L"x")},
      {L"0001= +2026/ 12/\t24\t \t18: 30junk|x|", true, MakeSchedule(2026, 12, 24, 18, 30, L"x")},
      {L"0001=-1/13/0 25:61|x|", true, MakeSchedule(65535, 13, 0, 25, 61, L"x")},
      {L"0001=123456789012345678901/1/1 0:0|x|", true, MakeSchedule(27701, 1, 1, 0, 0, L"x")},
      {L"0001=2026/12/2418:30|x|", false, {}},
      {L"0001=2026 /12/24 18:30|x|", false, {}},
      {L"0001=2026/12/24 18:+|x|", false, {}},
      {L"0001=2026/12/24 18:30 no bar", false, {}},
      {L"0001=", false, {}},
      {L"no equals sign|x|", false, {}},
  };
  for (const Case &c : cases) {
    bool dropped = true;
    ScheduleList list = ParseSchedules(std::wstring(L"[Schedules]\r\n") + c.line, false, &dropped);
    EXPECT_TRUE(!dropped && list.size() == (c.loads ? 1u : 0u) &&
                (!c.loads || SameSchedule(list[0], c.expected)))
        << testing::PrintToString(Utf8(c.line));
  }
}

TEST(ScheduleLines, OnlyScheduleSectionsInFileOrder) {
  const IniText text = L"0009=2020/01/01 00:00|before any header|\n"
                       L"[Window]\nWinW=300\n0001=2020/01/01 00:00|in window|\n"
                       L"[Schedules]\n0007=2026/03/02 10:00|b|\n\n0003=2026/03/01 09:00|a|\n"
                       L"[schedules]\n0001=2020/01/01 00:00|lower case|\n"
                       L"[Option]\nStartMonday=1\n"
                       L"[Schedules]\n0001=2025/01/01 00:00|c|Y\n";
  ScheduleList list = ParseSchedules(text, false, nullptr);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_TRUE(list[0].text == L"b" && list[1].text == L"a" && list[2].text == L"c");
  EXPECT_TRUE(list[2].markedOld);
}

TEST(ScheduleLines, FormatsPaddedRenumberedLinesOfAnyLengthAndReadsThemBack) {
  EXPECT_EQ(FormatScheduleLine(2, MakeSchedule(2026, 12, 25, 9, 0, L"Meet\r\nRoom 4", true)),
            L"0002=2026/12/25 09:00|Meet\\nRoom 4|Y\r\n");
  EXPECT_EQ(FormatScheduleLine(10000, MakeSchedule(65535, 1, 1, 0, 0, L"C:\\new")),
            L"10000=65535/01/01 00:00|C:\\\\new|\r\n");
  const std::wstring longText(5000, L'\u4e88');
  EXPECT_EQ(FormatScheduleLine(1, MakeSchedule(2026, 1, 1, 0, 0, longText)),
            L"0001=2026/01/01 00:00|" + longText + L"|\r\n");

  const ScheduleList list = {
      MakeSchedule(2026, 12, 25, 9, 0, L"Meet\r\nRoom 4", true),
      MakeSchedule(2026, 1, 1, 0, 0, L"C:\\new\\notes.txt"),
      MakeSchedule(2026, 1, 1, 0, 0, L"\\n is not a break\\"),
      MakeSchedule(2026, 1, 1, 0, 0, L"bars | inside |Y"),
      MakeSchedule(2026, 1, 1, 0, 0, L"a|"),
      MakeSchedule(2026, 1, 1, 0, 0, L"[Color]\r\nBg=0"),
      MakeSchedule(2026, 13, 0, 25, 61, L""),
      MakeSchedule(2026, 1, 1, 0, 0, longText + L"\\"),
  };
  IniText text = L"[Window]\r\nWinW=300\r\n";
  ReplaceIniSection(text, L"Schedules", BuildScheduleSection(list));
  ScheduleList back = ParseSchedules(text, false, nullptr);
  ASSERT_EQ(back.size(), list.size());
  for (size_t i = 0; i < list.size(); ++i)
    EXPECT_TRUE(SameSchedule(back[i], list[i])) << i;
}

TEST_F(ScheduleFile, SaveMovesTheSectionLastAndRenumbers) {
  // A missing file loads empty; a save then writes the section alone.
  LoadSchedules();
  EXPECT_TRUE(g_app.schedules.empty());
  SaveSchedules();
  EXPECT_EQ(ReadFileBytes(path_), Bom("[Schedules]\r\n"));

  WriteFileBytes(path_, Bom("[Window]\nWinW=300\n[Schedules]\n0042=2026/3/1 9:0|b|\n"
                            "bad line\n0007=2026/02/01 08:00|a|y\n[Option]\nStartMonday=1\n"
                            "[Schedules]\n0003=2026/04/01 10:00|c|\n"));
  g_app.settings.AutoDeleteOldSchedules = false;
  LoadSchedules();
  ASSERT_EQ(g_app.schedules.size(), 3u);
  EXPECT_EQ(ReadFileBytes(path_).find("\r\n"), std::string::npos); // loading wrote nothing
  SaveSchedules();
  EXPECT_EQ(ReadFileBytes(path_), Bom("[Window]\r\nWinW=300\r\n[Option]\r\nStartMonday=1\r\n"
                                      "[Schedules]\r\n0001=2026/02/01 08:00|a|Y\r\n"
                                      "0002=2026/03/01 09:00|b|\r\n"
                                      "0003=2026/04/01 10:00|c|\r\n"));
}

TEST_F(ScheduleFile, AutomaticDeletionDropsMarkedLinesAndSavesOnce) {
  const std::string original = Bom("[Schedules]\n0001=2099/01/01 00:00|future|Y\n"
                                   "0002=not a date|x|y\n0003=2000/01/02 00:00|past|\n"
                                   "[Holidays]\n2026-01-01=元日\n[Schedules]\n"
                                   "0004=2026/01/01 00:00|old|Y\n0005=2026/01/03 00:00|last|\n");
  WriteFileBytes(path_, original);
  g_app.settings.AutoDeleteOldSchedules = false;
  LoadSchedules();
  EXPECT_EQ(g_app.schedules.size(), 4u); // the line that is no date is skipped
  EXPECT_EQ(ReadFileBytes(path_), original);

  g_app.settings.AutoDeleteOldSchedules = true;
  LoadSchedules();
  ASSERT_EQ(g_app.schedules.size(), 2u);
  EXPECT_EQ(ReadFileBytes(path_), Bom("[Holidays]\r\n2026-01-01=元日\r\n[Schedules]\r\n"
                                      "0001=2000/01/02 00:00|past|\r\n"
                                      "0002=2026/01/03 00:00|last|\r\n"));
}

// Another process changes the section between this process's load and its
// save; the save applies only this process's own change to what the file
// holds by then, and takes that as its list.
TEST_F(ScheduleFile, SaveTakesInAnotherProcessesChanges) {
  const ScheduleEntry a = MakeSchedule(2099, 1, 1, 9, 0, L"A");
  const ScheduleEntry b = MakeSchedule(2099, 2, 2, 9, 0, L"B", true);
  const ScheduleEntry c = MakeSchedule(2099, 3, 3, 9, 0, L"C");
  const ScheduleEntry x = MakeSchedule(2099, 4, 4, 9, 0, L"X");
  const ScheduleEntry a2 = MakeSchedule(2099, 1, 1, 9, 0, L"A2");
  const ScheduleEntry c2 = MakeSchedule(2099, 3, 3, 9, 0, L"C2");
  const ScheduleEntry c3 = MakeSchedule(2099, 3, 3, 9, 0, L"C3");
  const ScheduleChange none;
  struct Case {
    const char *what;
    ScheduleChange theirs, ours;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"nobody else", none, {{}, {x}}, {L"A", L"B", L"C", L"X"}},
      {"they add, we close", {{}, {x}}, none, {L"A", L"B", L"C", L"X"}},
      {"both add", {{}, {x}}, {{}, {a2}}, {L"A", L"A2", L"B", L"C", L"X"}},
      {"they delete, we edit another", {{b}, {}}, {{a}, {a2}}, {L"A2", L"C"}},
      {"they add, we delete", {{}, {x}}, {{a}, {}}, {L"B", L"C", L"X"}},
      {"both edit the same", {{c}, {c2}}, {{c}, {c3}}, {L"A", L"B", L"C2", L"C3"}},
      {"both delete the same", {{b}, {}}, {{b}, {}}, {L"A", L"C"}},
      {"they delete what we edit", {{a}, {}}, {{a}, {a2}}, {L"A2", L"B", L"C"}},
  };
  g_app.settings.AutoDeleteOldSchedules = false;
  for (const Case &test : cases) {
    SCOPED_TRACE(test.what);
    ScheduleList start = {a, b, c};
    IniText text = L"[Window]\r\nWinW=300\r\n";
    ReplaceIniSection(text, L"Schedules", BuildScheduleSection(start));
    ASSERT_TRUE(WriteFileBytes(path_, EncodeIniText(text)));
    LoadSchedules();

    // The other process: its own load, change and save.
    ScheduleList theirs = start;
    ApplyScheduleChange(theirs, test.theirs);
    ReplaceIniSection(text, L"Schedules", BuildScheduleSection(theirs));
    ASSERT_TRUE(WriteFileBytes(path_, EncodeIniText(text)));
    const std::string between = ReadFileBytes(path_);

    ApplyScheduleChange(g_app.schedules, test.ours);
    bool ours = !test.ours.removed.empty() || !test.ours.added.empty();
    EXPECT_TRUE(SaveSchedules(ours ? &test.ours : nullptr));
    ScheduleList stored = ParseSchedules(DecodeIniBytes(ReadFileBytes(path_)), false, nullptr);
    EXPECT_EQ(TextsOf(stored, true), test.expected);
    EXPECT_EQ(TextsOf(g_app.schedules, true), test.expected);
    EXPECT_TRUE(std::is_sorted(g_app.schedules.begin(), g_app.schedules.end(), ScheduleEarlier));
    if (!ours && test.theirs.added.size() + test.theirs.removed.size() > 0) {
      EXPECT_EQ(ReadFileBytes(path_), between) << "a save with nothing of ours writes nothing";
    }
    EXPECT_NE(ReadFileBytes(path_).find("[Window]\r\nWinW=300\r\n"), std::string::npos);
  }
  std::printf("[reliability] schedules changed by another process before a save (adds, edits, "
              "deletes, the same entry on both sides) | 8 | only this process's change applied "
              "to the file's list; nothing of the other's lost; the list in date-time order\n");
}

// A save that fails keeps the change; a later save, even one taking in
// another process's changes, writes it.
TEST_F(ScheduleFile, FailedSaveKeepsTheChangeForTheNextSave) {
  g_app.settings.AutoDeleteOldSchedules = false;
  ASSERT_TRUE(WriteFileBytes(path_, Bom("[Schedules]\r\n0001=2099/01/01 09:00|A|\r\n")));
  LoadSchedules();
  const ScheduleChange add = {{}, {MakeSchedule(2099, 2, 2, 9, 0, L"mine")}};
  ApplyScheduleChange(g_app.schedules, add);
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(SaveSchedules(&add));
  EXPECT_TRUE(SchedulesPending());
  SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Meanwhile another process adds one.
  ASSERT_TRUE(WriteFileBytes(path_, Bom("[Schedules]\r\n0001=2099/01/01 09:00|A|\r\n"
                                        "0002=2099/03/03 09:00|theirs|\r\n")));
  EXPECT_TRUE(SaveSchedules());
  EXPECT_FALSE(SchedulesPending());
  EXPECT_EQ(TextsOf(ParseSchedules(DecodeIniBytes(ReadFileBytes(path_)), false, nullptr), true),
            (std::vector<std::wstring>{L"A", L"mine", L"theirs"}));
}

// A save starts from the version it wrote last only while the file is that
// version: an editor that rewrites it in place, to the same size, is seen.
TEST_F(ScheduleFile, SaveSeesAFileRewrittenInPlace) {
  g_app.settings.AutoDeleteOldSchedules = false;
  ASSERT_TRUE(WriteFileBytes(path_, Bom("[Schedules]\r\n0001=2099/01/01 09:00|A|\r\n")));
  LoadSchedules();
  EXPECT_FALSE(TakeInFileList(ReadIniText()));
  const ScheduleChange addX = {{}, {MakeSchedule(2099, 2, 2, 9, 0, L"X")}};
  ApplyScheduleChange(g_app.schedules, addX);
  ASSERT_TRUE(SaveSchedules(&addX));
  std::string bytes = ReadFileBytes(path_);
  bytes[bytes.find("|A|") + 1] = 'B';
  FileOwner file(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(
      WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  file.Reset();
  const ScheduleChange addY = {{}, {MakeSchedule(2099, 3, 3, 9, 0, L"Y")}};
  ApplyScheduleChange(g_app.schedules, addY);
  ASSERT_TRUE(SaveSchedules(&addY));
  EXPECT_EQ(TextsOf(ParseSchedules(DecodeIniBytes(ReadFileBytes(path_)), false, nullptr), true),
            (std::vector<std::wstring>{L"B", L"X", L"Y"}));
  // Another program's list, in any order, is taken in sorted.
  ASSERT_TRUE(WriteFileBytes(path_, Bom("[Schedules]\r\n0001=2099/05/05 09:00|late|\r\n"
                                        "0002=2099/01/01 09:00|early|\r\n")));
  EXPECT_TRUE(TakeInFileList(ReadIniText()));
  EXPECT_EQ(TextsOf(g_app.schedules), (std::vector<std::wstring>{L"early", L"late"}));
}
