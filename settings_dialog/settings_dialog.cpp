#include "settings_dialog/settings_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <cwchar>

#include "app/app_state.h"
#include "app/dialog_font.h"
#include "app/handle_owner.h"
#include "app/late_bound.h"
#include "app/notices.h"
#include "app/screen_area.h"
#include "calendar/calendar_paint.h"
#include "holidays/holiday_update.h"
#include "resources/resource.h"

namespace {

const wchar_t kOrgFace[] = L"Org_v01";

struct NumberField {
  int id;
  std::optional<unsigned> SettingsDialogValues::*value;
  int AppSettings::*setting;
  int lowerBound;
};
const NumberField kNumberFields[] = {
    {IDC_WIDTH, &SettingsDialogValues::width, &AppSettings::WinW, 60},
    {IDC_HEIGHT, &SettingsDialogValues::height, &AppSettings::WinH, 60},
    {IDC_MARGIN, &SettingsDialogValues::margin, &AppSettings::Margin, 0},
    {IDC_TITLE_PX, &SettingsDialogValues::titlePx, &AppSettings::TitlePx, 6},
    {IDC_WEEK_PX, &SettingsDialogValues::weekPx, &AppSettings::WeekPx, 6},
    {IDC_DATE_PX, &SettingsDialogValues::datePx, &AppSettings::DatePx, 6},
};

struct ColorButton {
  int id;
  COLORREF AppSettings::*setting;
};
const ColorButton kColorButtons[] = {
    {IDC_COLOR_BG, &AppSettings::Bg},
    {IDC_COLOR_TODAY, &AppSettings::Today},
    {IDC_COLOR_WEEKDAY, &AppSettings::Weekday},
    {IDC_COLOR_SATURDAY, &AppSettings::Saturday},
    {IDC_COLOR_SUNDAY, &AppSettings::Sunday},
    {IDC_COLOR_HOLIDAY, &AppSettings::Holiday},
    {IDC_COLOR_SCHEDULE, &AppSettings::Schedule},
};

// Every control with an id; the labels without one keep the template font.
const int kControlsWithFont[] = {
    IDC_WIDTH,          IDC_HEIGHT,        IDC_MARGIN,
    IDC_TITLE_PX,       IDC_WEEK_PX,       IDC_DATE_PX,
    IDC_HOLIDAY_URL,    IDC_FACE,          IDC_START_MONDAY,
    IDC_SHOW_OUT_MONTH, IDC_AUTO_DELETE,   IDC_COLOR_BG,
    IDC_COLOR_TODAY,    IDC_COLOR_WEEKDAY, IDC_COLOR_SATURDAY,
    IDC_COLOR_SUNDAY,   IDC_COLOR_HOLIDAY, IDC_COLOR_SCHEDULE,
    IDC_HOLIDAY_UPDATE, IDC_DEFAULTS,      IDOK,
    IDCANCEL,           IDC_APPLY,         IDC_URL_LABEL,
    IDC_COLOR_GROUP,    IDC_HOLIDAY_GROUP,
};

// The field's number read as a signed 32-bit value, so 2147483648 and up
// are negative and end at the bound.
int RaiseToBound(unsigned number, int lowerBound) {
  if (number > static_cast<unsigned>(INT_MAX))
    return lowerBound;
  return std::max(static_cast<int>(number), lowerBound);
}

// Outer size in physical pixels, as stored. The position stays unless the
// larger window would run off the work area near a screen edge.
void ResizeCalendar(UINT extraFlags) {
  if (!g_app.mainWindow)
    return;
  SetWindowPos(g_app.mainWindow, nullptr, 0, 0, g_app.settings.WinW, g_app.settings.WinH,
               SWP_NOMOVE | SWP_NOZORDER | extraFlags);
  KeepWindowOnScreen(g_app.mainWindow);
}

void RebuildCalendarFonts() {
  CreateCalendarFonts(WindowDpi(g_app.mainWindow));
}

// CB_FINDSTRINGEXACT ignores letter case, so a face differing only in case
// counts as present.
LRESULT FindFace(HWND combo, const wchar_t *face) {
  return SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(face));
}

