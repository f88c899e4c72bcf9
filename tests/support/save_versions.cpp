#include "tests/support/save_versions.h"

#include <string>

ScheduleList ScheduleVersion(int version) {
  ScheduleList list;
  int count = 20 + version % 60;
  for (int i = 1; i <= count; ++i) {
    ScheduleEntry entry = {};
    entry.when.wYear = static_cast<WORD>(2030 + i % 5);
    entry.when.wMonth = static_cast<WORD>(1 + i % 12);
    entry.when.wDay = static_cast<WORD>(1 + i % 28);
    entry.when.wHour = static_cast<WORD>(i % 24);
    entry.when.wMinute = static_cast<WORD>(i % 60);
    entry.text = L"v" + std::to_wstring(version) + L" " + std::to_wstring(i) + L"/" +
                 std::to_wstring(count) + L" " + std::wstring(200, L'x');
    list.push_back(entry);
  }
  return list;
}
