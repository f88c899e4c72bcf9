// The user's appointments: the list in memory and its "[Schedules]" section.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar/month_grid.h"
#include "config/ini_file.h"
#include "config/ini_text.h"

struct ScheduleEntry {
  SYSTEMTIME when;   // year, month, day, hour, minute; the other fields 0
  std::wstring text; // line breaks as CR LF
  bool markedOld;
};
using ScheduleList = std::vector<ScheduleEntry>;

// Stored text form: LF as backslash n, a backslash as two backslashes, CR dropped.
std::wstring EscapeScheduleText(const std::wstring &text);
std::wstring UnescapeScheduleText(const std::wstring &stored);

// Whether two entries are equal in every stored part.
bool SameScheduleEntry(const ScheduleEntry &a, const ScheduleEntry &b);
// Strict weak order by year, month, day, hour, minute as numbers.
bool ScheduleEarlier(const ScheduleEntry &a, const ScheduleEntry &b);

constexpr std::wstring_view kScheduleSection = L"Schedules";

// Pure pieces of the load and the save.
// What a read of the section gives: the schedules of every "[Schedules]"
// section in file order, and the section's fingerprint.
struct ScheduleRead {
  ScheduleList list;
  unsigned long long fingerprint = kIniFingerprintStart;
  bool withList = true; // false: the fingerprint alone
};
// A read built line by line, in the one pass over the file that reads the
// other sections too: started (room for every line of text reserved once),
// then given each value of the section in file order.
void StartScheduleRead(ScheduleRead &read, const IniText &text, bool withList);
void ReadScheduleEntry(ScheduleRead &read, std::wstring_view value);
// The same for the section alone.
ScheduleRead ReadSchedules(const IniText &text);
// Takes the entries marked old out of list, in order, and returns them.
ScheduleList DropOldSchedules(ScheduleList &list);
// The section's schedules; marked ones are dropped when autoDelete is on,
// and *droppedAny tells whether any was.
ScheduleList ParseSchedules(const IniText &text, bool autoDelete, bool *droppedAny);
// The date-time as stored and listed: "yyyy/mm/dd hh:mm".
void AppendScheduleWhen(std::wstring &out, const SYSTEMTIME &when);
// One stored line, CR LF included; index counts from 1.
std::wstring FormatScheduleLine(size_t index, const ScheduleEntry &entry);
std::wstring BuildScheduleSection(const ScheduleList &list);
// The same lines appended to out.
void AppendScheduleSection(std::wstring &out, const ScheduleList &list);

// One change this process made to the list: the entries it took away, as
// they were, and the ones it put in. An edit does both.
struct ScheduleChange {
  ScheduleList removed, added;
};
// Applies a change to a list that may hold another process's changes: each
// removed entry takes away one equal entry where one can still be found;
// the added ones are appended.
void ApplyScheduleChange(ScheduleList &list, const ScheduleChange &change);
// Which entries of list equal one of wanted, each wanted entry matching one
// entry at most, in list order; one pass, wanted sorted once.
std::vector<bool> FindSchedules(const ScheduleList &list,
                                std::vector<const ScheduleEntry *> wanted);

// What the merge with other processes' saves needs: the fingerprint of the
// section as this process last read or wrote it (not known when the file
// could not be read), and this process's changes not yet in the file,
// oldest first, each holding its appointments by value.
struct ScheduleSync {
  bool known = false;
  unsigned long long fingerprint = 0;
  std::vector<ScheduleChange> unsaved;
};

// On the process-wide list. Only these change it; after each it is sorted
// by date-time (same minutes in their order) and an open schedule list
// shows it at once.
// Saves at once when marked schedules were dropped (AutoDeleteOldSchedules).
void LoadSchedules();
// The same from a read of the text (readable: whether the file could be read).
void LoadSchedulesFrom(ScheduleRead read, bool readable);
// Writes this process's unsaved changes, change among them, under the lock:
// when another process has changed the section since this one last read or
// wrote it, they are applied to the file's list, which then becomes the
// list in memory. Without changes of its own, a list that another process
// changed is left as the file has it. False when the file could not be
// written: the changes stay in memory and the next save writes them.
bool SaveSchedules(const ScheduleChange *change = nullptr, IniWait wait = IniWait::Patient);
// The same, with edit changing other sections in the same write (the
// settings at exit: one rewrite instead of two).
bool SaveSchedulesWith(const std::function<void(IniText &)> &edit, IniWait wait);
// The user's changes: each changes the list and saves the change; false
// when the save failed (the change stays, as above).
bool AddSchedule(const ScheduleEntry &entry);
bool ReplaceSchedule(const ScheduleEntry &old, const ScheduleEntry &entry);
bool RemoveSchedules(const std::vector<size_t> &indices);
// Takes in the file's list: when another process (a "/schedule" run, a
// second calendar, a sync client) has changed the section since this
// process last read or wrote it, the file's list with this process's
// unsaved changes applied becomes the list; true when it did. text: the
// file as read under the lock.
bool TakeInFileList(const IniText &text);
// The same, with the section's fingerprint taken already (by the one pass
// over the file): the section is parsed only when it changed.
bool TakeInFileList(const IniText &text, unsigned long long fingerprint);
// For a file found missing or empty: the whole list as its section, taken
// as what the file holds, so the save that follows writes it.
void RestoreSchedulesInto(IniText &text);
// Whether changes of this process are not yet in the file.
bool SchedulesPending();
void SortSchedules();