void AddFaceOnce(HWND combo, const wchar_t *face) {
  if (FindFace(combo, face) == CB_ERR)
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face));
}

// Not emptied first: a second initialisation (after the defaults) adds
// nothing, since every face is already there.
void FillFontList(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_FACE);
  {
    WindowDc dc(dialog);
    LOGFONTW query = {};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc.Get(), &query, AddFontFaceToCombo, reinterpret_cast<LPARAM>(combo), 0);
  }
  // Our own pixel faces, offered even where they are not registered.
  AddFaceOnce(combo, kDefaultFace);
  AddFaceOnce(combo, kOrgFace);
  // CB_ERR (-1) clears the selection when the face is not listed.
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(FindFace(combo, g_app.settings.Face)), 0);
}

void OnInitDialog(HWND dialog) {
  // The template opens at the calendar's corner; near a screen edge that
  // would put the buttons out of reach.
  KeepWindowOnScreen(dialog);
  AppSettings &settings = g_app.settings;
  FillEmptyFace(settings);
  ApplyDialogFont(dialog, kControlsWithFont);
  FillFontList(dialog);
  // Unsigned, as the fields read them back: a negative margin from the file
  // shows as a large number and is raised to 0 by the next apply.
  for (const NumberField &field : kNumberFields)
    SetDlgItemInt(dialog, field.id, static_cast<UINT>(settings.*field.setting), FALSE);
  CheckDlgButton(dialog, IDC_START_MONDAY, settings.StartMonday != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_SHOW_OUT_MONTH, settings.ShowOutMonth ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_AUTO_DELETE,
                 settings.AutoDeleteOldSchedules ? BST_CHECKED : BST_UNCHECKED);
  // No longer than HolidayUrl holds, so an apply never stores a cut address.
  SendDlgItemMessageW(dialog, IDC_HOLIDAY_URL, EM_LIMITTEXT, 511, 0);
  SetDlgItemTextW(dialog, IDC_HOLIDAY_URL, settings.HolidayUrl);
}

SettingsDialogValues ReadDialogValues(HWND dialog) {
  SettingsDialogValues values;
  for (const NumberField &field : kNumberFields) {
    BOOL translated = FALSE;
    UINT number = GetDlgItemInt(dialog, field.id, &translated, FALSE);
    if (translated)
      values.*field.value = number;
  }
  values.startMonday = IsDlgButtonChecked(dialog, IDC_START_MONDAY) == BST_CHECKED;
  values.showOutMonth = IsDlgButtonChecked(dialog, IDC_SHOW_OUT_MONTH) == BST_CHECKED;
  values.autoDelete = IsDlgButtonChecked(dialog, IDC_AUTO_DELETE) == BST_CHECKED;
  wchar_t face[32] = {};
  GetDlgItemTextW(dialog, IDC_FACE, face, 32);
  values.face = face;
  wchar_t url[512] = {};
  GetDlgItemTextW(dialog, IDC_HOLIDAY_URL, url, 512);
  values.url = url;
  return values;
}

// The user's change is saved at once; when that fails the user is told, and
// the change stays applied and is saved again later (and at exit).
bool SaveFromDialog(HWND dialog) {
  if (SaveSettings())
    return true;
  ShowSaveFailure(dialog);
  return false;
}

// Saved at once: "キャンセル" later does not undo it.
void PickColor(HWND dialog, COLORREF AppSettings::*setting) {
  COLORREF custom[16] = {}; // new each time: custom colours are not kept
  CHOOSECOLORW choose = {};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = dialog;
  choose.rgbResult = g_app.settings.*setting;
  choose.lpCustColors = custom;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  using ChooseFunction = BOOL(WINAPI *)(CHOOSECOLORW *);
  static const auto chooseColor = LateBound<ChooseFunction>(L"comdlg32.dll", "ChooseColorW");
  if (!chooseColor || !chooseColor(&choose))
    return;
  g_app.settings.*setting = choose.rgbResult;
  RepaintCalendar();
  SaveFromDialog(dialog);
}

