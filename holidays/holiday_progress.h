// The interactive download: a small modal window shows what has arrived
// and offers to cancel, while every window of the program keeps painting.
#pragma once
#include <windows.h>

#include <string>

#include "holidays/holiday_csv.h"

enum class DownloadOutcome { Done, Failed, Cancelled };

// Done when the list arrived whole and parsed; its rows are appended.
DownloadOutcome DownloadHolidayCsvWithProgress(HWND owner, const std::wstring &url,
                                               HolidayRows &rows);
