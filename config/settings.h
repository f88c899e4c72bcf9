// The user's settings: the record, its keys in calendar.ini, the checks
// made after loading, and the values the defaults button restores.
#pragma once
#include <windows.h>

#include <vector>

#include "config/ini_file.h"
#include "config/ini_text.h"

struct AppSettings {
  int WinW;
  int WinH;
  wchar_t Face[32];
  int TitlePx;
  int WeekPx;
  int DatePx;
  COLORREF Bg;
  COLORREF Today;
  COLORREF Weekday;
  COLORREF Saturday;
  COLORREF Sunday;
  COLORREF Holiday;
  COLORREF Schedule;
  int Margin;
  int StartMonday;
  bool ShowOutMonth;
  bool AutoDeleteOldSchedules;
  int PosX; // CW_USEDEFAULT when no position is known
  int PosY;
  wchar_t HolidayUrl[512];
};

extern const wchar_t kDefaultFace[];       // "Hooge 05_55"
extern const wchar_t kDefaultHolidayUrl[]; // the Cabinet Office's national-holiday CSV

// Which of the window's sizes are defaults, given in 96-DPI pixels: stored
// sizes are physical pixels and stay as they are.
struct DefaultSize {
  bool width;
  bool height;
};

AppSettings StartupSettings(); // the record before anything is loaded
AppSettings DefaultSettings(); // what the defaults button restores

// Pure pieces of the load and the save, for a given record and text.
void AssignSettingsFrom(const IniText &text, AppSettings &settings);
// The checks after loading. A stored position counts only with both
// coordinates and a reachable caption (of captionHeight pixels).
void ValidateSettings(AppSettings &settings, const std::vector<RECT> &monitors, int captionHeight);
void PutSettingsInto(IniText &text, const AppSettings &settings);
// Gives the defaulted sizes the default size scaled to a DPI.
void ScaleDefaultSize(AppSettings &settings, DefaultSize defaulted, int dpi);
// An empty face becomes "Hooge 05_55" (in memory only): at start-up, for
// every mode, and when the settings dialog opens.
void FillEmptyFace(AppSettings &settings);
// Copies text into a fixed field, cut to fit.
void CopyToField(wchar_t *field, size_t capacity, const std::wstring &text);

// On the process-wide record: reads the file and checks the values.
void LoadSettings();
// The same from a text already read (readable: whether the file could be read).
void LoadSettingsFrom(const IniText &text, bool readable);
// Under the lock, changing only the settings' keys; false when the file
// could not be written.
bool SaveSettings(IniWait wait = IniWait::Patient);
// False when the file could not be read at start-up: the stored settings
// were never seen, and no save may replace them.
bool SettingsSavable();
void ResetSettings();
