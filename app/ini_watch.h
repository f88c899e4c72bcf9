// Following calendar.ini while the calendar is open: other programs (a
// "/schedule" run, "/update-holidays" from Task Scheduler, a sync client)
// change it, and the calendar shows their appointments and holidays. Only
// changes that name the file count: a folder where other files change all
// the time (Downloads, the Desktop, beside a log) costs no read.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// Posted to the calendar window when calendar.ini may have changed.
constexpr UINT kIniFolderChanged = WM_APP + 1;

// The watch on the file's folder: one change report at a time is asked for
// and read on a thread-pool thread, which posts kIniFolderChanged only for
// reports that name the file (or that lost changes, too many at once).
struct IniWatch {
  HANDLE folder = nullptr; // the folder, opened to report changes
  HANDLE done = nullptr;   // signalled when a report has come
  HANDLE wait = nullptr;   // the thread-pool wait on it
  OVERLAPPED request = {};
  std::vector<DWORD> reports;   // the report: FILE_NOTIFY_INFORMATION records
  std::wstring name, shortName; // the file's names in the folder
  HWND window = nullptr;        // told of each change
};

// Whether a change report names the file by name or shortName, in any
// letter case; an empty report (size 0) means changes were lost and counts
// as one that does.
bool ReportNamesFile(const void *reports, DWORD size, std::wstring_view name,
                     std::wstring_view shortName);

bool StartIniWatch(HWND window);
void StopIniWatch();

// When the file is read after changes: once they have settled for a moment,
// but never later than about a second after the first of them, however
// many follow. A change at now returns the pause until the read.
struct ReloadDue {
  bool pending = false;
  ULONGLONG firstChange = 0; // of the changes the coming read takes in
};
UINT PauseBeforeReload(ReloadDue &due, ULONGLONG now);
