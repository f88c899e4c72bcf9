// Temporary files that a killed run left behind.
#pragma once
#include <string>

// Deletes the files in folder (ending in a backslash) that match pattern and
// that ours accepts by name. A file still open elsewhere, without delete
// sharing (another process still writing it), cannot be deleted and stays.
void RemoveLeftoverFiles(const std::wstring &folder, const wchar_t *pattern,
                         bool (*ours)(const wchar_t *name));
// Whether name is prefix, then one to digits hex digits, then suffix.
bool IsNumberedName(const wchar_t *name, const wchar_t *prefix, size_t digits,
                    const wchar_t *suffix);
