// Placeholder until the holiday update lands.
#include "holidays/holiday_update.h"
#include "app/app_state.h"
std::wstring BuildHolidaySection(const HolidayRows &, int) {
  return {};
}
bool WriteHolidaySection(const HolidayRows &) {
  return false;
}
bool UpdateHolidaysFromCommandLine() {
  if (!g_app.settings.HolidayUrl[0])
    return false;
  return false;
}
bool UpdateHolidaysFromDialog(HWND) {
  return false;
}
