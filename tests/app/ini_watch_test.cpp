#include "app/ini_watch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/support/test_support.h"

namespace {

// A change report as the system writes it: one record per name, each
// starting on a DWORD boundary.
std::vector<DWORD> Report(const std::vector<std::wstring> &names) {
  std::vector<DWORD> report;
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t bytes =
        offsetof(FILE_NOTIFY_INFORMATION, FileName) + names[i].size() * sizeof(wchar_t);
    const size_t words = (bytes + sizeof(DWORD) - 1) / sizeof(DWORD);
    const size_t at = report.size();
    report.resize(at + words, 0);
    auto *record = reinterpret_cast<FILE_NOTIFY_INFORMATION *>(&report[at]);
    record->NextEntryOffset = i + 1 < names.size() ? static_cast<DWORD>(words * sizeof(DWORD)) : 0;
    record->Action = FILE_ACTION_MODIFIED;
    record->FileNameLength = static_cast<DWORD>(names[i].size() * sizeof(wchar_t));
    memcpy(record->FileName, names[i].data(), record->FileNameLength);
  }
  return report;
}

} // namespace

TEST(IniWatch, OnlyReportsNamingTheFileOrLosingChangesCount) {
  struct Case {
    std::vector<std::wstring> names;
    bool counts;
  };
  const Case cases[] = {
      {{L"app.log"}, false},
      {{L"calendar.ini.bak", L"~cal0a1b.tmp", L"calendar.in"}, false},
      {{L"~cal0a1b.tmp", L"~cal0a1b.tmp", L"calendar.ini"}, true}, // a rename onto it
      {{L"CALENDAR.INI"}, true},
      {{L"app.log", L"CALEND~1.INI"}, true}, // by its short name
      {{}, true},                            // too many changes: none reported
  };
  for (const Case &c : cases) {
    const std::vector<DWORD> report = Report(c.names);
    EXPECT_EQ(ReportNamesFile(report.data(), static_cast<DWORD>(report.size() * sizeof(DWORD)),
                              L"calendar.ini", L"CALEND~1.INI"),
              c.counts)
        << (c.names.empty() ? L"(none)" : c.names.back().c_str());
  }
}

TEST(IniWatch, NoStreamOfChangesPutsTheReadOffBeyondASecond) {
  // Changes every `every` ms for five seconds: the time of each read, as the
  // calendar window's timer makes them (one timer, set again at each change).
  for (ULONGLONG every : {1ull, 50ull, 100ull, 199ull, 400ull}) {
    ReloadDue due;
    ULONGLONG readAt = ~0ull, first = 0;
    int reads = 0;
    for (ULONGLONG now = 0; now <= 5000; now += every) {
      if (readAt <= now) { // the timer went off before this change
        EXPECT_LE(readAt, first + 1000) << every;
        due = ReloadDue();
        ++reads;
      }
      if (!due.pending)
        first = now;
      readAt = now + PauseBeforeReload(due, now);
    }
    EXPECT_GE(reads, every < 200 ? 4 : 10) << every;
    EXPECT_LE(readAt, first + 1000) << every;
  }
  ReloadDue alone;
  EXPECT_EQ(PauseBeforeReload(alone, 7000), 200u); // a single change settles first
}

TEST(IniWatch, OtherFilesInTheFolderWakeNothing) {
  ScopedAppState state;
  TempDir dir;
  const std::wstring ini = dir.File(L"calendar.ini");
  UseIniPath(ini);
  ASSERT_TRUE(WriteFileBytes(ini, "\xEF\xBB\xBF[Window]\r\n"));
  HWND window =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(StartIniWatch(window));
  auto changes = [&] {
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, window, kIniFolderChanged, kIniFolderChanged, PM_REMOVE))
      ++count;
    return count;
  };
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(WriteFileBytes(dir.File(L"app.log"), std::string(static_cast<size_t>(i), 'x')));
  Sleep(500); // what the folder reported has reached the watch by now
  EXPECT_EQ(changes(), 0);

  // Another program's save: a temporary file renamed onto calendar.ini.
  ASSERT_TRUE(WriteFileBytes(dir.File(L"~new.tmp"), "\xEF\xBB\xBF[Window]\r\nWinW=400\r\n"));
  ASSERT_TRUE(MoveFileExW(dir.File(L"~new.tmp").c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING));
  int seen = 0;
  EXPECT_TRUE(WaitUntil([&] { return (seen += changes()) > 0; }));
  StopIniWatch();
  DestroyWindow(window);
}
