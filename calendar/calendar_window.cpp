// Placeholder until the calendar window lands: moves and closing only.
#include "calendar/calendar_window.h"
#include "app/app_state.h"
const wchar_t kCalendarClassName[] = L"Dayglass";
LRESULT CALLBACK CalendarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_MOVE: {
    RECT rect;
    GetWindowRect(window, &rect);
    g_app.settings.PosX = rect.left;
    g_app.settings.PosY = rect.top;
    return 0;
  }
  case WM_EXITSIZEMOVE:
    SaveSettings();
    return 0;
  case WM_DESTROY:
    SaveSettings();
    PostQuitMessage(0);
    return 0;
  case WM_COMMAND:
    if (LOWORD(wParam) == 3101)
      PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
std::wstring BuildDayPopupText(const HolidayMap &, const ScheduleList &, int, int, int) {
  return {};
}
void OpenScheduleListDialog(HWND) {}
void OpenSettingsDialog(HWND) {}
