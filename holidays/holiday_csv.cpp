// Placeholder until the CSV reader lands.
#include "holidays/holiday_csv.h"
void TrimCsvField(std::wstring &) {}
bool ParseHolidayCsvLine(const std::string &, HolidayRow &) {
  return false;
}
bool ParseHolidayCsv(const std::wstring &, HolidayRows &) {
  return false;
}
bool DownloadHolidayCsv(const std::wstring &, HolidayRows &) {
  return false;
}
