// The holiday table: date to name, from the "[Holidays]" section.
#pragma once
#include <map>
#include <string>
#include <string_view>

#include "calendar/month_grid.h"
#include "config/ini_text.h"

using HolidayMap = std::map<DateKey, std::wstring>;

constexpr std::wstring_view kHolidaySection = L"Holidays";

// Fills map (emptied first) from the "[Holidays]" sections of text.
void ParseHolidays(const IniText &text, HolidayMap &map);
// One line of that section into map: a later line of a date replaces an earlier one.
void ReadHolidayEntry(HolidayMap &map, std::wstring_view key, std::wstring_view value);
const std::wstring *FindHolidayIn(const HolidayMap &map, int year, int month, int day);
// The "[Holidays]" lines of a map, "yyyy-mm-dd=name" and CR LF each, by date.
std::wstring BuildHolidayBody(const HolidayMap &map);

// On the process-wide map.
// The holiday's name, or null when the date is none.
const std::wstring *FindHoliday(int year, int month, int day);
