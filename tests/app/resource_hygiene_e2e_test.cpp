// A running calendar over thousands of repaints, month changes and popups
// and a hundred dialog openings: its windows and memory stay flat.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "resources/resource.h"
#include "tests/support/test_support.h"

namespace {

SIZE_T WorkingSet(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(process, &counters, sizeof counters);
  CloseHandle(process);
  return counters.WorkingSetSize;
}

struct WindowCount {
  DWORD processId;
  int count;
};

BOOL CALLBACK CountChild(HWND, LPARAM data) {
  ++reinterpret_cast<WindowCount *>(data)->count;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM data) {
  auto *count = reinterpret_cast<WindowCount *>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count->processId) {
    ++count->count;
    EnumChildWindows(window, CountChild, data);
  }
  return TRUE;
}

int WindowsOf(DWORD processId) {
  WindowCount count = {processId, 0};
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&count));
  return count.count;
}

} // namespace

TEST(ResourceHygiene, RunningCalendarStaysFlat) {
  TempDir dir;
  SYSTEMTIME today;
  GetLocalTime(&today);
  char day[64];
  std::snprintf(day, sizeof day, "0001=%04d/%02d/%02d 09:00|予定|\r\n", today.wYear, today.wMonth,
                today.wDay);
  ASSERT_TRUE(WriteFileBytes(
      dir.File(L"calendar.ini"),
      std::string("\xEF\xBB\xBF[Window]\r\nPosX=0\r\nPosY=0\r\n[Schedules]\r\n") + day));
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  RECT client;
  GetClientRect(window, &client);
  // The middle of the grid is always a day of the shown month.
  LPARAM middle = MAKELPARAM(client.right / 2, client.bottom * 5 / 8);

  auto round = [&](int repeats) {
    for (int i = 0; i < repeats; ++i) {
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      SendTo(window, WM_MOUSEWHEEL, MAKEWPARAM(0, i % 2 ? 120 : -120), 0);
      SendTo(window, WM_MBUTTONDOWN);
      SendTo(window, WM_LBUTTONDBLCLK, 0, middle);
    }
    for (int i = 0; i < repeats / 40; ++i) {
      for (UINT command : {IDM_SCHEDULE_LIST, IDM_SETTINGS}) {
        PostMessageW(window, WM_COMMAND, command, 0);
        HWND dialog = app.WaitForWindow(L"#32770");
        ASSERT_NE(dialog, nullptr);
        PostMessageW(dialog, WM_COMMAND, command == IDM_SETTINGS ? IDCANCEL : IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
      }
    }
  };
  round(400); // warm up: caches, the popup class, the dialogs' first use
  const int windowsBefore = WindowsOf(app.ProcessId());
  // The working set moves up and down with the system's own caches; a leak
  // shows as growth phase after phase, so the last phase must not top the
  // earlier ones by much (a bitmap leaked per paint would add hundreds of MiB).
  const int kRepeats = 1000, kPhases = 3;
  SIZE_T memory[kPhases] = {};
  for (int phase = 0; phase < kPhases; ++phase) {
    round(kRepeats);
    memory[phase] = WorkingSet(app.ProcessId());
  }
  const int windowsAfter = WindowsOf(app.ProcessId());
  EXPECT_EQ(windowsAfter, windowsBefore);
  EXPECT_LT(memory[2], std::max(memory[0], memory[1]) + 8 * 1024 * 1024)
      << "working set after each phase: " << memory[0] << ", " << memory[1] << ", " << memory[2];
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  std::printf("[reliability] running calendar: repaints, month changes, middle clicks and popups "
              "| %d each | windows %d before, %d after; working set after each third %zu, %zu, "
              "%zu KiB\n",
              kPhases * kRepeats, windowsBefore, windowsAfter, memory[0] / 1024, memory[1] / 1024,
              memory[2] / 1024);
  std::printf("[reliability] running calendar: schedule list and settings dialogs opened and "
              "closed | %d | as above\n",
              kPhases * 2 * (kRepeats / 40));
}
