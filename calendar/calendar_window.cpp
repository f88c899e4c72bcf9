#include "calendar/calendar_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/ini_watch.h"
#include "app/screen_area.h"
#include "app/startup.h"
#include "calendar/calendar_access.h"
#include "calendar/calendar_paint.h"
#include "calendar/day_change.h"
#include "calendar/day_focus.h"
#include "calendar/month_grid.h"
#include "config/numbers.h"
#include "popup/day_popup.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "settings_dialog/settings_dialog.h"

const wchar_t kCalendarClassName[] = L"Dayglass";

namespace {

// A read of calendar.ini nobody waits for that failed (a held or
// half-written file) is tried again after pauses that double up to about a
// minute, then at its next occasion: a file that stays unreadable never
// wakes the calendar for ever.
constexpr UINT kLastRetryMs = 64000;
// Another program's change of calendar.ini comes as several changes (its
// writes, the rename of a temporary file onto it): the file is read once
// they have settled, or a second after the first, and again when it could
// not be read.
constexpr UINT_PTR kReloadTimer = 3;
constexpr UINT kFirstRetryMs = 200;
// The watch on the file's folder starts this long after the window, with a
// read that takes in what changed since start-up's: its thread-pool thread
// would otherwise delay the first frame.
constexpr UINT_PTR kWatchTimer = 4;
constexpr UINT kWatchDelayMs = 500;

// The focus cue shows once a key has moved or opened something; a mouse
// click hides it again, so a mouse user's calendar looks as it always did.
void ShowFocusCue(HWND window, bool shown) {
  if (g_app.focusCue == shown)
    return;
  g_app.focusCue = shown;
  InvalidateRect(window, nullptr, FALSE);
}

// Mouse messages carry signed 16-bit client coordinates.
POINT ClientPoint(LPARAM lParam) {
  return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// A default size is a 96-DPI size: it is scaled to the DPI of the monitor
// the window opens on, and from then on kept in physical pixels.
void ScaleDefaultWindowSize(HWND window, int dpi) {
  DefaultSize &defaulted = g_app.defaultSize;
  if (!defaulted.width && !defaulted.height)
    return;
  ScaleDefaultSize(g_app.settings, defaulted, dpi);
  defaulted = {false, false};
  SetWindowPos(window, nullptr, 0, 0, g_app.settings.WinW, g_app.settings.WinH,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnCreate(HWND window) {
  int dpi = WindowDpi(window);
  ScaleDefaultWindowSize(window, dpi);
  CreateCalendarFonts(dpi);
  FollowToday(window);
  SetTimer(window, kWatchTimer, kWatchDelayMs, nullptr);
}

// The settings are saved after the loop, with the schedules, in one write.
void OnDestroy() {
  DisconnectCalendarAccessible();
  DeleteCalendarFonts();
  PostQuitMessage(0);
}

// Minimized, the window stands at -32000: its normal place stays the one saved.
void OnMove(HWND window) {
  if (IsIconic(window))
    return;
  RECT rect;
  GetWindowRect(window, &rect);
  g_app.settings.PosX = rect.left;
  g_app.settings.PosY = rect.top;
}

// What other programs wrote: the calendar and an open schedule list show
// it (the list keeps its selection); an open edit dialog works on its own
// copy. A file that could not be read is read again later; while the
// settings were never seen, at their own retry's pace.
void OnReloadTimer(HWND window) {
  KillTimer(window, kReloadTimer);
  g_app.reloadDue = ReloadDue();
  if (ReloadCalendarIni())
    return;
  if (!SettingsKnown()) {
    RetrySettingsLater();
    return;
  }
  UINT &pause = g_app.reloadRetryMs;
  pause = std::max(pause * 2, kFirstRetryMs);
  if (pause <= kLastRetryMs)
    SetTimer(window, kReloadTimer, pause, nullptr);
}

void OnSettingsRetry(HWND window) {
  KillTimer(window, kSettingsRetryTimer);
  if (!SettingsKnown())
    OnReloadTimer(window);
  else if (SettingsPending())
    SaveSettings(IniWait::Once);
}

// The stored settings came after the window opened (the file was held at
// start-up): the window takes their place, size, fonts and colours.
void OnSettingsArrived(HWND window) {
  const AppSettings &settings = g_app.settings;
  CreateCalendarFonts(WindowDpi(window));
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (settings.PosX == CW_USEDEFAULT || settings.PosY == CW_USEDEFAULT || IsIconic(window))
    flags |= SWP_NOMOVE;
  SetWindowPos(window, nullptr, settings.PosX, settings.PosY, settings.WinW, settings.WinH, flags);
  InvalidateRect(window, nullptr, TRUE);
  if (SettingsPending())
    SaveSettings(IniWait::Once);
}

void OnIniFolderChanged(HWND window) {
  g_app.reloadRetryMs = 0;
  SetTimer(window, kReloadTimer, PauseBeforeReload(g_app.reloadDue, GetTickCount64()), nullptr);
}

void OnCommand(HWND window, WPARAM wParam) {
  switch (LOWORD(wParam)) {
  case IDM_SCHEDULE_LIST:
    RunScheduleList(window);
    break;
  case IDM_SETTINGS:
    RunSettingsDialog(window);
    break;
  case IDM_EXIT:
    // Only the loop ends: the schedules are saved after it, the settings were
    // saved at the last move and by the settings dialog.
    PostQuitMessage(0);
    break;
  }
}

void OnLeftButtonDown(HWND window, LPARAM lParam) {
  ShowFocusCue(window, false);
  switch (TitleButtonAtPoint(CalendarGrid(window), ClientPoint(lParam))) {
  case TitleButton::Settings:
    RunSettingsDialog(window);
    break;
  case TitleButton::List:
    RunScheduleList(window);
    break;
  case TitleButton::None:
    break;
  }
}

void OnDoubleClick(HWND window, LPARAM lParam) {
  ShowFocusCue(window, false);
  CalendarDate date;
  if (!DayAtPoint(CalendarGrid(window), ClientPoint(lParam), &date))
    return;
  FocusDay(window, date);
  std::wstring text =
      BuildDayPopupText(g_app.holidays, g_app.schedules, date.year, date.month, date.day);
  if (text.empty())
    return;
  POINT cursor = {};
  GetCursorPos(&cursor);
  ShowDayPopup(window, text, cursor.x, cursor.y);
}

void ShowContextMenu(HWND window, POINT screen) {
  MenuOwner menu(CreatePopupMenu());
  AppendMenuW(menu.Get(), MF_STRING, IDM_SCHEDULE_LIST, L"予定一覧");
  AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.Get(), MF_STRING, IDM_SETTINGS, L"設定");
  AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.Get(), MF_STRING, IDM_EXIT, L"終了");
  SetForegroundWindow(window);
  UINT chosen = static_cast<UINT>(TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                 screen.x, screen.y, 0, window, nullptr));
  menu.Reset();
  // Run the command from the message loop, after the menu has gone.
  if (chosen != 0)
    PostMessageW(window, WM_COMMAND, chosen, 0);
  else
    PostMessageW(window, WM_NULL, 0, 0);
}

// Handled here, so DefWindowProc never turns it into a second menu.
void OnRightButtonUp(HWND window) {
  POINT cursor = {};
  GetCursorPos(&cursor);
  ShowContextMenu(window, cursor);
}

// Only the keyboard's form (the menu key, Shift+F10) comes at (-1, -1): the
// menu opens at the client area's corner. Any other goes to DefWindowProc.
bool OnContextMenu(HWND window, LPARAM lParam) {
  if (GET_X_LPARAM(lParam) != -1 || GET_Y_LPARAM(lParam) != -1)
    return false;
  POINT corner = {0, 0};
  ClientToScreen(window, &corner);
  ShowContextMenu(window, corner);
  return true;
}

void ShowThisMonth(HWND window) {
  FollowToday(window);
  FocusDay(window, g_app.today);
}

void OnMiddleButton(HWND window) {
  ShowFocusCue(window, false);
  ShowThisMonth(window);
}

// A month per notch, the focused day keeping its number.
void OnMouseWheel(HWND window, WPARAM wParam) {
  FocusMove move =
      GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? FocusMove::NextMonth : FocusMove::PreviousMonth;
  FocusDay(window, MoveFocus(FocusedDay(), move));
}

// The arrows move the focused day by a day or a week, Page Up and Page Down
// (with Ctrl) by a month (a year), End to the month's last day, Home to
// today; Enter and Space open the focused day's popup, Esc closes it. Other
// keys go on to DefWindowProc.
bool OnKeyDown(HWND window, WPARAM key) {
  struct KeyMove {
    WPARAM key;
    FocusMove move, withControl;
  };
  static const KeyMove kMoves[] = {
      {VK_LEFT, FocusMove::PreviousDay, FocusMove::PreviousDay},
      {VK_RIGHT, FocusMove::NextDay, FocusMove::NextDay},
      {VK_UP, FocusMove::PreviousWeek, FocusMove::PreviousWeek},
      {VK_DOWN, FocusMove::NextWeek, FocusMove::NextWeek},
      {VK_PRIOR, FocusMove::PreviousMonth, FocusMove::PreviousYear},
      {VK_NEXT, FocusMove::NextMonth, FocusMove::NextYear},
      {VK_END, FocusMove::LastDay, FocusMove::LastDay},
  };
  if (key == VK_ESCAPE) {
    CloseDayPopup();
    return true;
  }
  for (const KeyMove &entry : kMoves) {
    if (entry.key == key) {
      ShowFocusCue(window, true);
      FocusDay(window, MoveFocus(FocusedDay(),
                                 GetKeyState(VK_CONTROL) < 0 ? entry.withControl : entry.move));
      return true;
    }
  }
  if (key != VK_HOME && key != VK_RETURN && key != VK_SPACE)
    return false;
  ShowFocusCue(window, true);
  if (key == VK_HOME)
    ShowThisMonth(window);
  else
    OpenDayPopup(window, FocusedDay());
  return true;
}

// The focus cue and the screen reader's focus follow the window's.
void OnFocusChange(HWND window, bool gained) {
  if (g_app.focusCue)
    InvalidateRect(window, nullptr, FALSE);
  if (gained)
    NotifyFocusedDay(window);
}

void OnTimer(HWND window, WPARAM id) {
  switch (id) {
  case kMidnightTimer:
    KillTimer(window, kMidnightTimer);
    FollowToday(window);
    break;
  case kSettingsRetryTimer:
    OnSettingsRetry(window);
    break;
  case kReloadTimer:
    OnReloadTimer(window);
    break;
  case kWatchTimer:
    KillTimer(window, kWatchTimer);
    StartIniWatch(window);
    OnReloadTimer(window);
    break;
  }
}

void OnPowerBroadcast(HWND window, WPARAM event) {
  if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND)
    FollowToday(window);
}

