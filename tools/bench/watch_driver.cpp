// The calendar in a noisy folder: another program appends to a log beside
// calendar.ini every 100 ms. Measures the calendar's CPU time over SECONDS
// of that, then how long another program's appointment (calendar.ini
// replaced through a temporary file, as a save does it) takes to show in
// the calendar, asked through Active Accessibility as a screen reader asks.
// Usage: bench_watch FOLDER SECONDS
//   FOLDER holds dayglass.exe and data.ini, whose [Schedules] the
//   appointment joins. Creates the marker files bench-noise-start,
//   bench-noise-end and bench-added in FOLDER at those moments, so that a
//   watcher of the folder (tools/bench/count_reads.py) can count the reads
//   of calendar.ini in each phase. Prints "noise_cpu MS" and "shown MS".
#include <windows.h>

#include <oleacc.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "bench_support.h"

namespace {

// mingw's import library declares the GUID without dllimport.
const GUID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const wchar_t kAddedText[] = L"外部の予定";

// The CPU time of a Linux process in ms: a Wine program's PID is its own.
double CpuMs(DWORD pid) {
  std::string stat = ReadBytes((L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat").c_str());
  size_t at = stat.rfind(')');
  if (at == std::string::npos)
    return 0;
  // After the name: state, then fields 4 onwards; utime and stime are 14 and 15.
  unsigned long long field[16] = {};
  int index = 3;
  for (const char *p = stat.c_str() + at + 2; *p && index < 16; ++index) {
    while (*p == ' ')
      ++p;
    field[index] = strtoull(p, nullptr, 10);
    while (*p && *p != ' ')
      ++p;
  }
  return static_cast<double>(field[14] + field[15]) * 1000.0 / 100.0; // CLK_TCK 100
}

void Mark(const std::wstring &folder, const wchar_t *name) {
  WriteNewFile((folder + L"\\" + name).c_str(), "");
}

// The accessible cell of the 15th of the month shown, or 0.
long FindDay15(IAccessible *month) {
  for (long child = 1; child <= 42; ++child) {
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    bool found = month->get_accName(id, &name) == S_OK && name && wcsstr(name, L"月15日 ");
    SysFreeString(name);
    if (found)
      return child;
  }
  return 0;
}

bool ShowsAdded(IAccessible *month, long child) {
  VARIANT id;
  id.vt = VT_I4;
  id.lVal = child;
  BSTR text = nullptr;
  bool shown = month->get_accDescription(id, &text) == S_OK && text && wcsstr(text, kAddedText);
  SysFreeString(text);
  return shown;
}

} // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 3)
    return 2;
  const std::wstring folder = argv[1];
  const int seconds = _wtoi(argv[2]);
  const std::wstring ini = folder + L"\\calendar.ini";
  std::string data = ReadBytes((folder + L"\\data.ini").c_str());
  WriteNewFile(ini.c_str(), data);
  CoInitialize(nullptr);
  PROCESS_INFORMATION process;
  if (!StartProgram(L"\"" + folder + L"\\dayglass.exe\"", process))
    return 1;
  HWND window = nullptr;
  WaitUntil(
      [&] { return (window = FindProcessWindow(process.dwProcessId, L"Dayglass")) != nullptr; });
  IAccessible *month = nullptr;
  if (!window || AccessibleObjectFromWindow(window, OBJID_CLIENT, kIidAccessible,
                                            reinterpret_cast<void **>(&month)) != S_OK)
    return 1;
  const long day15 = FindDay15(month);
  Sleep(3000); // the watch starts half a second after the window

  std::atomic<bool> noisy{true};
  std::thread noise([&] {
    const std::wstring log = folder + L"\\noise.log";
    while (noisy) {
      HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD written = 0;
      WriteFile(file, "a log line\r\n", 12, &written, nullptr);
      CloseHandle(file);
      Sleep(100);
    }
  });
  Mark(folder, L"bench-noise-start");
  const double cpuBefore = CpuMs(process.dwProcessId);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  const double cpu = CpuMs(process.dwProcessId) - cpuBefore;
  Mark(folder, L"bench-noise-end");

  // Another program's appointment on the 15th, saved as a save does it.
  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[96];
  snprintf(line, sizeof line, "0000=%04d/%02d/15 12:00|", now.wYear, now.wMonth);
  std::string added = line;
  added += "\xE5\xA4\x96\xE9\x83\xA8\xE3\x81\xAE\xE4\xBA\x88\xE5\xAE\x9A|\r\n"; // kAddedText
  size_t section = data.find("[Schedules]\r\n");
  data.insert(section == std::string::npos ? data.size() : section + 13, added);
  const std::wstring temporary = folder + L"\\~other.tmp";
  WriteNewFile(temporary.c_str(), data);
  Mark(folder, L"bench-added");
  const double start = NowMs();
  MoveFileExW(temporary.c_str(), ini.c_str(), MOVEFILE_REPLACE_EXISTING);
  bool shown = day15 && WaitUntil(
                            [&] {
                              Sleep(5);
                              return ShowsAdded(month, day15);
                            },
                            20000);
  const double shownMs = NowMs() - start;
  noisy = false;
  noise.join();
  Mark(folder, L"bench-done");

  month->Release();
  EndProgram(process);
  printf("noise_cpu %.0f\n", cpu);
  printf("shown %.0f\n", shown ? shownMs : -1.0);
  return 0;
}