// The reset position (0, 0) is saved but not applied: the window stays
// where it is and records its real position at its next move. The default
// size is a 96-DPI size, stored as the pixels it takes at the window's DPI.
void RestoreDefaults(HWND dialog) {
  ResetSettings();
  ScaleDefaultSize(g_app.settings, {true, true}, WindowDpi(g_app.mainWindow));
  RebuildCalendarFonts();
  ResizeCalendar(SWP_NOACTIVATE);
  RepaintCalendar();
  OnInitDialog(dialog);
  SaveFromDialog(dialog);
}

bool OnCommand(HWND dialog, int id) {
  switch (id) {
  case IDOK:
  case IDC_APPLY: // the dialog stays open, also when OK's save failed
    if (ApplySettingsDialog(dialog) && id == IDOK)
      EndDialog(dialog, IDOK);
    return true;
  case IDCANCEL:
    EndDialog(dialog, IDCANCEL);
    return true;
  case IDC_DEFAULTS:
    RestoreDefaults(dialog);
    return true;
  case IDC_HOLIDAY_UPDATE:
    UpdateHolidaysFromDialog(dialog); // reports its own outcome
    return true;
  }
  for (const ColorButton &button : kColorButtons) {
    if (button.id == id) {
      PickColor(dialog, button.setting);
      return true;
    }
  }
  return false;
}

// Labels, check boxes and group boxes draw on the dialog's own background.
INT_PTR OnCtlColorStatic(HWND dialog, HDC dc) {
  if (HFONT font = DialogFont(dialog))
    SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

} // namespace

SettingsChanges ApplyDialogValues(const SettingsDialogValues &values, AppSettings &settings) {
  const AppSettings before = settings;
  settings.StartMonday = values.startMonday ? 1 : 0;
  settings.ShowOutMonth = values.showOutMonth;
  settings.AutoDeleteOldSchedules = values.autoDelete;
  for (const NumberField &field : kNumberFields) {
    if (const std::optional<unsigned> &number = values.*field.value)
      settings.*field.setting = RaiseToBound(*number, field.lowerBound);
  }
  CopyToField(settings.Face, 32, values.face);
  // An address is one line: a pasted line break would end up inside the
  // stored value.
  std::wstring url = values.url;
  url.erase(
      std::remove_if(url.begin(), url.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }),
      url.end());
  if (!url.empty())
    CopyToField(settings.HolidayUrl, 512, url);

  SettingsChanges changes = {};
  changes.fonts = wcscmp(before.Face, settings.Face) != 0 || before.TitlePx != settings.TitlePx ||
                  before.WeekPx != settings.WeekPx || before.DatePx != settings.DatePx;
  changes.size = before.WinW != settings.WinW || before.WinH != settings.WinH;
  return changes;
}

bool ApplySettingsDialog(HWND dialog) {
  SettingsChanges changes = ApplyDialogValues(ReadDialogValues(dialog), g_app.settings);
  if (changes.fonts)
    RebuildCalendarFonts();
  // Resized first, so the save holds the position a fit may have moved it to.
  if (changes.size)
    ResizeCalendar(0);
  RepaintCalendar();
  return SaveFromDialog(dialog);
}

int CALLBACK AddFontFaceToCombo(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM combo) {
  AddFaceOnce(reinterpret_cast<HWND>(combo), font->lfFaceName);
  return 1;
}

// Handles the number edits (kNumberFields), the font list IDC_FACE, the check
// boxes IDC_START_MONDAY, IDC_SHOW_OUT_MONTH and IDC_AUTO_DELETE, the colour
// buttons (kColorButtons), IDC_HOLIDAY_URL with "更新" IDC_HOLIDAY_UPDATE, and
// "規定値" IDC_DEFAULTS, "適用" IDC_APPLY, IDOK and IDCANCEL.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
  case WM_INITDIALOG:
    OnInitDialog(dialog);
    return TRUE;
  case WM_COMMAND:
    return OnCommand(dialog, LOWORD(wParam)) ? TRUE : FALSE;
  case WM_CTLCOLORSTATIC:
    return OnCtlColorStatic(dialog, reinterpret_cast<HDC>(wParam));
  case WM_NCDESTROY:
    return OnDialogNcDestroy(dialog);
  }
  return FALSE;
}

void RunSettingsDialog(HWND owner) {
  LoadCommonControls();
  DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner, SettingsDialogProc, 0);
}
