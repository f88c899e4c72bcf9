#include "app/startup.h"

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/ini_watch.h"
#include "app/notices.h"
#include "calendar/calendar_paint.h"
#include "calendar/calendar_window.h"
#include "holidays/holiday_store.h"
#include "holidays/holiday_update.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "schedules/schedule_store.h"

RunMode ChooseRunMode(const wchar_t *commandLine) {
  if (!commandLine)
    return RunMode::Window;
  if (wcsstr(commandLine, L"/update-holidays") || wcsstr(commandLine, L"--update-holidays"))
    return RunMode::UpdateHolidays;
  if (wcsstr(commandLine, L"/schedule") || wcsstr(commandLine, L"--schedule"))
    return RunMode::Schedule;
  return RunMode::Window;
}

void RegisterPrivateFonts() {
  struct EmbeddedFont {
    int id;
    const wchar_t *family;
  };
  static const EmbeddedFont kFonts[] = {{IDF_HOOGE, L"Hooge 05_55"}, {IDF_ORG, L"Org_v01"}};
  static_assert(ARRAYSIZE(kFonts) == ARRAYSIZE(g_app.privateFonts), "one slot per font");
  for (size_t i = 0; i < ARRAYSIZE(kFonts); ++i) {
    HRSRC resource = FindResourceW(g_app.instance, MAKEINTRESOURCEW(kFonts[i].id), RT_FONT);
    HGLOBAL loaded = resource ? LoadResource(g_app.instance, resource) : nullptr;
    if (!loaded)
      continue;
    void *bytes = LockResource(loaded);
    DWORD size = SizeofResource(g_app.instance, resource);
    DWORD installed = 0;
    g_app.privateFonts[i] = AddFontMemResourceEx(bytes, size, nullptr, &installed);
    if (!g_app.privateFonts[i])
      MessageBoxW(nullptr,
                  (std::wstring(kFonts[i].family) + L" フォントの読み込みに失敗しました。").c_str(),
                  L"警告", MB_OK | MB_ICONWARNING);
  }
}

void UnregisterPrivateFonts() {
  for (HANDLE &font : g_app.privateFonts) {
    if (font)
      RemoveFontMemResourceEx(font);
    font = nullptr;
  }
}

bool BuildIniPath(const wchar_t *modulePath, wchar_t *iniPath, size_t capacity) {
  static const wchar_t kFileName[] = L"calendar.ini";
  iniPath[0] = L'\0';
  const wchar_t *slash = wcsrchr(modulePath, L'\\');
  size_t dirLength = slash ? static_cast<size_t>(slash - modulePath) + 1 : 0;
  // A path that does not fit stays empty: reads then find no file and writes
  // fail, rather than touching a file at a cut-off path.
  if (dirLength + wcslen(kFileName) + 1 > capacity)
    return false;
  wmemcpy(iniPath, modulePath, dirLength);
  wcscpy(iniPath + dirLength, kFileName);
  return true;
}

