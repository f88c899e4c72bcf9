// Entry point: prepares the process, loads calendar.ini and runs one mode.
#include <windows.h>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/startup.h"
#include "config/ini_file.h"

namespace {

// Fills the settings, schedules and holidays from calendar.ini. It touches
// nothing of the window system, so it may run beside the first window call.
DWORD WINAPI LoadCalendarIni(void *) {
  EnsureIniFile(g_app.iniPath);
  // One read serves the three loaders: a large file is decoded once.
  bool readable = true;
  IniText text = ReadIniText(&readable);
  LoadSettingsFrom(text, readable);
  FillEmptyFace(g_app.settings);
  LoadSchedulesFrom(text, readable);
  // A save by the schedule load rewrites only its own section.
  ParseHolidays(text, g_app.holidays);
  return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  // Before any library loads: what the system's own DLLs load later comes
  // from the system folder only, never from a DLL planted beside the exe.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  g_app.instance = instance;

  RegisterPrivateFonts();

  SYSTEMTIME now;
  GetLocalTime(&now);
  g_app.displayed = {now.wYear, now.wMonth};

  wchar_t modulePath[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    BuildIniPath(modulePath, g_app.iniPath, MAX_PATH);

  // The file is read on a second thread while this one registers the
  // window class, the first call that brings up the window system (about
  // 25 ms). This thread reads none of what the loader fills until it ends.
  const RunMode mode = ChooseRunMode(commandLine);
  KernelOwner loader(CreateThread(nullptr, 0, LoadCalendarIni, nullptr, 0, nullptr));
  if (mode == RunMode::Window)
    RegisterCalendarClass();
  if (loader)
    WaitForSingleObject(loader.Get(), INFINITE);
  else
    LoadCalendarIni(nullptr);
  CheckLoadedSettings();

  switch (mode) {
  case RunMode::UpdateHolidays:
    return RunHolidayMode();
  case RunMode::Schedule:
    return RunScheduleMode();
  case RunMode::Window:
    break;
  }
  return RunWindowMode();
}
