// The national-holiday CSV: download to a temporary file and parse its rows.
#pragma once
#include <string>
#include <vector>

struct HolidayRow {
  std::wstring date; // "%04d-%02d-%02d"
  std::wstring name;
};
using HolidayRows = std::vector<HolidayRow>;

// Removes spaces, tabs and double quotes from both ends.
void TrimCsvField(std::wstring &field);
// One line's bytes (code page 932, line end already removed) to a row;
// false when the line holds no comma and date.
bool ParseHolidayCsvLine(const std::string &line, HolidayRow &row);
// Appends the rows of a local CSV file after its header line; false when
// the file cannot be opened or holds no line at all.
bool ParseHolidayCsv(const std::wstring &path, HolidayRows &rows);
// Downloads url to a temporary file, parses it and removes the file. A
// download that makes no progress for the stall limit (20 s) fails.
bool DownloadHolidayCsv(const std::wstring &url, HolidayRows &rows);
// For tests: a shorter stall limit.
void SetDownloadStallLimit(unsigned milliseconds);
