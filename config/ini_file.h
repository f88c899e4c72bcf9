// Reading and writing calendar.ini (at IniPath) as a whole.
#pragma once
#include <windows.h>

#include "config/ini_text.h"

// What tells one version of the file from another: its volume and file
// index (every save replaces the file with a new one), its size and its last
// write (an editor that writes in place changes those).
struct IniFileStamp {
  bool known = false;
  DWORD volume = 0, indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
  FILETIME written = {};
};
bool SameStamp(const IniFileStamp &a, const IniFileStamp &b);
// The file's stamp as it is now; not known when it cannot be opened.
IniFileStamp CurrentIniStamp();

// The file's text; empty when it is missing or cannot be read. When
// readable is given it tells whether the content is known: false when the
// file exists but could not be opened or read (locked, no access, too large).
// stamp, when given, is that of the version read. With filter, the lines it
// refuses are left out as the file is read.
IniText ReadIniText(bool *readable = nullptr, IniFileStamp *stamp = nullptr,
                    const IniLineFilter *filter = nullptr);

// Replaces the file with text, atomically: a temporary file in the same
// folder is written, flushed and renamed over the old one. False, with the
// old file untouched, when any step fails (read-only file, folder not
// writable, disk full, a file larger than ReadIniText accepts). A file held
// by another program is waited for, about two seconds.
// stamp, when given, is that of the version written.
bool WriteIniText(const IniText &text, IniFileStamp *stamp = nullptr);

// One save: read the file, let edit change the text, write it back. Writes
// nothing, and returns false, when the file exists but could not be read, so
// that content that was never seen is never overwritten.
bool UpdateIniText(const std::function<void(IniText &)> &edit);

// For tests: the largest file that is read or written (normally 512 MiB).
void SetLargestIniFile(long long bytes);
