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
#include "app/notices.h"
#include "app/startup.h"
#include "config/numbers.h"
#include "config/settings.h"

namespace {

// FileRenameInfoEx, which some headers offer only for later target versions.
const auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// When a save stops waiting: the lock and a held file share one budget.
ULONGLONG WaitEnd(IniWait wait) {
  return GetTickCount64() + (wait == IniWait::Patient ? g_app.iniLimits.heldWaitMs : 0);
}

DWORD TimeLeft(ULONGLONG end) {
  ULONGLONG now = GetTickCount64();
  return now >= end ? 0 : static_cast<DWORD>(end - now);
}

bool WriteAll(HANDLE file, const char *bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1 << 20));
    DWORD written = 0;
    // A nearly full disk can accept part of a write and report success.
    if (!WriteFile(file, bytes + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// The text's bytes, encoded piece by piece as they are written. A file
// larger than the program reads back is never written: it would lose
// everything at the next start.
bool WriteText(HANDLE file, const IniText &text) {
  IniEncoder encoder;
  encoder.text = &text;
  unsigned long long total = 0;
  for (std::string_view bytes; !(bytes = NextIniBytes(encoder)).empty();) {
    total += bytes.size();
    if (total > static_cast<unsigned long long>(g_app.iniLimits.largestFile) ||
        !WriteAll(file, bytes.data(), bytes.size()))
      return false;
  }
  return !encoder.failed;
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
// until end; any other failure ends at once.
bool RetryWhileHeld(ULONGLONG end, const std::function<bool()> &attempt) {
  for (DWORD pause = 16;; pause *= 2) {
    if (attempt())
      return true;
    DWORD error = GetLastError();
    DWORD left = TimeLeft(end);
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
         error != ERROR_LOCK_VIOLATION) ||
        left == 0)
      return false;
    Sleep(std::min(pause, left));
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

// The path as the usual file calls take it, without the \\?\ that
// GetFinalPathNameByHandleW puts before it; a path too long for them keeps it.
std::wstring DosPath(const std::wstring &path) {
  if (path.size() >= MAX_PATH + 4)
    return path;
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
    return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0)
    return path.substr(4);
  return path;
}

// The file that is really there: a symbolic link's target (a user's link
// into a sync folder), the path itself when the file is missing.
std::wstring FinalPath(const std::wstring &path) {
  // Attributes only: another program's hold on the file does not refuse it.
  FileOwner file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file)
    return path;
  std::wstring final(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length =
        GetFinalPathNameByHandleW(file.Get(), &final[0], static_cast<DWORD>(final.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0)
      return path;
    if (length < final.size()) {
      final.resize(length);
      return DosPath(final);
    }
    final.resize(length); // the size it needs, with its terminator
  }
  return path;
}

std::wstring FolderOf(const std::wstring &path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring CaseFolded(const std::wstring &text) {
  std::wstring folded = text;
  if (!folded.empty())
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(),
                  static_cast<int>(text.size()), &folded[0], static_cast<int>(folded.size()),
                  nullptr, nullptr, 0);
  return folded;
}

// Named by what the file is, not by how its path is spelled: the volume and
// file index of its folder, and its name folded as the file system folds
// names. Without a folder to ask, by the folded full path. Hashed, since a
// lock name may hold no backslash and is shorter than a path may be.
std::wstring LockNameOf(const std::wstring &finalPath) {
  unsigned long long hash = 14695981039346656037ULL;
  auto mix = [&hash](unsigned long long value) {
    hash ^= value;
    hash *= 1099511628211ULL;
  };
  const std::wstring folder = FolderOf(finalPath);
  FileOwner handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION identity = {};
  std::wstring named = finalPath.substr(folder.size());
  if (handle && GetFileInformationByHandle(handle.Get(), &identity)) {
    mix(identity.dwVolumeSerialNumber);
    mix(static_cast<unsigned long long>(identity.nFileIndexHigh) << 32 | identity.nFileIndexLow);
  } else {
    wchar_t full[MAX_PATH * 2];
    DWORD length = GetFullPathNameW(finalPath.c_str(), ARRAYSIZE(full), full, nullptr);
    if (length > 0 && length < ARRAYSIZE(full))
      named = full;
  }
  for (wchar_t unit : CaseFolded(named))
    mix(static_cast<unsigned>(unit));
  std::wstring name = L"Local\\Dayglass-ini-";
  for (int shift = 60; shift >= 0; shift -= 4)
    name += L"0123456789abcdef"[(hash >> shift) & 0xFu];
  return name;
}

// The file read and decoded piece by piece: its bytes pass through one
// small buffer, and only the text is kept. readable is false when the file
// exists but cannot be read.
DecodedIni ReadIniFile(ULONGLONG end, bool &readable) {
  readable = true;
  if (!g_app.iniPath[0])
    return {IniText(), IniEncoding::Utf8};
  FileOwner file;
  RetryWhileHeld(end, [&] {
    file.Reset(CreateFileW(g_app.iniPath, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
  });
  if (!file) {
    DWORD error = GetLastError();
    readable = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {IniText(), IniEncoding::Utf8};
  }
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file.Get(), &size) && size.QuadPart <= g_app.iniLimits.largestFile;
  IniDecoder decoder;
  StartIniDecode(decoder, ok ? static_cast<size_t>(size.QuadPart) : 0);
  constexpr DWORD kPiece = 1 << 16;
  std::string piece(kPiece, '\0');
  for (long long done = 0; ok && done < size.QuadPart;) {
    DWORD got = 0;
    ok = ReadFile(file.Get(), &piece[0], kPiece, &got, nullptr) && got > 0;
    FeedIniBytes(decoder, piece.data(), got);
    done += got;
  }
  readable = ok;
  DecodedIni decoded = EndIniDecode(decoder);
  if (!ok)
    return {IniText(), IniEncoding::Utf8};
  // What this process holds from now on came from the file: a file found
  // missing or empty later is not taken for "nothing stored".
  if (!decoded.text.empty())
    g_app.iniHadContent = true;
  return decoded;
}

bool WriteTo(const std::wstring &target, const IniText &text, ULONGLONG end) {
  if (text.empty() || target.empty() || !TargetWritable(target))
    return false;

  const std::wstring folder = FolderOf(target);
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
  bool ok = WriteText(file.Get(), text) && FlushFileBuffers(file.Get()) &&
            RetryWhileHeld(end, [&] { return RenameOver(file.Get(), target); });
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
  g_app.iniHadContent = true;
  return true;
}

// The old file, byte for byte, under a new name beside it, before the first
// rewrite of a file that was not UTF-8 or not text; the copy's path, or
// empty when none could be made (and then nothing may be written).
std::wstring KeepCopy(const std::wstring &target, IniEncoding encoding) {
  const wchar_t *kind = encoding == IniEncoding::Utf16   ? L".utf-16"
                        : encoding == IniEncoding::Cp932 ? L".shift_jis"
                                                         : L".unreadable";
  for (int number = 1; number < 100; ++number) {
    std::wstring copy = target + kind + (number > 1 ? L"." + DecimalText(number) : L"") + L".bak";
    if (!CopyFileW(target.c_str(), copy.c_str(), TRUE)) {
      if (GetLastError() == ERROR_FILE_EXISTS)
        continue;
      return std::wstring();
    }
    FileOwner file(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && FlushFileBuffers(file.Get()))
      return copy;
    file.Reset();
    DeleteFileW(copy.c_str());
    return std::wstring();
  }
  return std::wstring();
}

// The read, the edit and the write of UpdateIniText, with the lock held.
// told: a copy of a file that was no text, which the user is to hear of.
bool EditUnderLock(const std::function<bool(IniText &)> &edit, const std::wstring &target,
                   ULONGLONG end, std::wstring &told) {
  bool readable = true;
  DecodedIni decoded = ReadIniFile(end, readable);
  if (!readable)
    return false;
  IniText text;
  if (decoded.encoding != IniEncoding::NotText)
    text.swap(decoded.text);
  // Settings never seen (the file held at start-up) come with the first read.
  TakeInStoredSettings(text);
  if (text.empty() && g_app.iniHadContent)
    RestoreCalendarIni(text);
  if (!edit(text))
    return true;
  if (decoded.encoding != IniEncoding::Utf8) {
    if (!TargetWritable(target))
      return false;
    std::wstring copy = KeepCopy(target, decoded.encoding);
    if (copy.empty())
      return false;
    if (decoded.encoding == IniEncoding::NotText)
      told = copy;
  }
  return WriteTo(target, text, end);
}

// Runs action with the lock that every Dayglass process on the file takes;
// false when the lock could not be had in time.
bool WithIniLock(IniWait wait,
                 const std::function<bool(const std::wstring &target, ULONGLONG end)> &action) {
  const ULONGLONG end = WaitEnd(wait);
  const std::wstring target = FinalPath(g_app.iniPath);
  KernelOwner lock(CreateMutexW(nullptr, FALSE, LockNameOf(target).c_str()));
  if (!lock)
    return false;
  // An owner that died while holding it (WAIT_ABANDONED) left a file that
  // its atomic replace either wrote whole or never touched.
  DWORD taken = WaitForSingleObject(lock.Get(), TimeLeft(end));
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED)
    return false;
  bool ok = action(target, end);
  ReleaseMutex(lock.Get());
  return ok;
}

} // namespace

IniText ReadIniText(bool *readable, IniWait wait) {
  bool ok = true;
  DecodedIni decoded = ReadIniFile(WaitEnd(wait), ok);
  if (readable)
    *readable = ok;
  return std::move(decoded.text);
}

IniText ReadIniTextLocked(bool *readable, IniWait wait) {
  DecodedIni decoded = {};
  bool ok = WithIniLock(wait, [&](const std::wstring &, ULONGLONG end) {
    bool read = true;
    decoded = ReadIniFile(end, read);
    return read;
  });
  if (readable)
    *readable = ok;
  // Not text: nothing in it can stand for what the calendar shows.
  return ok && decoded.encoding != IniEncoding::NotText ? std::move(decoded.text) : IniText();
}

bool WriteIniText(const IniText &text, IniWait wait) {
  return g_app.iniPath[0] && WriteTo(FinalPath(g_app.iniPath), text, WaitEnd(wait));
}

std::wstring IniTarget() {
  return g_app.iniPath[0] ? FinalPath(g_app.iniPath) : std::wstring();
}

std::wstring IniLockName(const std::wstring &path) {
  return LockNameOf(FinalPath(path));
}

bool UpdateIniText(const std::function<bool(IniText &)> &edit, IniWait wait) {
  std::wstring told;
  bool ok = WithIniLock(wait, [&](const std::wstring &target, ULONGLONG end) {
    return EditUnderLock(edit, target, end, told);
  });
  // Never with the lock held: another process would wait for the user.
  if (!told.empty())
    ShowKeptCopy(told);
  return ok;
}

void SetLargestIniFile(long long bytes) {
  g_app.iniLimits.largestFile = bytes;
}

void SetHeldFileWait(DWORD milliseconds) {
  g_app.iniLimits.heldWaitMs = milliseconds;
}
