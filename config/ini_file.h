// Reading and writing calendar.ini (at IniPath) as a whole.
#pragma once
#include "config/ini_text.h"

// The file's text; empty when it is missing or cannot be read. When
// readable is given it tells whether the content is known: false when the
// file exists but could not be opened or read (locked, no access, too large).
IniText ReadIniText(bool *readable = nullptr);

// Replaces the file with text, atomically: a temporary file in the same
// folder is written, flushed and renamed over the old one. False, with the
// old file untouched, when any step fails (read-only file, folder not
// writable, disk full, a file larger than ReadIniText accepts). A file held
// by another program is waited for, about two seconds.
bool WriteIniText(const IniText &text);

// One save: read the file, let edit change the text, write it back. Writes
// nothing, and returns false, when the file exists but could not be read, so
// that content that was never seen is never overwritten.
bool UpdateIniText(const std::function<void(IniText &)> &edit);

// For tests: the largest file that is read or written (normally 512 MiB).
void SetLargestIniFile(long long bytes);
