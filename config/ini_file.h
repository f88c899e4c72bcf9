// Reading and writing calendar.ini (at IniPath) as a whole, and the lock
// every Dayglass process takes to change it.
#pragma once
#include <windows.h>

#include <climits>
#include <functional>
#include <string>

#include "config/ini_text.h"

// How long a save may wait for the lock and for a file another program
// holds, the two together: about two seconds for a change the user made,
// not at all for one nobody asked for (it is retried later instead).
enum class IniWait { Patient, Once };

// The file's text; empty when it is missing, empty or cannot be read. When
// readable is given it tells whether the content is known: false when the
// file exists but could not be opened or read (locked, no access, too large).
IniText ReadIniText(bool *readable = nullptr, IniWait wait = IniWait::Patient);
// The same under the lock, so that no other Dayglass process's change is
// half seen.
IniText ReadIniTextLocked(bool *readable, IniWait wait);

// Replaces the file with text, atomically: a temporary file in the same
// folder is written, flushed and renamed over the old one. When calendar.ini
// is a symbolic link, its target is replaced and the link stays. False, with
// the old file untouched, when any step fails (read-only file, folder not
// writable, disk full, a file larger than ReadIniText accepts).
bool WriteIniText(const IniText &text, IniWait wait = IniWait::Patient);

// One change of the file, under the lock that every Dayglass process on it
// shares: take the lock, read the file afresh, let edit change the text,
// write it back (unless edit returns false), release. False, with nothing
// written, when the lock cannot be had in time, when the file exists but
// could not be read (content that was never seen is never overwritten), or
// when the write fails. A file found missing, empty or not text while this
// process holds what it read from it is given all of that back before edit
// runs; a file that is not text, UTF-16 or code page 932 is first kept as a
// copy beside it (the user is told where the one that was not text went).
bool UpdateIniText(const std::function<bool(IniText &)> &edit, IniWait wait = IniWait::Patient);

// The file that is written: calendar.ini, or the target of a link of that
// name; empty without a path.
std::wstring IniTarget();

// The lock's name for a file: from the identity of its folder (volume and
// file index) and its case-folded name, so every spelling of one file (a
// second drive letter, a link to the folder, \\?\ and \\.\ forms, another
// case) has the same lock.
std::wstring IniLockName(const std::wstring &path);

// The bounds of reading and writing, settable by tests: the largest file
// that is read or written (larger ones are left alone rather than half-read,
// and never written), and how long a patient save waits in all.
struct IniLimits {
  long long largestFile = INT_MAX / 4; // 512 MiB
  DWORD heldWaitMs = 2000;
};
void SetLargestIniFile(long long bytes);
void SetHeldFileWait(DWORD milliseconds);