void EnsureIniFile(const wchar_t *iniPath) {
  if (!iniPath[0] || GetFileAttributesW(iniPath) != INVALID_FILE_ATTRIBUTES)
    return;
  FileOwner file(
      CreateFileW(iniPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return;
  static const unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};
  DWORD written = 0;
  WriteFile(file.Get(), kBom, sizeof kBom, &written, nullptr);
}

void ReadStoredIni(const IniText &text, StoredIni &stored, bool withList) {
  StartScheduleRead(stored.schedules, text, withList);
  ForEachIniEntry(text,
                  [&](std::wstring_view section, std::wstring_view key, std::wstring_view value) {
                    if (section == kScheduleSection)
                      ReadScheduleEntry(stored.schedules, value);
                    else if (section == kHolidaySection)
                      ReadHolidayEntry(stored.holidays, key, value);
                    else
                      ReadSettingEntry(stored.settings, section, key, value);
                  });
}

void LoadCalendarIni() {
  bool readable = true;
  const IniText text = ReadIniText(&readable);
  StoredIni stored;
  stored.settings = StartSettingsRead(g_app.settings);
  ReadStoredIni(text, stored, true);
  EndSettingsRead(stored.settings);
  LoadSettingsFrom(stored.settings, readable);
  FillEmptyFace(g_app.settings);
  MarkSettingsUntouched();
  g_app.holidays.swap(stored.holidays);
  LoadSchedulesFrom(std::move(stored.schedules), readable);
}

bool ReloadCalendarIni() {
  bool readable = true;
  const IniText text = ReadIniTextLocked(&readable, IniWait::Once);
  const bool showing = !g_app.schedules.empty() || !g_app.holidays.empty();
  if (!readable || (text.empty() && showing))
    return false;
  StoredIni stored;
  stored.settings = StartSettingsRead(StartupSettings());
  // Most reloads follow this process's own saves: the schedules are parsed
  // only when their fingerprint says another program changed them.
  ReadStoredIni(text, stored, false);
  if (!SettingsKnown()) {
    EndSettingsRead(stored.settings);
    TakeInStoredSettings(stored.settings);
  }
  TakeInFileList(text, stored.schedules.fingerprint);
  if (stored.holidays != g_app.holidays) {
    g_app.holidays.swap(stored.holidays);
    RepaintCalendar();
  }
  return true;
}

void RestoreCalendarIni(IniText &text) {
  if (SettingsKnown())
    PutSettingsInto(text, g_app.settings);
  if (!g_app.holidays.empty())
    ReplaceIniSection(text, L"Holidays", BuildHolidayBody(g_app.holidays));
  RestoreSchedulesInto(text);
}

void SaveBeforeExit(bool withSettings, bool tellFailure) {
  // A save with nothing unsaved in it does not wait; one with the user's
  // changes waits its two seconds.
  const bool settingsOpen = withSettings && g_app.settingsState != SettingsState::Saved;
  const IniWait wait = SchedulesPending() || settingsOpen ? IniWait::Patient : IniWait::Once;
  bool saved = withSettings ? SaveSettings(wait, true) : SaveSchedules(nullptr, wait);
  if (!saved && SchedulesPending() && tellFailure)
    ShowSaveFailure(nullptr);
}

int RunHolidayMode() {
  g_app.silent = true;
  bool updated = UpdateHolidaysFromCommandLine();
  UnregisterPrivateFonts();
  return updated ? 0 : 1;
}

int RunScheduleMode() {
  RunScheduleList(nullptr);
  SaveBeforeExit(false, true);
  UnregisterPrivateFonts();
  return 0;
}

static void RegisterCalendarClass() {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  // Double clicks open the day popup; no redraw bits, the size never changes by dragging.
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = CalendarWindowProc;
  windowClass.hInstance = g_app.instance;
  windowClass.hIcon = LoadIconW(g_app.instance, MAKEINTRESOURCEW(IDI_APP));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kCalendarClassName;
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(g_app.instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  RegisterClassExW(&windowClass);
}

int RunWindowMode() {
  RegisterCalendarClass();
  const AppSettings &settings = g_app.settings;
  HWND window = CreateWindowExW(
      0, kCalendarClassName, L"Dayglass", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, settings.PosX,
      settings.PosY, settings.WinW, settings.WinH, nullptr, nullptr, g_app.instance, nullptr);
  if (!window)
    return 0;
  g_app.mainWindow = window;
  // Always the normal state, whatever the launcher asked for.
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  // Where the system put the window is nobody's change: settings not yet
  // read take the stored place when they come.
  MarkSettingsUntouched();

  MSG message = {};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  StopIniWatch();
  // Destroyed: closed by its caption, and the settings go with the
  // schedules. The exit command leaves the window; its settings were saved
  // at the last move and by the settings dialog, unless that failed.
  SaveBeforeExit(!IsWindow(window) || g_app.settingsState != SettingsState::Saved, true);
  UnregisterPrivateFonts();
  return static_cast<int>(message.wParam);
}
