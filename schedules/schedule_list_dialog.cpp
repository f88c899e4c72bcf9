// Placeholder until the schedule dialogs land.
#include "schedules/schedule_dialogs.h"
INT_PTR CALLBACK ScheduleListDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
void FillScheduleList(HWND) {}
void CommitScheduleChange(HWND) {}
