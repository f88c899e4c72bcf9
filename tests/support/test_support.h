// Helpers shared by the tests: temporary folders, file bytes, and driving
// the real dayglass.exe (start it, find its windows, capture them).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "config/ini_text.h"
#include "schedules/schedule_store.h"

// The UTF-8 byte-order mark calendar.ini starts with.
inline const std::string kBom = "\xEF\xBB\xBF";

// A fresh folder under %TEMP% (or under base), removed with everything in
// it at the end.
class TempDir {
public:
  explicit TempDir(const std::wstring &base = L"");
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::wstring &Path() const { return path_; }
  std::wstring File(const std::wstring &name) const { return path_ + L"\\" + name; }

private:
  std::wstring path_;
};

std::string ReadFileBytes(const std::wstring &path);
bool WriteFileBytes(const std::wstring &path, const std::string &bytes);
bool FileExists(const std::wstring &path);
std::string Utf8(const std::wstring &text);
// calendar.ini's bytes and text, as the product reads and writes them.
IniText DecodeIniBytes(const std::string &bytes);
std::string EncodeIniText(const IniText &text);
// Text as an older Notepad saves it: UTF-16 with its mark (either order), or
// code page 932 (its "ANSI" on a Japanese system).
std::string Utf16Bytes(const std::wstring &text, bool bigEndian);
std::string Cp932Bytes(const std::wstring &text);
std::wstring Wide(const std::string &utf8);
// Names of the files in a folder (no "." or "..").
std::vector<std::wstring> ListFiles(const std::wstring &folder);

// A schedule at the given local date-time.
ScheduleEntry MakeSchedule(int year, int month, int day, int hour = 0, int minute = 0,
                           const std::wstring &text = L"", bool marked = false);

// Whether two schedules, or lists, hold the same date-times, texts and marks.
bool SameSchedule(const ScheduleEntry &a, const ScheduleEntry &b);
bool SameSchedules(const ScheduleList &a, const ScheduleList &b);
// The texts of a list, in its order or sorted.
std::vector<std::wstring> TextsOf(const ScheduleList &list, bool sorted = false);

// While it lives, g_app is a fresh record; the one before comes back at
// the end, so no test leaves state behind for the next. Moved, not copied:
// the record owns fonts.
class ScopedAppState {
public:
  ScopedAppState() : saved_(std::move(g_app)) { g_app = AppState{}; }
  ~ScopedAppState() { g_app = std::move(saved_); }
  ScopedAppState(const ScopedAppState &) = delete;
  ScopedAppState &operator=(const ScopedAppState &) = delete;

private:
  AppState saved_;
};

// Points the process-wide IniPath at a file, for unit tests of the stores.
void UseIniPath(const std::wstring &path);

// Polls until condition holds or about timeoutMs pass; the result says which.
bool WaitUntil(const std::function<bool()> &condition, int timeoutMs = 10000);

// A running dayglass.exe copied into a test folder, so its calendar.ini is
// that folder's. Ends the process (if still running) at the end.
class Dayglass {
public:
  // Copies the exe (DAYGLASS_EXE) into folder and starts it with arguments.
  Dayglass(const std::wstring &folder, const std::wstring &arguments = L"");
  ~Dayglass();
  Dayglass(const Dayglass &) = delete;
  Dayglass &operator=(const Dayglass &) = delete;

  bool Started() const { return process_.hProcess != nullptr; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  // A visible top-level window of this process with the class, or null.
  HWND FindWindowOfClass(const wchar_t *className) const;
  HWND WaitForWindow(const wchar_t *className, int timeoutMs = 15000) const;
  // A visible dialog of this process with the caption, or null.
  HWND FindDialog(const wchar_t *caption) const;
  HWND WaitForDialog(const wchar_t *caption) const;
  // Waits for the process to end; returns its exit code, or -1 on time-out.
  int WaitForExit(int timeoutMs = 15000);
  void Kill();

private:
  PROCESS_INFORMATION process_ = {};
};

// A file of the source tree by its path from the root ("tools/fonts/x.txt"),
// a Linux path reached through Wine's Z: drive.
std::wstring SourcePath(const std::wstring &relative);
// Registers the program's pixel fonts in this process, once, as start-up does.
void RegisterPixelFontsOnce();

// A visible dialog (class "#32770") that owner owns, of the caption when one
// is given; null when there is none.
HWND FindOwnedDialog(HWND owner, const wchar_t *caption = nullptr);
// The first visible top-level window that match accepts, or null.
HWND FindVisibleWindow(const std::function<bool(HWND)> &match);

// A path from an environment variable, a Linux path turned into Wine's Z: form.
std::wstring EnvPath(const wchar_t *name);
// The path of dayglass.exe under test (from DAYGLASS_EXE).
std::wstring DayglassExePath();
// Runs a program and waits for it; its exit code, or -1 when it could not start.
int RunProgram(const std::wstring &commandLine, int timeoutMs = 60000);

// A picture of a window's client area, taken from the screen.
struct Capture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels; // row by row
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Capture CaptureClient(HWND window);
// What draw paints on a fresh width x height bitmap.
Capture CaptureDrawing(int width, int height, const std::function<void(HDC)> &draw);
// How many pixels of rect have the colour.
int CountColor(const Capture &capture, const RECT &rect, COLORREF color);
// Sends a message and waits for the window to handle it.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// How many more GDI objects this process can create, counted up to most.
// Wine reports no GDI counts; with the table filled up to a few hundred free
// slots, a leak shows as slots that stay taken.
int FreeGdiSlots(int most);
