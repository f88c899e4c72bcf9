#include "config/ini_file.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace {

// Larger files are left alone rather than half-read.
constexpr LONGLONG kLargestFile = INT_MAX / 4;
// What passes through memory at a time on the way to or from the file.
constexpr size_t kPieceBytes = 96 * 1024;

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
// the file between the last write and the rename.
bool RenameOver(HANDLE file, const std::wstring &target) {
  size_t size = sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(size, 0);
  auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  target.copy(info->FileName, target.size());
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(size)) != 0;
}

// Temporary files of saves that were cut short (the process killed while
// writing). A file another process is still writing is open without delete
// sharing, so deleting it fails and it stays.
void RemoveStaleTemporaries(const std::wstring &path) {
  std::wstring pattern = path + L".*.tmp";
  size_t slash = path.find_last_of(L'\\');
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileW((folder + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Whether the existing file may be replaced: not read-only, and not held by
// another process that refuses sharing. Opening it changes nothing.
bool TargetReplaceable(const std::wstring &path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
    return false;
  HANDLE probe = CreateFileW(path.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE)
    return false;
  CloseHandle(probe);
  return true;
}

} // namespace

IniText ReadIniText(bool *readable) {
  if (readable)
    *readable = true;
  if (!g_app.iniPath[0])
    return IniText();
  HANDLE file = CreateFileW(g_app.iniPath, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (readable && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      *readable = false;
    return IniText();
  }
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kLargestFile;
  IniText text;
  if (ok && size.QuadPart > 0) {
    // Read and decoded a piece at a time: a large file never sits in memory
    // twice. Units never outnumber bytes, so the text is not moved as it grows.
    size_t total = static_cast<size_t>(size.QuadPart);
    text.reserve(total + total / 8 + 64);
    // Room for a piece and what the last one left over: never moved.
    std::string pending;
    pending.reserve(kPieceBytes + 64);
    size_t left = total;
    bool markChecked = false;
    while (ok && left > 0) {
      size_t had = pending.size();
      pending.resize(had + std::min(left, kPieceBytes));
      DWORD got = 0;
      ok = ReadFile(file, &pending[had], static_cast<DWORD>(pending.size() - had), &got, nullptr) &&
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
        size_t held =
            AppendIniBytes(text, pending.data() + start, pending.size() - start, left == 0);
        pending.erase(0, pending.size() - held);
      }
    }
  }
  CloseHandle(file);
  if (!ok) {
    if (readable)
      *readable = false;
    return IniText();
  }
  return text;
}

bool WriteIniText(const IniText &text) {
  if (text.empty() || !g_app.iniPath[0])
    return false;
  const std::wstring path = g_app.iniPath;
  if (!TargetReplaceable(path))
    return false;

  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring temporary;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64() + attempt) + L".tmp";
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
      return false; // the folder is not writable
  }
  if (file == INVALID_HANDLE_VALUE)
    return false;

  // Encoded a piece at a time into one small buffer.
  std::string bytes("\xEF\xBB\xBF");
  bytes.reserve(kPieceBytes);
  bool ok = WriteAll(file, bytes);
  for (size_t from = 0; ok && from < text.size();) {
    size_t used = EncodeIniPiece(text, from, kPieceBytes / 3, bytes);
    ok = used > 0 && WriteAll(file, bytes);
    from += used;
  }
  ok = ok && FlushFileBuffers(file) && RenameOver(file, path);
  if (!ok) {
    FILE_DISPOSITION_INFO dispose = {TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
  }
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  RemoveStaleTemporaries(path);
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
