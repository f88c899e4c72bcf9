// The user's appointments: the list in memory and its "[Schedules]" section.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "calendar/month_grid.h"
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

// Strict weak order by year, month, day, hour, minute as numbers.
bool ScheduleEarlier(const ScheduleEntry &a, const ScheduleEntry &b);

// Pure pieces of the load and the save.
// Schedules of every "[Schedules]" section in file order; marked ones are
// dropped when autoDelete is on, and *droppedAny tells whether any was.
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

// On the process-wide list.
void LoadSchedules(); // saves at once when marked schedules were dropped
// The same from a text already read (readable: whether the file could be read).
void LoadSchedulesFrom(const IniText &text, bool readable);

// For a first frame: the file's text as ReadIniText gives it, less the
// schedules dated outside the month shown and the months either side.
IniText ReadShownMonthsText(DisplayedMonth shown, bool *readable);
// The schedules of such a text. Until LoadSchedules follows, the file's
// list counts as unknown: a save first takes it in whole.
void LoadShownSchedules(const IniText &text);
// Writes the list; change is what this process just did to it. When another
// process has changed the section since this one last read or wrote it,
// only this process's unsaved changes are applied to the file's list, which
// then becomes the list in memory (nothing is written when there are none).
// False when the file could not be written: the changes stay in memory and
// the next save writes them. alsoEdit, when given, changes other sections in
// the same write (the settings at exit: one rewrite instead of two).
bool SaveSchedules(const ScheduleChange *change = nullptr,
                   const std::function<void(IniText &)> &alsoEdit = nullptr);
// Takes in another process's changes to the file, keeping this process's
// unsaved ones; true when the list in memory changed.
bool RefreshSchedules();
// Whether changes of this process are not yet in the file.
bool SchedulesPending();
void SortSchedules();
