#include "config/ini_file.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/leftover_files.h"

namespace {

// FileRenameInfoEx, which some headers offer only for later target versions.
const auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
// How long it waits for the lock: another Dayglass process holds it only
// while it reads, changes and writes the file, a moment even for a long list.
constexpr DWORD kLockWaitMs = 5000;

bool WriteAll(HANDLE file, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    // A nearly full disk can accept part of a write and report success.
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// Renames the open temporary file over target. Done through the handle, which
// was opened without delete sharing, so no other writer's clean-up can remove
// the file between the last write and the rename. POSIX semantics first
// (Windows 10 and later): the rename then succeeds while an indexer or a
// sync client still reads the old file.
bool RenameOver(HANDLE file, const std::wstring &target) {
  size_t size = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(size, 0);
  auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  target.copy(info->FileName, target.size());
  // Older headers know the first member only as the BOOLEAN ReplaceIfExists;
  // the flags of the newer form share its place.
  const DWORD flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  memcpy(buffer.data(), &flags, sizeof flags);
  if (SetFileInformationByHandle(file, kFileRenameInfoEx, info, static_cast<DWORD>(size)))
    return true;
  DWORD error = GetLastError();
  if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
      error != ERROR_INVALID_FUNCTION && error != ERROR_CALL_NOT_IMPLEMENTED)
    return false;
  memset(buffer.data(), 0, sizeof flags);
  info->ReplaceIfExists = TRUE;
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(size)) != 0;
}

// Indexers, virus scanners, backup and sync clients hold files for moments.
// An attempt refused for that reason is made again, with growing pauses,
// for about two seconds in all when patient; any other failure ends at once.
bool RetryWhileHeld(IniWait wait, const std::function<bool()> &attempt) {
  const DWORD most = wait == IniWait::Patient ? g_app.iniLimits.heldWaitMs : 0;
  DWORD waited = 0;
  for (DWORD pause = 16;; pause *= 2) {
    if (attempt())
      return true;
    DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
         error != ERROR_LOCK_VIOLATION) ||
        waited >= most)
      return false;
    pause = std::min(pause, most - waited);
    Sleep(pause);
    waited += pause;
    SetLastError(error);
  }
}

// Temporary names no longer than "calendar.ini": a save must work wherever
// the file itself can be, MAX_PATH included.
const wchar_t kTemporaryPrefix[] = L"~cal";
const wchar_t kTemporarySuffix[] = L".tmp";

std::wstring TemporaryName(unsigned number) {
  std::wstring name = kTemporaryPrefix;
  for (int shift = 12; shift >= 0; shift -= 4)
    name += L"0123456789abcdef"[(number >> shift) & 0xFu];
  return name + kTemporarySuffix;
}

// "~cal" and four hex digits, or the longer "calendar.ini.<pid>-<n>" that
// earlier versions used, with ".tmp".
bool IsTemporaryName(const wchar_t *name) {
  size_t length = wcslen(name);
  return IsNumberedName(name, kTemporaryPrefix, 4, kTemporarySuffix) ||
         (length > 17 && _wcsnicmp(name, L"calendar.ini.", 13) == 0 &&
          _wcsicmp(name + length - 4, kTemporarySuffix) == 0);
}

// A read-only file is left alone here, not by the system: run as an
// administrator (and under Wine as root) it would be replaced all the same.
bool TargetWritable(const std::wstring &path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  return !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

} // namespace

