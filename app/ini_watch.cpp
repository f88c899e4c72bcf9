#include "app/ini_watch.h"

#include "app/app_state.h"
#include "config/ini_file.h"

namespace {

void CALLBACK OnFolderSignalled(void *window, BOOLEAN) {
  PostMessageW(static_cast<HWND>(window), kIniFolderChanged, 0, 0);
}

// One shot: the change handle stays signalled until it is armed again, and a
// wait that fired on every pass would flood the window with messages.
bool WaitForFolder() {
  IniWatch &watch = g_app.iniWatch;
  return RegisterWaitForSingleObject(&watch.wait, watch.change, OnFolderSignalled, watch.window,
                                     INFINITE, WT_EXECUTEONLYONCE) != 0;
}

void EndWait() {
  IniWatch &watch = g_app.iniWatch;
  if (watch.wait)
    UnregisterWaitEx(watch.wait, INVALID_HANDLE_VALUE); // its callback has run or never will
  watch.wait = nullptr;
}

} // namespace

bool StartIniWatch(HWND window) {
  StopIniWatch();
  const std::wstring folder = IniFolder();
  if (folder.empty())
    return false;
  // Replacing the file renames over it; writing in place changes its size
  // or its time.
  HANDLE change = FindFirstChangeNotificationW(
      folder.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  if (change == INVALID_HANDLE_VALUE)
    return false;
  g_app.iniWatch = {change, nullptr, window};
  if (WaitForFolder())
    return true;
  StopIniWatch();
  return false;
}

void ContinueIniWatch() {
  IniWatch &watch = g_app.iniWatch;
  if (!watch.change)
    return;
  EndWait();
  if (!FindNextChangeNotification(watch.change) || !WaitForFolder())
    StopIniWatch();
}

void StopIniWatch() {
  EndWait();
  IniWatch &watch = g_app.iniWatch;
  if (watch.change)
    FindCloseChangeNotification(watch.change);
  watch = IniWatch();
}
