#include "bench_support.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool WaitUntil(const std::function<bool()> &done, double timeoutMs) {
  const double start = NowMs();
  while (!done()) {
    if (NowMs() - start > timeoutMs)
      return false;
    Sleep(1);
  }
  return true;
}

HWND FindProcessWindow(DWORD processId, const wchar_t *className, const wchar_t *caption) {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, className, caption)) != nullptr) {
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
  POINT probe = {3, 3}; // inside the margin
  ClientToScreen(window, &probe);
  HDC screen = GetDC(nullptr);
  COLORREF seen = GetPixel(screen, probe.x, probe.y);
  ReleaseDC(nullptr, screen);
  return seen == colour;
}

bool StartProgram(const std::wstring &commandLine, PROCESS_INFORMATION &process) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  process = {};
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &process))
    return true;
  fwprintf(stderr, L"cannot start %ls (%lu)\n", commandLine.c_str(), GetLastError());
  return false;
}

void EndProgram(PROCESS_INFORMATION &process) {
  if (!process.hProcess)
    return;
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  process = {};
}

double PeakWorkingSetKib(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
    return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

std::string ReadBytes(const wchar_t *path) {
  std::string bytes;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return bytes;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

void WriteNewFile(const wchar_t *path, const std::string &bytes) {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
}

Spread SpreadOf(std::vector<double> values) {
  Spread spread;
  if (values.empty())
    return spread;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  spread.median = values[n / 2];
  spread.low = values[n / 4];
  spread.high = values[(3 * n) / 4];
  return spread;
}

void PrintSpread(const char *name, const std::vector<double> &values) {
  Spread spread = SpreadOf(values);
  printf("%s %.3f %.3f %.3f\n", name, spread.median, spread.low, spread.high);
}