// Shown again, or restored from the taskbar: the day may have changed unseen.
void OnShowWindow(HWND window, WPARAM shown) {
  if (shown)
    FollowToday(window);
}

void OnSize(HWND window, WPARAM kind) {
  if (kind == SIZE_RESTORED)
    FollowToday(window);
}

// A new screen layout or a smaller work area can leave the caption where
// the mouse cannot take it; the window then moves, and keeps its new place.
void OnScreenChange(HWND window) {
  if (!IsIconic(window) && KeepCaptionReachable(window))
    SaveSettings(IniWait::Once);
}

// Signing out: what the end of the message loop would save, now, since
// the process ends without that loop's end.
void OnEndSession(WPARAM ending) {
  if (ending)
    SaveBeforeExit(g_app.settingsState != SettingsState::Saved, false);
}

// High contrast switched on or off, or the system's colours changed: the
// calendar and the popup draw with the colours now in force.
void OnColorsChange(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  if (g_app.popup)
    InvalidateRect(g_app.popup, nullptr, FALSE);
}

void OnSettingChange(HWND window, WPARAM setting) {
  if (setting == SPI_SETWORKAREA)
    OnScreenChange(window);
  else if (setting == SPI_SETHIGHCONTRAST)
    OnColorsChange(window);
}

void OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
  CreateCalendarFonts(LOWORD(wParam));
  const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

