// The national-holiday CSV: its rows and the parser of its file.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct HolidayRow {
  std::wstring date; // "%04d-%02d-%02d"
  std::wstring name;
};
using HolidayRows = std::vector<HolidayRow>;

// What no real list comes near: the published one is about 20 KB and 1,100
// rows. A larger file is no holiday list, whatever it holds.
constexpr unsigned long long kMostHolidayCsvBytes = 4ull << 20;
constexpr size_t kMostHolidayRows = 100000;

// Removes spaces, tabs and double quotes from both ends.
void TrimCsvField(std::wstring &field);
// One line's bytes (code page 932, line end already removed) to a row;
// false when the line holds no comma and date.
bool ParseHolidayCsvLine(const std::string &line, HolidayRow &row);
// Appends the rows of a local CSV file after its header line; false, with
// nothing appended, when the file cannot be read, holds no line at all, or
// passes kMostHolidayCsvBytes or kMostHolidayRows.
bool ParseHolidayCsv(const std::wstring &path, HolidayRows &rows);
