// Placeholder until the schedule dialogs land.
#include "schedules/schedule_dialogs.h"
INT_PTR CALLBACK ScheduleEditDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
const wchar_t *CheckScheduleInput(const ScheduleInput &, const SYSTEMTIME &) {
  return nullptr;
}