MonthGrid CalendarGrid(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  return ComputeMonthGrid(client, WindowDpi(window), g_app.settings, g_app.displayed);
}

CalendarDate FocusedDay() {
  // Within the month shown, whatever else changed that month.
  const DisplayedMonth shown = g_app.displayed;
  const CalendarDate focus = g_app.focus;
  int day = std::clamp(focus.day, 1, DaysInMonth(shown.year, shown.month));
  return {shown.year, shown.month, day};
}

void FocusDay(HWND window, CalendarDate date) {
  const DisplayedMonth before = g_app.displayed;
  const CalendarDate focused = FocusedDay();
  g_app.focus = date;
  g_app.displayed = {date.year, date.month};
  if (before.year != date.year || before.month != date.month)
    RepaintCalendarWindow(window);
  else if (focused.day != date.day && g_app.focusCue)
    InvalidateRect(window, nullptr, FALSE);
  if (focused.year != date.year || focused.month != date.month || focused.day != date.day)
    NotifyFocusedDay(window);
}

void OpenDayPopup(HWND window, const CalendarDate &date) {
  std::wstring text =
      BuildDayPopupText(g_app.holidays, g_app.schedules, date.year, date.month, date.day);
  if (text.empty())
    return;
  // Beside the day's cell, as the cursor would be.
  const MonthGrid grid = CalendarGrid(window);
  const RECT &cell = grid.cells[grid.firstColumn + date.day - 1].rect;
  POINT corner = {cell.right, cell.top};
  ClientToScreen(window, &corner);
  ShowDayPopup(window, text, corner.x, corner.y);
}

