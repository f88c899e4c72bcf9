// Times start-up to the first painted frame: starts a program, polls the
// screen every millisecond until its window shows the expected colour at a
// point of the client area, and ends the process. A fresh process each run.
// Usage: bench_startup RUNS CLASS COLOUR PROGRAM [ARGS] [-- CLASS COLOUR PROGRAM [ARGS]]...
//   starts the programs in turns, RUNS times each, and prints a line per
//   program: the median in milliseconds and, for its last run, the peak
//   working set of the process in KiB.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

// The window of this class that belongs to the process, if it is there yet.
HWND FindProcessWindow(const wchar_t *className, DWORD processId) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId)
      return window;
  }
  return nullptr;
}

bool ShowsColour(HWND window, COLORREF colour) {
  if (!IsWindowVisible(window))
    return false;
  POINT probe = {3, 3}; // inside the margin, where only the background is
  ClientToScreen(window, &probe);
  HDC screen = GetDC(nullptr);
  COLORREF seen = GetPixel(screen, probe.x, probe.y);
  ReleaseDC(nullptr, screen);
  return seen == colour;
}

// One program to start: its window class, the colour of its first frame
// and its command line.
struct Target {
  std::wstring className;
  COLORREF colour;
  std::wstring commandLine;
  std::vector<double> times;
  SIZE_T peakWorkingSet = 0;
};

// Starts the target once and times it to its first painted frame; false when
// it never paints. With peak set, also takes the process's peak working set.
bool TimeOneStart(Target &target, bool peak) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<wchar_t> line(target.commandLine.begin(), target.commandLine.end());
  line.push_back(L'\0');
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    fwprintf(stderr, L"cannot start %ls (%lu)\n", target.commandLine.c_str(), GetLastError());
    return false;
  }
  bool painted = false;
  for (;;) {
    HWND window = FindProcessWindow(target.className.c_str(), process.dwProcessId);
    if (window && ShowsColour(window, target.colour)) {
      painted = true;
      break;
    }
    QueryPerformanceCounter(&now);
    if (Seconds(start, now) > 30 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
      break;
    Sleep(1);
  }
  QueryPerformanceCounter(&now);
  if (painted)
    target.times.push_back(Seconds(start, now) * 1000.0);
  else
    fwprintf(stderr, L"no painted window from %ls\n", target.commandLine.c_str());
  if (painted && peak) {
    Sleep(500); // let it settle, then take its peak
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
      target.peakWorkingSet = counters.PeakWorkingSetSize;
  }
  // Ended rather than closed, so that no save changes the data between runs.
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return painted;
}

} // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 5) {
    fwprintf(stderr, L"usage: bench_startup RUNS CLASS COLOUR PROGRAM [ARGS] [-- CLASS COLOUR "
                     L"PROGRAM [ARGS]]...\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  std::vector<Target> targets;
  for (int i = 2; i < argc; ++i) {
    if (wcscmp(argv[i], L"--") == 0 || targets.empty()) {
      if (wcscmp(argv[i], L"--") == 0)
        ++i;
      if (i + 2 >= argc)
        return 2;
      Target target;
      target.className = argv[i];
      target.colour = static_cast<COLORREF>(wcstoul(argv[i + 1], nullptr, 10));
      target.commandLine = L"\"" + std::wstring(argv[i + 2]) + L"\"";
      targets.push_back(target);
      i += 2;
    } else {
      targets.back().commandLine += L" " + std::wstring(argv[i]);
    }
  }

  // The targets take turns, the first of each round changing, so that a
  // slower spell of the machine weighs on all of them alike.
  for (int run = 0; run < runs; ++run) {
    for (size_t k = 0; k < targets.size(); ++k) {
      Target &target = targets[(run + k) % targets.size()];
      if (!TimeOneStart(target, run == runs - 1))
        return 1;
    }
  }
  for (Target &target : targets) {
    std::sort(target.times.begin(), target.times.end());
    wprintf(L"%.1f %llu\n", target.times[target.times.size() / 2],
            static_cast<unsigned long long>(target.peakWorkingSet / 1024));
  }
  return 0;
}
