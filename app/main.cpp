// Entry point: prepares the process, loads calendar.ini and runs one mode.
#include <windows.h>

#include "app/app_state.h"
#include "app/startup.h"

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
  g_app.today = {now.wYear, now.wMonth, now.wDay};
  g_app.focus = g_app.today;

  wchar_t modulePath[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    BuildIniPath(modulePath, g_app.iniPath, MAX_PATH);

  const RunMode mode = ChooseRunMode(commandLine);
  EnsureIniFile(g_app.iniPath);
  LoadCalendarIni();

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