std::wstring CalendarDayName(const GridCell &cell) {
  const CalendarDate date = {cell.year, cell.month, cell.day};
  const CalendarDate &today = g_app.today;
  const bool isToday =
      cell.inMonth && cell.year == today.year && cell.month == today.month && cell.day == today.day;
  // The list is in date-time order: the day's appointments lie together.
  const ScheduleEntry day = {{static_cast<WORD>(cell.year), static_cast<WORD>(cell.month), 0,
                              static_cast<WORD>(cell.day), 0, 0, 0, 0},
                             std::wstring(),
                             false};
  // The date alone of the order the list keeps: year, month, day.
  auto sameDay = [](const ScheduleEntry &a, const ScheduleEntry &b) {
    const SYSTEMTIME &x = a.when, &y = b.when;
    return x.wYear != y.wYear     ? x.wYear < y.wYear
           : x.wMonth != y.wMonth ? x.wMonth < y.wMonth
                                  : x.wDay < y.wDay;
  };
  auto range = std::equal_range(g_app.schedules.begin(), g_app.schedules.end(), day, sameDay);
  return DayName(date, isToday, FindHolidayIn(g_app.holidays, cell.year, cell.month, cell.day),
                 static_cast<size_t>(range.second - range.first));
}

std::wstring DayAppointmentsText(const CalendarDate &date) {
  return BuildDayPopupText(HolidayMap(), g_app.schedules, date.year, date.month, date.day);
}

// Mouse: wheel pages months, the middle button returns to this month, a
// double-click shows a day, the right button opens the menu, the title
// glyphs open the dialogs; the keys of OnKeyDown and the menu key do the
// same. The clock, sleep and the screens are followed without input.
LRESULT CALLBACK CalendarWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    OnCreate(window);
    return 0;
  case WM_DESTROY:
    OnDestroy();
    return 0;
  case WM_MOVE:
    OnMove(window);
    return 0;
  case WM_PAINT:
    PaintCalendarWindow(window);
    return 0;
  case WM_ERASEBKGND:
    return 1; // the paint covers everything; erasing would flicker
  case WM_SETCURSOR:
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return 1;
  case WM_COMMAND:
    OnCommand(window, wParam);
    return 0;
  case WM_LBUTTONDOWN:
    OnLeftButtonDown(window, lParam);
    return 0;
  case WM_LBUTTONDBLCLK:
    OnDoubleClick(window, lParam);
    return 0;
  case WM_RBUTTONUP:
    OnRightButtonUp(window);
    return 0;
  case WM_CONTEXTMENU:
    if (!OnContextMenu(window, lParam))
      break;
    return 0;
  case WM_MBUTTONDOWN:
    OnMiddleButton(window);
    return 0;
  case WM_KEYDOWN:
    if (!OnKeyDown(window, wParam))
      break;
    return 0;
  case WM_MOUSEWHEEL:
    OnMouseWheel(window, wParam);
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    OnFocusChange(window, message == WM_SETFOCUS);
    return 0;
  case WM_GETOBJECT:
    if (LRESULT object = CalendarAccessibleObject(window, wParam, lParam))
      return object;
    break;
  case WM_SYSCOLORCHANGE:
    OnColorsChange(window);
    return 0;
  case WM_EXITSIZEMOVE:
    SaveSettings(IniWait::Once);
    return 0;
  case kSettingsArrived:
    OnSettingsArrived(window);
    return 0;
  case WM_ENDSESSION:
    OnEndSession(wParam);
    return 0;
  case kIniFolderChanged:
    OnIniFolderChanged(window);
    return 0;
  case WM_DPICHANGED:
    OnDpiChanged(window, wParam, lParam);
    return 0;
  case WM_TIMER:
    OnTimer(window, wParam);
    return 0;
  case WM_TIMECHANGE:
    FollowToday(window);
    return 0;
  case WM_POWERBROADCAST:
    OnPowerBroadcast(window, wParam);
    return TRUE;
  case WM_SHOWWINDOW:
    OnShowWindow(window, wParam);
    return 0;
  case WM_SIZE:
    OnSize(window, wParam);
    return 0;
  case WM_DISPLAYCHANGE:
    OnScreenChange(window);
    return 0;
  case WM_SETTINGCHANGE:
    OnSettingChange(window, wParam);
    break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring BuildDayPopupText(const HolidayMap &holidays, const ScheduleList &schedules, int year,
                               int month, int day) {
  std::wstring text;
  if (const std::wstring *holiday = FindHolidayIn(holidays, year, month, day))
    text = L"\u25CF祝日 " + *holiday;
  for (const ScheduleEntry &entry : schedules) {
    if (entry.when.wYear != year || entry.when.wMonth != month || entry.when.wDay != day)
      continue;
    if (!text.empty())
      text += L"\r\n---\r\n";
    AppendDecimal(text, entry.when.wHour, 2);
    text += L':';
    AppendDecimal(text, entry.when.wMinute, 2);
    text += L' ';
    text += entry.text;
  }
  return text;
}
