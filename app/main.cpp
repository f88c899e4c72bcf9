// Entry point: prepares the process, loads calendar.ini and runs one mode.
#include <windows.h>

#include <commctrl.h>

#include "app/app_state.h"
#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  g_app.instance = instance;

  INITCOMMONCONTROLSEX controls = {sizeof controls, 0x000004FF};
  InitCommonControlsEx(&controls);

  RegisterPrivateFont();

  SYSTEMTIME now;
  GetLocalTime(&now);
  g_app.displayed = {now.wYear, now.wMonth};

  wchar_t modulePath[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    BuildIniPath(modulePath, g_app.iniPath, MAX_PATH);
  EnsureIniFile(g_app.iniPath);

  LoadSettings();
  if (!g_app.settings.Face[0])
    CopyToField(g_app.settings.Face, 32, kDefaultFace);
  LoadSchedules();
  LoadHolidays();

  switch (ChooseRunMode(commandLine)) {
  case RunMode::UpdateHolidays:
    return RunHolidayMode();
  case RunMode::Schedule:
    return RunScheduleMode();
  case RunMode::Window:
    break;
  }
  return RunWindowMode();
}
