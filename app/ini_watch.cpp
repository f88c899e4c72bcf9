#include "app/ini_watch.h"

#include <algorithm>

#include "app/app_state.h"
#include "config/ini_file.h"

namespace {

// Replacing the file renames over it; writing in place changes its size or
// its time.
constexpr DWORD kChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
// Changes settle this long before the read; the first waits at most kLongestMs.
constexpr UINT kSettleMs = 200;
constexpr UINT kLongestMs = 1000;

bool SameName(const wchar_t *reported, size_t length, std::wstring_view name) {
  return !name.empty() && CompareStringOrdinal(reported, static_cast<int>(length), name.data(),
                                               static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

bool AskForReport(IniWatch &watch) {
  return ReadDirectoryChangesW(watch.folder, watch.reports.data(),
                               static_cast<DWORD>(watch.reports.size() * sizeof(DWORD)), FALSE,
                               kChanges, nullptr, &watch.request, nullptr) != 0;
}

// On the wait's own thread, one report after another: the report is read
// before the next is asked for into the same buffer.
void CALLBACK OnReport(void *context, BOOLEAN) {
  IniWatch &watch = *static_cast<IniWatch *>(context);
  DWORD size = 0;
  if (!GetOverlappedResult(watch.folder, &watch.request, &size, FALSE))
    size = 0; // ERROR_NOTIFY_ENUM_DIR: too many changes to report
  const bool named = ReportNamesFile(watch.reports.data(), size, watch.name, watch.shortName);
  const bool asked = AskForReport(watch);
  // A watch that cannot go on reports once more: the file is read, and
  // the calendar goes on without a watch.
  if (named || !asked)
    PostMessageW(watch.window, kIniFolderChanged, 0, 0);
}

std::wstring NameOf(const std::wstring &path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

bool ReportNamesFile(const void *reports, DWORD size, std::wstring_view name,
                     std::wstring_view shortName) {
  if (size == 0)
    return true;
  const auto *bytes = static_cast<const unsigned char *>(reports);
  for (DWORD at = 0; at + sizeof(FILE_NOTIFY_INFORMATION) <= size;) {
    const auto *record = reinterpret_cast<const FILE_NOTIFY_INFORMATION *>(bytes + at);
    const size_t length =
        std::min<size_t>(record->FileNameLength,
                         size - at - offsetof(FILE_NOTIFY_INFORMATION, FileName)) /
        sizeof(wchar_t);
    if (SameName(record->FileName, length, name) || SameName(record->FileName, length, shortName))
      return true;
    if (record->NextEntryOffset == 0)
      break;
    at += record->NextEntryOffset;
  }
  return false;
}

bool StartIniWatch(HWND window) {
  StopIniWatch();
  const std::wstring target = IniTarget();
  const size_t slash = target.find_last_of(L'\\');
  if (slash == std::wstring::npos)
    return false;
  IniWatch &watch = g_app.iniWatch;
  watch.window = window;
  watch.reports.assign(4096, 0);
  watch.name = NameOf(target);
  wchar_t shortPath[MAX_PATH];
  DWORD length = GetShortPathNameW(target.c_str(), shortPath, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    watch.shortName = NameOf(shortPath);
  watch.folder =
      CreateFileW(target.substr(0, slash + 1).c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (watch.folder == INVALID_HANDLE_VALUE)
    watch.folder = nullptr;
  watch.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  watch.request.hEvent = watch.done;
  if (watch.folder && watch.done && AskForReport(watch) &&
      RegisterWaitForSingleObject(&watch.wait, watch.done, OnReport, &watch, INFINITE,
                                  WT_EXECUTEINWAITTHREAD))
    return true;
  StopIniWatch();
  return false;
}

void StopIniWatch() {
  IniWatch &watch = g_app.iniWatch;
  // The callback has run or never will; then the request is ended before
  // its buffer goes.
  if (watch.wait)
    UnregisterWaitEx(watch.wait, INVALID_HANDLE_VALUE);
  if (watch.folder) {
    DWORD size = 0;
    if (CancelIoEx(watch.folder, &watch.request) || GetLastError() != ERROR_NOT_FOUND)
      GetOverlappedResult(watch.folder, &watch.request, &size, TRUE);
    CloseHandle(watch.folder);
  }
  if (watch.done)
    CloseHandle(watch.done);
  watch.folder = watch.done = watch.wait = nullptr;
  watch.request = OVERLAPPED();
  watch.window = nullptr;
}

UINT PauseBeforeReload(ReloadDue &due, ULONGLONG now) {
  if (!due.pending) {
    due.pending = true;
    due.firstChange = now;
  }
  const ULONGLONG waited = now - due.firstChange;
  return waited >= kLongestMs ? 0
                              : std::min<UINT>(kSettleMs, static_cast<UINT>(kLongestMs - waited));
}
