// Saves calendar.ini again and again through the product's own save path:
// each version rewrites the schedules, then the settings. Tests kill it at
// random moments and check that the file is always one whole version.
//   save_loop.exe INI_PATH FIRST_VERSION LAST_VERSION
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "app/app_state.h"
#include "tests/support/save_versions.h"

int wmain(int argc, wchar_t **argv) {
  if (argc < 4)
    return 2;
  wcsncpy(g_app.iniPath, argv[1], MAX_PATH - 1);
  int first = _wtoi(argv[2]), last = _wtoi(argv[3]);
  for (int version = first; version <= last; ++version) {
    // Each version replaces the whole list, as a user's change would.
    LoadSchedules();
    ScheduleChange change{g_app.schedules, ScheduleVersion(version)};
    g_app.schedules = change.added;
    SaveSchedules(&change);
    g_app.settings.WinW = 100 + version;
    SaveSettings();
  }
  return 0;
}
