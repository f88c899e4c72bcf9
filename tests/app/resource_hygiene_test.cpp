// Dialogs opened and closed many times leave no GDI object behind. Wine
// reports no GDI counts, so the process's GDI table is filled up to a few
// hundred free slots, which must stay free.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "app/app_state.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "settings_dialog/settings_dialog.h"
#include "tests/support/test_support.h"

namespace {

void OpenAndClose(int templateId, DLGPROC procedure, HWND owner, void *parameter = nullptr) {
  HWND dialog = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(templateId), owner, procedure,
                                   reinterpret_cast<LPARAM>(parameter));
  ASSERT_NE(dialog, nullptr);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
  DestroyWindow(dialog);
}

} // namespace

TEST(ResourceHygiene, DialogsOpenedManyTimesKeepNoGdiObjects) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, 0x000004FF};
  InitCommonControlsEx(&controls);
  ScopedAppState state;
  TempDir dir;
  UseIniPath(dir.File(L"calendar.ini"));
  g_app.instance = GetModuleHandleW(nullptr);
  ScheduleEntry entry = {};
  entry.when.wYear = 2030;
  entry.when.wMonth = 1;
  entry.when.wDay = 2;
  entry.text = L"予定";
  g_app.schedules = {entry, entry, entry};
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 320, nullptr, nullptr,
                               g_app.instance, nullptr);
  ASSERT_NE(owner, nullptr);
  OpenAndClose(IDD_SETTINGS, SettingsDialogProc, owner); // first uses may fill caches
  OpenAndClose(IDD_SCHEDULE_LIST, ScheduleListDialogProc, owner);
  OpenAndClose(IDD_SCHEDULE_EDIT, ScheduleEditDialogProc, owner, &entry);

  const int kHeadroom = 400;
  std::vector<HBRUSH> hog;
  while (hog.size() < 200000) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush)
      break;
    hog.push_back(brush);
  }
  for (int i = 0; i < kHeadroom && !hog.empty(); ++i) {
    DeleteObject(hog.back());
    hog.pop_back();
  }
  const int before = FreeGdiSlots(kHeadroom);
  const int kOpenings = 60;
  for (int i = 0; i < kOpenings; ++i) {
    OpenAndClose(IDD_SETTINGS, SettingsDialogProc, owner);
    OpenAndClose(IDD_SCHEDULE_LIST, ScheduleListDialogProc, owner);
    OpenAndClose(IDD_SCHEDULE_EDIT, ScheduleEditDialogProc, owner, &entry);
    if (i % 10 == 9) {
      ASSERT_GE(FreeGdiSlots(kHeadroom), before - 3) << "GDI objects left behind";
    }
  }
  for (HBRUSH brush : hog)
    DeleteObject(brush);
  DestroyWindow(owner);
  std::printf("[reliability] settings, schedule list and schedule edit dialogs opened and closed "
              "| %d | no GDI object left behind\n",
              3 * kOpenings);
}
