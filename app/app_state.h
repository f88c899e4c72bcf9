// The one process-wide state record. Everything runs on the GUI thread.
#pragma once
#include <windows.h>

#include <string>

#include "app/ini_watch.h"
#include "calendar/calendar_paint.h"
#include "calendar/month_grid.h"
#include "config/settings.h"
#include "holidays/holiday_download.h"
#include "holidays/holiday_store.h"
#include "schedules/schedule_store.h"

struct CalendarAccessible; // the calendar's object for screen readers

struct AppState {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;      // the calendar window; null in the other modes
  HANDLE privateFonts[2] = {};    // registrations of "Hooge 05_55" and "Org_v01"
  wchar_t iniPath[MAX_PATH] = {}; // IniPath
  DisplayedMonth displayed = {};
  CalendarDate today = {}; // the local date the calendar shows as today
  CalendarDate focus = {}; // the day keys move and open, in the month shown
  bool focusCue = false;   // its focus rectangle shows: keys have been used since the last click
  CalendarAccessible *accessible = nullptr; // what screen readers hold, once asked for
  // Window sizes not given by calendar.ini: 96-DPI defaults until the
  // window scales them to the DPI it opens at.
  DefaultSize defaultSize = {true, true};
  AppSettings settings = StartupSettings();
  SettingsState settingsState = SettingsState::Saved;
  AppSettings settingsUntouched = StartupSettings(); // while Unknown: the record before any change
  UINT settingsRetryMs = 0;                          // the pause before the last retry
  CalendarFonts fonts = {};
  ScheduleList schedules; // constructed before the map, destroyed after it
  ScheduleSync scheduleSync;
  IniWatch iniWatch;
  IniLimits iniLimits;
  DownloadLimits downloadLimits;
  HWND scheduleList = nullptr; // the open schedule list dialog, if any
  UINT reloadRetryMs = 0;      // the pause before the file is read again
  ReloadDue reloadDue;         // changes of the file not yet read
  // This process holds what it read from calendar.ini or wrote into it: a
  // file found missing or empty later is not "nothing stored".
  bool iniHadContent = false;
  bool silent = false; // no message boxes: the holiday switch runs unattended
  HolidayMap holidays;
  HWND popup = nullptr;
  std::wstring popupText;
};

extern AppState g_app;
