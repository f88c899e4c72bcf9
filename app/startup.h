// What start-up does before and after the modes: the command line, the
// private font, and where calendar.ini lives.
#pragma once
#include <windows.h>

#include "config/ini_text.h"
#include "config/settings.h"
#include "holidays/holiday_store.h"
#include "schedules/schedule_store.h"

enum class RunMode { Window, UpdateHolidays, Schedule };

// The mode a command line asks for; switches are found as plain substrings.
RunMode ChooseRunMode(const wchar_t *commandLine);

// Registers the pixel fonts (FONT 1008 and 1009) for this process; warns
// when one that is present cannot be registered.
void RegisterPrivateFonts();
void UnregisterPrivateFonts();

// IniPath: calendar.ini beside the executable. False when the path does not fit.
bool BuildIniPath(const wchar_t *modulePath, wchar_t *iniPath, size_t capacity);
// Creates a missing calendar.ini holding only the UTF-8 byte-order mark.
void EnsureIniFile(const wchar_t *iniPath);

// One read of calendar.ini for the settings, the holidays and the
// schedules, before any window: the first frame shows the file as it is.
void LoadCalendarIni();
// What calendar.ini holds, each part as its store reads it, from the one
// pass over its text that every read of the whole file makes: each line
// goes to the reader of its section, read in place. The settings' read is
// started by the caller (StartSettingsRead) and checked after it; without
// withList the schedules give their fingerprint alone.
struct StoredIni {
  AppSettings settings;
  HolidayMap holidays;
  ScheduleRead schedules;
};
void ReadStoredIni(const IniText &text, StoredIni &stored, bool withList);
// What other programs wrote since, under the lock, without waiting: the
// file's schedules (this process's unsaved changes kept) and holidays, and
// the settings while they were never seen. False when the file could not be
// read, or read empty while the calendar shows what it read before (a
// program writing it in place): what is shown stays, and the caller tries
// again later.
bool ReloadCalendarIni();
// Everything this process holds, put into the empty text of a file found
// missing, empty or not text: settings (when known), holidays, schedules.
void RestoreCalendarIni(IniText &text);
// What the end of the message loop saves, and sign-out: the schedules, with
// the settings when asked (closed by the caption, or not saved yet) in the
// same write. tellFailure: the user hears of schedules that could not be saved.
void SaveBeforeExit(bool withSettings, bool tellFailure);

// Runs each mode; the result is the exit code.
int RunHolidayMode();
int RunScheduleMode();
int RunWindowMode();
