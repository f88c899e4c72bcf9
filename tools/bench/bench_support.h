// What the benchmark's programs share: the clock, the windows of another
// process, plain file calls as floors, and a set of times summed up.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

double NowMs();

// Polls every millisecond until done() holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()> &done, double timeoutMs = 60000);

// A top-level window of the process with that class (and caption, unless
// null), visible or not.
HWND FindProcessWindow(DWORD processId, const wchar_t *className, const wchar_t *caption = nullptr);

// Whether the window is on screen with its background colour at a point
// of the client area that only the background covers.
bool ShowsColour(HWND window, COLORREF colour);

// Starts a program; the caller closes the two handles.
bool StartProgram(const std::wstring &commandLine, PROCESS_INFORMATION &process);
void EndProgram(PROCESS_INFORMATION &process);

// The peak working set of a process in KiB.
double PeakWorkingSetKib(HANDLE process);

// The floors: a whole file read with one call, and bytes written to a new
// file and flushed.
std::string ReadBytes(const wchar_t *path);
void WriteNewFile(const wchar_t *path, const std::string &bytes);

// The median and the quartiles around it: a spread that a few runs slowed
// by other work on the machine do not stretch.
struct Spread {
  double median = 0, low = 0, high = 0;
};
Spread SpreadOf(std::vector<double> values);
// One line: the name, then the median, lower and upper quartile.
void PrintSpread(const char *name, const std::vector<double> &values);
