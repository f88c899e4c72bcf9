// The user's appointments: the list in memory and its "[Schedules]" section.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

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
// One stored line, CR LF included; index counts from 1.
std::wstring FormatScheduleLine(size_t index, const ScheduleEntry &entry);
std::wstring BuildScheduleSection(const ScheduleList &list);
// The same lines appended to out.
void AppendScheduleSection(std::wstring &out, const ScheduleList &list);

// On the process-wide list.
void LoadSchedules(); // saves at once when marked schedules were dropped
// The same from a text already read (readable: whether the file could be read).
void LoadSchedulesFrom(const IniText &text, bool readable);
void SaveSchedules();
void SortSchedules();