IniText ReadIniText(bool *readable, IniWait wait) {
  if (readable)
    *readable = true;
  if (!g_app.iniPath[0])
    return IniText();
  FileOwner file;
  RetryWhileHeld(wait, [&] {
    file.Reset(CreateFileW(g_app.iniPath, GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
  });
  if (!file) {
    DWORD error = GetLastError();
    if (readable && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      *readable = false;
    return IniText();
  }
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file.Get(), &size) && size.QuadPart <= g_app.iniLimits.largestFile;
  std::string bytes;
  if (ok)
    bytes.resize(static_cast<size_t>(size.QuadPart));
  for (size_t done = 0; ok && done < bytes.size();) {
    DWORD got = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
    ok = ReadFile(file.Get(), &bytes[done], chunk, &got, nullptr) && got > 0;
    done += got;
  }
  if (!ok) {
    if (readable)
      *readable = false;
    return IniText();
  }
  return DecodeIniBytes(bytes);
}

bool WriteIniText(const IniText &text, IniWait wait) {
  if (text.empty() || !g_app.iniPath[0])
    return false;
  const std::wstring path = g_app.iniPath;
  if (!TargetWritable(path))
    return false;
  // A file larger than the program reads back is never written: it would
  // lose everything at the next start.
  const std::string bytes = EncodeIniText(text);
  if (bytes.size() <= 3 ||
      bytes.size() > static_cast<unsigned long long>(g_app.iniLimits.largestFile))
    return false;

  const std::wstring folder = IniFolder();
  FileOwner file;
  std::wstring temporary;
  unsigned start = GetCurrentProcessId() * 2654435761u + static_cast<unsigned>(GetTickCount64());
  for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
    temporary = folder + TemporaryName(start + attempt * 40503u);
    file.Reset(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS)
      return false; // the folder is not writable
  }
  if (!file)
    return false;
  bool ok = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) &&
            RetryWhileHeld(wait, [&] { return RenameOver(file.Get(), path); });
  if (!ok) {
    FILE_DISPOSITION_INFO dispose = {TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof dispose);
  }
  file.Reset();
  if (!ok) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  // Temporary files of saves that were cut short (the process killed
  // while writing).
  RemoveLeftoverFiles(folder, L"*.tmp", IsTemporaryName);
  return true;
}

std::wstring IniFolder() {
  std::wstring path = g_app.iniPath;
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring IniLockName(const std::wstring &fullPath) {
  // Folded as the file system folds names, then hashed: a lock name may not
  // hold backslashes and is shorter than a path may be.
  std::wstring folded = fullPath;
  if (!folded.empty())
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, fullPath.data(),
                  static_cast<int>(fullPath.size()), &folded[0], static_cast<int>(folded.size()),
                  nullptr, nullptr, 0);
  unsigned long long hash = 14695981039346656037ULL;
  for (wchar_t unit : folded) {
    hash ^= static_cast<unsigned>(unit);
    hash *= 1099511628211ULL;
  }
  std::wstring name = L"Local\\Dayglass-ini-";
  for (int shift = 60; shift >= 0; shift -= 4)
    name += L"0123456789abcdef"[(hash >> shift) & 0xFu];
  return name;
}

namespace {

// The file's own path, whatever spelling started the process: relative
// parts resolved, short names made long.
std::wstring CanonicalIniPath() {
  wchar_t full[MAX_PATH * 2];
  DWORD length = GetFullPathNameW(g_app.iniPath, ARRAYSIZE(full), full, nullptr);
  if (length == 0 || length >= ARRAYSIZE(full))
    return g_app.iniPath;
  wchar_t longer[MAX_PATH * 2];
  DWORD longLength = GetLongPathNameW(full, longer, ARRAYSIZE(longer));
  return longLength > 0 && longLength < ARRAYSIZE(longer) ? longer : full;
}

} // namespace

bool UpdateIniText(const std::function<bool(IniText &)> &edit, IniWait wait) {
  KernelOwner lock(CreateMutexW(nullptr, FALSE, IniLockName(CanonicalIniPath()).c_str()));
  if (!lock)
    return false;
  // An owner that died while holding it (WAIT_ABANDONED) left a file that
  // its atomic replace either wrote whole or never touched.
  DWORD taken = WaitForSingleObject(lock.Get(), wait == IniWait::Patient ? kLockWaitMs : 0);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED)
    return false;
  bool readable = true;
  IniText text = ReadIniText(&readable, wait);
  bool ok = readable && (!edit(text) || WriteIniText(text, wait));
  ReleaseMutex(lock.Get());
  return ok;
}

void SetLargestIniFile(long long bytes) {
  g_app.iniLimits.largestFile = bytes;
}

void SetHeldFileWait(DWORD milliseconds) {
  g_app.iniLimits.heldWaitMs = milliseconds;
}
