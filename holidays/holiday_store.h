// The holiday table: date to name, from the "[Holidays]" section.
#pragma once
#include <map>
#include <string>

#include "calendar/month_grid.h"
#include "config/ini_text.h"

using HolidayMap = std::map<DateKey, std::wstring>;

// Fills map (emptied first) from the "[Holidays]" sections of text.
void ParseHolidays(const IniText &text, HolidayMap &map);
const std::wstring *FindHolidayIn(const HolidayMap &map, int year, int month, int day);
// The "[Holidays]" lines of a map, "yyyy-mm-dd=name" and CR LF each, by date.
std::wstring BuildHolidayBody(const HolidayMap &map);

// On the process-wide map.
void LoadHolidays();
// The holiday's name, or null when the date is none.
const std::wstring *FindHoliday(int year, int month, int day);
