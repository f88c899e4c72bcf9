#include "config/ini_file.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/leftover_files.h"

namespace {

// Larger files are left alone rather than half-read, and never written.
LONGLONG g_largestFile = INT_MAX / 4;
// What passes through memory at a time on the way to or from the file.
constexpr size_t kPieceBytes = 96 * 1024;
// FileRenameInfoEx, which some headers offer only for later target versions.
const auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
// How long a file held by another program is waited for.
constexpr DWORD kHeldRetryMs = 2000;

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
// for about two seconds in all; any other failure ends at once.
bool RetryWhileHeld(const std::function<bool()> &attempt) {
  DWORD waited = 0;
  for (DWORD pause = 16;; pause *= 2) {
    if (attempt())
      return true;
    DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
         error != ERROR_LOCK_VIOLATION) ||
        waited >= kHeldRetryMs)
      return false;
    pause = std::min(pause, kHeldRetryMs - waited);
    Sleep(pause);
    waited += pause;
    SetLastError(error);
  }
}

// Temporary names no longer than "calendar.ini": a save must work wherever
// the file itself can be, MAX_PATH included.
const wchar_t kTemporaryPrefix[] = L"~cal";
const wchar_t kTemporarySuffix[] = L".tmp";

std::wstring FolderOf(const std::wstring &path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

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

IniFileStamp StampOf(HANDLE file) {
  IniFileStamp stamp;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info))
    return stamp;
  stamp = {true,
           info.dwVolumeSerialNumber,
           info.nFileIndexHigh,
           info.nFileIndexLow,
           info.nFileSizeHigh,
           info.nFileSizeLow,
           info.ftLastWriteTime};
  return stamp;
}

} // namespace

bool SameStamp(const IniFileStamp &a, const IniFileStamp &b) {
  return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
         a.indexLow == b.indexLow && a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
         CompareFileTime(&a.written, &b.written) == 0;
}

IniFileStamp CurrentIniStamp() {
  FileOwner file(CreateFileW(g_app.iniPath, 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? StampOf(file.Get()) : IniFileStamp();
}

IniText ReadIniText(bool *readable, IniFileStamp *stamp, const IniLineFilter *filter) {
  if (readable)
    *readable = true;
  if (stamp)
    *stamp = IniFileStamp();
  if (!g_app.iniPath[0])
    return IniText();
  FileOwner file;
  RetryWhileHeld([&] {
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
  if (stamp)
    *stamp = StampOf(file.Get());
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file.Get(), &size) && size.QuadPart <= g_largestFile;
  IniText text;
  if (ok && size.QuadPart > 0) {
    // Read and decoded a piece at a time: a large file never sits in memory
    // twice. Units never outnumber bytes, so the text is not moved as it grows.
    size_t total = static_cast<size_t>(size.QuadPart);
    text.reserve(total + total / 8 + 64);
    // Room for a piece and what the last one left over: never moved, unless
    // a filter waits for the end of a longer line.
    std::string pending;
    pending.reserve(kPieceBytes + 64);
    size_t left = total;
    bool markChecked = false;
    IniLineSieve sieve;
    while (ok && left > 0) {
      size_t had = pending.size();
      pending.resize(had + std::min(left, kPieceBytes));
      DWORD got = 0;
      ok = ReadFile(file.Get(), &pending[had], static_cast<DWORD>(pending.size() - had), &got,
                    nullptr) &&
           got > 0;
      pending.resize(had + got);
      left -= got;
      size_t start = 0;
      if (!markChecked) {
        if (pending.size() < 3 && left > 0)
          continue;
        markChecked = true;
        if (pending.compare(0, 3, "\xEF\xBB\xBF") == 0)
          start = 3;
      }
      if (ok) {
        const char *piece = pending.data() + start;
        size_t size = pending.size() - start;
        size_t held = filter ? AppendSiftedBytes(text, piece, size, left == 0, *filter, sieve)
                             : AppendIniBytes(text, piece, size, left == 0);
        pending.erase(0, pending.size() - held);
      }
    }
  }
  file.Reset();
  if (!ok) {
    if (readable)
      *readable = false;
    if (stamp)
      *stamp = IniFileStamp();
    return IniText();
  }
  return text;
}

bool WriteIniText(const IniText &text, IniFileStamp *stamp) {
  if (text.empty() || !g_app.iniPath[0])
    return false;
  const std::wstring path = g_app.iniPath;
  if (!TargetWritable(path))
    return false;

  const std::wstring folder = FolderOf(path);
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

  // Encoded a piece at a time into one small buffer. A file larger than the
  // program reads back is never written: it would lose everything at the
  // next start.
  std::string bytes("\xEF\xBB\xBF");
  bytes.reserve(kPieceBytes);
  bool ok = WriteAll(file.Get(), bytes);
  unsigned long long total = bytes.size();
  for (size_t from = 0; ok && from < text.size();) {
    size_t used = EncodeIniPiece(text, from, kPieceBytes / 3, bytes);
    total += bytes.size();
    ok = used > 0 && total <= static_cast<unsigned long long>(g_largestFile) &&
         WriteAll(file.Get(), bytes);
    from += used;
  }
  ok = ok && FlushFileBuffers(file.Get()) &&
       RetryWhileHeld([&] { return RenameOver(file.Get(), path); });
  if (ok && stamp)
    *stamp = StampOf(file.Get());
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
  RemoveLeftoverFiles(FolderOf(path), L"*.tmp", IsTemporaryName);
  return true;
}

bool UpdateIniText(const std::function<void(IniText &)> &edit) {
  bool readable = true;
  IniText text = ReadIniText(&readable);
  if (!readable)
    return false;
  edit(text);
  return WriteIniText(text);
}

void SetLargestIniFile(long long bytes) {
  g_largestFile = bytes;
}
