// Following calendar.ini while the calendar is open: other programs (a
// "/schedule" run, "/update-holidays" from Task Scheduler, a sync client)
// change it, and the calendar shows their appointments and holidays.
#pragma once
#include <windows.h>

// Posted to the calendar window when something changed in the file's folder.
constexpr UINT kIniFolderChanged = WM_APP + 1;

// Watches the file's folder; each change posts kIniFolderChanged to window
// once, from a thread-pool wait, so it arrives while a dialog's modal loop
// runs too. ContinueIniWatch arms it again after such a message.
bool StartIniWatch(HWND window);
void ContinueIniWatch();
void StopIniWatch();
