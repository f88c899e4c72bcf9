#include "app/leftover_files.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>

#include "app/handle_owner.h"

void RemoveLeftoverFiles(const std::wstring &folder, const wchar_t *pattern,
                         bool (*ours)(const wchar_t *name)) {
  WIN32_FIND_DATAW found;
  FindOwner search(FindFirstFileW((folder + pattern).c_str(), &found));
  if (!search)
    return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ours(found.cFileName))
      DeleteFileW((folder + found.cFileName).c_str());
  } while (FindNextFileW(search.Get(), &found));
}

bool IsNumberedName(const wchar_t *name, const wchar_t *prefix, size_t digits,
                    const wchar_t *suffix) {
  size_t length = wcslen(name), head = wcslen(prefix), tail = wcslen(suffix);
  if (length <= head + tail || length > head + digits + tail ||
      _wcsnicmp(name, prefix, head) != 0 || _wcsicmp(name + length - tail, suffix) != 0)
    return false;
  for (size_t i = head; i < length - tail; ++i)
    if (!iswxdigit(name[i]))
      return false;
  return true;
}
