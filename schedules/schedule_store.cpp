// Placeholder until the schedule store lands.
#include "schedules/schedule_store.h"
std::wstring EscapeScheduleText(const std::wstring &text) {
  return text;
}
std::wstring UnescapeScheduleText(const std::wstring &stored) {
  return stored;
}
bool ScheduleEarlier(const ScheduleEntry &, const ScheduleEntry &) {
  return false;
}
ScheduleList ParseSchedules(const IniText &, bool, bool *) {
  return {};
}
std::wstring FormatScheduleLine(size_t, const ScheduleEntry &) {
  return {};
}
std::wstring BuildScheduleSection(const ScheduleList &) {
  return {};
}
void LoadSchedules() {}
void SaveSchedules() {}
void SortSchedules() {}
