// The schedule list dialog (3000) and the schedule edit dialog (3010).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "schedules/schedule_store.h"

// Runs the list modally over owner (none in the "/schedule" mode).
void RunScheduleList(HWND owner);
// Runs the edit dialog on entry; true when the user confirmed, and entry
// then holds the entered values.
bool RunScheduleEdit(HWND owner, ScheduleEntry &entry);

// Lists every schedule; add, edit and delete are saved at once.
INT_PTR CALLBACK ScheduleListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FillScheduleList(HWND dialog);
// The open list (g_app.scheduleList), for the store, which refills it after
// every change of ScheduleList: its selected rows, and the refill, which
// selects the entries equal to those of selected. Nothing without one.
std::vector<int> SelectedScheduleRows();
void RefillScheduleList(const std::vector<const ScheduleEntry *> &selected);
// A schedule's text as its row shows it: line breaks as " / ", cut with "…"
// past a length no row can show. The schedule itself keeps its text.
std::wstring ScheduleListText(const std::wstring &text);
// After the user's change and its save: repaints the calendar at once;
// tells the user when the save failed.
void ShowScheduleChange(HWND dialog, bool saved);

// Edits the ScheduleEntry passed by address; ends with IDOK when confirmed.
INT_PTR CALLBACK ScheduleEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The edit dialog's checks on the fields as read (a field that did not read
// as an unsigned number is "absent"); returns the first failing message, or
// null when all pass. now is the local time with its seconds.
struct ScheduleInput {
  bool hasYear, hasMonth, hasDay, hasHour, hasMinute;
  unsigned year, month, day, hour, minute;
  std::wstring text;
};
const wchar_t *CheckScheduleInput(const ScheduleInput &input, const SYSTEMTIME &now);
