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
// A read of the settings in the one pass over the file: started from base
// (its sizes unset), given each line by ReadSettingEntry, then checked as
// ValidateSettings checks (a size the file does not give, or gives too
// small, stays 0). Lines of other sections and unknown keys change nothing.
AppSettings StartSettingsRead(AppSettings base);
void ReadSettingEntry(AppSettings &settings, std::wstring_view section, std::wstring_view key,
                      std::wstring_view value);
void EndSettingsRead(AppSettings &read);
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
void CopyToField(wchar_t *field, size_t capacity, std::wstring_view text);

// Whether the record is in the file: Saved; Pending when a save failed and
// is to be made again; Unknown when the file could not be read at start-up,
// so the stored settings were never seen and nothing may replace them.
enum class SettingsState { Saved, Pending, Unknown };

// Per field: the user's value where the user changed it (current differs
// from untouched), else the stored one; a size or place the file does not
// hold (0, CW_USEDEFAULT) stays the current one.
AppSettings MergeSettings(const AppSettings &untouched, const AppSettings &current,
                          const AppSettings &stored);

// On the process-wide record: reads the file and checks the values.
void LoadSettings();
// The same from a text already read (readable: whether the file could be read).
void LoadSettingsFrom(const IniText &text, bool readable);
// The same from a read of it (started from the record).
void LoadSettingsFrom(const AppSettings &stored, bool readable);
// What the record holds now is nobody's change (the window has been placed
// where the system put it): only later changes count as the user's.
void MarkSettingsUntouched();
// While the settings are Unknown, takes them from text (the file as just
// read) into the record, keeping each field the user changed meanwhile, and
// tells the calendar window to follow (kSettingsArrived); true when they came.
bool TakeInStoredSettings(const IniText &text);
// The same from a read of it (started from StartupSettings()).
bool TakeInStoredSettings(AppSettings stored);
// The one save of the settings, for every caller. Under the lock, changing
// only the settings' keys; the stored settings are taken in first while
// they are Unknown. Records the outcome: a failure leaves them Pending (or
// Unknown), to be tried again on the calendar window's kSettingsRetryTimer,
// at pauses that double up to about a minute (for Unknown, for as long as
// it takes). False when the file could not be written. withSchedules: the
// schedules' save goes into the same write (at exit: one rewrite, not two).
bool SaveSettings(IniWait wait = IniWait::Patient, bool withSchedules = false);
// After kSettingsRetryTimer: a save, or while Unknown, read (what
// ReloadCalendarIni does); the timer is armed again by what fails.
void RetrySettingsLater();
bool SettingsKnown();
bool SettingsPending();
void ResetSettings();

// The calendar window's timer for the retries, and the message that the
// stored settings have arrived (the window moves, resizes and repaints).
constexpr UINT_PTR kSettingsRetryTimer = 2;
constexpr UINT kSettingsArrived = WM_APP + 2;
