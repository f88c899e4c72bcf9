// Replacing the "[Holidays]" section with a freshly downloaded CSV.
#pragma once
#include <windows.h>

#include <string>

#include "holidays/holiday_csv.h"

// The section body: rows of currentYear onward, in CSV order.
std::wstring BuildHolidaySection(const HolidayRows &rows, int currentYear);
// Rewrites the section; false when calendar.ini could not be written.
bool WriteHolidaySection(const HolidayRows &rows);
// "/update-holidays": silent, true only when the file was written.
bool UpdateHolidaysFromCommandLine();
// The settings dialog's "更新": message boxes owned by dialog.
bool UpdateHolidaysFromDialog(HWND dialog);
