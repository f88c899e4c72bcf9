// Times start-up to the first painted frame: starts a program, polls the
// screen every millisecond until its window shows the expected colour at a
// point of the client area, and ends the process. A fresh process each run.
// Usage: bench_startup RUNS CLASS COLOUR PROGRAM [ARGS]
//   prints the median in milliseconds and, for the last run, the peak
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

} // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 5) {
    fwprintf(stderr, L"usage: bench_startup RUNS CLASS COLOUR PROGRAM [ARGS]\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  const wchar_t *className = argv[2];
  const COLORREF colour = static_cast<COLORREF>(wcstoul(argv[3], nullptr, 10));
  std::wstring commandLine = L"\"" + std::wstring(argv[4]) + L"\"";
  for (int i = 5; i < argc; ++i)
    commandLine += L" " + std::wstring(argv[i]);

  std::vector<double> times;
  SIZE_T peakWorkingSet = 0;
  for (int run = 0; run < runs; ++run) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      fwprintf(stderr, L"cannot start %ls (%lu)\n", argv[4], GetLastError());
      return 1;
    }
    bool painted = false;
    for (;;) {
      HWND window = FindProcessWindow(className, process.dwProcessId);
      if (window && ShowsColour(window, colour)) {
        painted = true;
        break;
      }
      QueryPerformanceCounter(&now);
      if (Seconds(start, now) > 30 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
        break;
      Sleep(1);
    }
    QueryPerformanceCounter(&now);
    if (!painted) {
      fwprintf(stderr, L"no painted window from %ls\n", argv[4]);
      TerminateProcess(process.hProcess, 1);
      return 1;
    }
    times.push_back(Seconds(start, now) * 1000.0);
    if (run == runs - 1) {
      Sleep(500); // let it settle, then take its peak
      PROCESS_MEMORY_COUNTERS counters = {};
      counters.cb = sizeof counters;
      if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
        peakWorkingSet = counters.PeakWorkingSetSize;
    }
    // Ended rather than closed, so that no save changes the data between runs.
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  std::sort(times.begin(), times.end());
  wprintf(L"%.1f %llu\n", times[times.size() / 2],
          static_cast<unsigned long long>(peakWorkingSet / 1024));
  return 0;
}
