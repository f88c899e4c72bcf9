// Times start-up to the first painted frame: starts a program, polls the
// screen every millisecond until its window shows the expected colour at a
// point of the client area, then waits until the window answers a message
// (the calendar loads the rest of a long list after its first frame), and
// ends the process. A fresh process each run.
// Usage: bench_startup RUNS CLASS COLOUR PROGRAM [ARGS] [-- CLASS COLOUR PROGRAM [ARGS]]...
//   starts the programs in turns, RUNS times each, and prints a line per
//   program: the median and quartiles of its times in milliseconds; for its
//   last run, the peak working set of the process in KiB; and the median
//   and quartiles of the ratio of the first program's time to this one's in
//   the same round; then the median and quartiles of its times until it
//   answered.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

// One program to start: its window class, the colour of its first frame
// and its command line.
struct Target {
  std::wstring className;
  COLORREF colour;
  std::wstring commandLine;
  std::vector<double> times, answers;
  double peakKib = 0;
};

// Starts the target once and times it to its first painted frame; false when
// it never paints. With peak set, also takes the process's peak working set.
bool TimeOneStart(Target &target, bool peak) {
  PROCESS_INFORMATION process;
  const double start = NowMs();
  if (!StartProgram(target.commandLine, process))
    return false;
  HWND window = nullptr;
  const bool painted = WaitUntil(
      [&] {
        window = FindProcessWindow(process.dwProcessId, target.className.c_str());
        return (window && ShowsColour(window, target.colour)) ||
               WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
      },
      30000);
  if (painted && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    target.times.push_back(NowMs() - start);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
    target.answers.push_back(NowMs() - start);
  } else {
    fwprintf(stderr, L"no painted window from %ls\n", target.commandLine.c_str());
  }
  if (painted && peak) {
    Sleep(500); // let it settle, then take its peak
    target.peakKib = PeakWorkingSetKib(process.hProcess);
  }
  // Ended rather than closed, so that no save changes the data between runs.
  EndProgram(process);
  // Wine and the X server go on tearing the process down after its handle
  // is signalled; the next start would otherwise share the cores with that.
  Sleep(150);
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
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run)
      ratios.push_back(targets[0].times[run] / target.times[run]);
    Spread time = SpreadOf(target.times), ratio = SpreadOf(ratios);
    Spread answer = SpreadOf(target.answers);
    printf("%.1f %.1f %.1f %.0f %.3f %.3f %.3f %.1f %.1f %.1f\n", time.median, time.low, time.high,
           target.peakKib, ratio.median, ratio.low, ratio.high, answer.median, answer.low,
           answer.high);
  }
  return 0;
}
