// The schedule list dialog: every schedule in date-time order, with add,
// edit and delete, each written to calendar.ini at once.
#include "schedules/schedule_dialogs.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <cwchar>
#include <vector>

#include "app/app_state.h"
#include "app/dialog_font.h"
#include "app/handle_owner.h"
#include "app/notices.h"
#include "app/screen_area.h"
#include "app/startup.h"
#include "calendar/calendar_paint.h"
#include "calendar/month_grid.h"
#include "config/text_cut.h"
#include "resources/resource.h"
#include "schedules/schedule_store.h"

namespace {

// Column widths at 96 DPI, scaled to the dialog's.
constexpr int kDateColumnWidth96 = 150;
constexpr int kTextColumnWidth96 = 300;
constexpr int kMinTextColumnWidth96 = 50;
// A row shows this much of a text: more is never readable in one row, and a
// file edited by hand may hold megabytes.
constexpr size_t kListTextLimit = 1024;
constexpr DWORD kListViewStyles = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER;

const int kFontControls[] = {IDC_SCHEDULE_VIEW, IDC_SCHEDULE_ADD, IDC_SCHEDULE_EDIT,
                             IDC_SCHEDULE_DELETE, IDOK};

HWND ScheduleView(HWND dialog) {
  return GetDlgItem(dialog, IDC_SCHEDULE_VIEW);
}

// Row indices of the selection, from the top. Every row selected needs no
// question per row, which a long list would pay for.
std::vector<int> SelectedRows(HWND dialog) {
  HWND view = ScheduleView(dialog);
  std::vector<int> rows;
  const int count = ListView_GetItemCount(view);
  if (count > 0 && static_cast<int>(ListView_GetSelectedCount(view)) == count) {
    rows.resize(static_cast<size_t>(count));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
  }
  for (int row = ListView_GetNextItem(view, -1, LVNI_SELECTED); row != -1;
       row = ListView_GetNextItem(view, row, LVNI_SELECTED))
    rows.push_back(row);
  return rows;
}

// At the calendar window's stored corner, or centred on the primary screen
// when there is none; moved into the work area where it would run off it (a
// calendar in a screen corner would otherwise push the buttons and the close
// box out of reach).
void PlaceDialog(HWND dialog) {
  int x = g_app.settings.PosX;
  int y = g_app.settings.PosY;
  if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) {
    RECT frame;
    GetWindowRect(dialog, &frame);
    x = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
  }
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  KeepWindowOnScreen(dialog);
}

void InsertColumn(HWND view, int index, const wchar_t *title, int width) {
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t *>(title);
  column.cx = width;
  column.iSubItem = index;
  ListView_InsertColumn(view, index, &column);
}

void SetUpScheduleView(HWND dialog) {
  HWND view = ScheduleView(dialog);
  while (ListView_DeleteColumn(view, 0)) {
  }
  ListView_SetExtendedListViewStyle(view, kListViewStyles);
  int dpi = WindowDpi(dialog);
  InsertColumn(view, 0, L"日時", ScaleForDpi(kDateColumnWidth96, dpi));
  InsertColumn(view, 1, L"内容", ScaleForDpi(kTextColumnWidth96, dpi));
}

void SizeColumns(HWND dialog) {
  HWND view = ScheduleView(dialog);
  RECT client;
  GetClientRect(view, &client);
  int dpi = WindowDpi(dialog);
  int dateWidth = ScaleForDpi(kDateColumnWidth96, dpi);
  ListView_SetColumnWidth(view, 0, dateWidth);
  ListView_SetColumnWidth(view, 1,
                          std::max(static_cast<int>(client.right) - dateWidth,
                                   ScaleForDpi(kMinTextColumnWidth96, dpi)));
}

INT_PTR OnAdd(HWND dialog) {
  if (SelectedRows(dialog).size() > 1)
    return FALSE;
  ScheduleEntry copy = {};
  if (!RunScheduleEdit(dialog, copy))
    return TRUE;
  ShowScheduleChange(dialog, AddSchedule(copy));
  return TRUE;
}

INT_PTR OnEdit(HWND dialog) {
  std::vector<int> rows = SelectedRows(dialog);
  if (rows.size() != 1 || static_cast<size_t>(rows[0]) >= g_app.schedules.size())
    return FALSE;
  const ScheduleEntry old = g_app.schedules[rows[0]];
  ScheduleEntry copy = old;
  if (!RunScheduleEdit(dialog, copy))
    return TRUE;
  copy.markedOld = false; // a confirmed edit clears the old mark
  ShowScheduleChange(dialog, ReplaceSchedule(old, copy));
  return TRUE;
}

INT_PTR OnDelete(HWND dialog) {
  std::vector<int> rows = SelectedRows(dialog);
  if (rows.empty()) {
    MessageBeep(MB_ICONEXCLAMATION);
    return TRUE;
  }
  ShowScheduleChange(dialog, RemoveSchedules(std::vector<size_t>(rows.begin(), rows.end())));
  return TRUE;
}

// The calendar's marks follow at once, while the list stays open.
void RepaintCalendarNow() {
  RepaintCalendar();
  if (g_app.mainWindow)
    UpdateWindow(g_app.mainWindow);
}

INT_PTR OnInitDialog(HWND dialog) {
  g_app.scheduleList = dialog;
  PlaceDialog(dialog);
  ApplyDialogFont(dialog, kFontControls);
  SetUpScheduleView(dialog);
  FillScheduleList(dialog);
  // What another process (a "/schedule" run, a second calendar) saved since:
  // taking it in refills the list.
  ReloadCalendarIni();
  SizeColumns(dialog);
  return TRUE;
}

INT_PTR OnSize(HWND dialog) {
  if (ScheduleView(dialog))
    SizeColumns(dialog);
  return FALSE;
}

// Row i is the schedule at position i of the sorted list: the date-time,
// then the text as the row shows it.
void SupplyRowText(LVITEMW &item) {
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || item.iItem < 0 ||
      static_cast<size_t>(item.iItem) >= g_app.schedules.size())
    return;
  const ScheduleEntry &entry = g_app.schedules[static_cast<size_t>(item.iItem)];
  std::wstring text;
  if (item.iSubItem == 0)
    AppendScheduleWhen(text, entry.when);
  else
    text = ScheduleListText(entry.text);
  CopyToField(item.pszText, static_cast<size_t>(item.cchTextMax), text);
}

INT_PTR OnNotify(HWND dialog, NMHDR &header) {
  if (header.idFrom != IDC_SCHEDULE_VIEW)
    return FALSE;
  // The double click edits the selected row, whatever lies under the pointer.
  if (header.code == static_cast<UINT>(NM_DBLCLK))
    OnEdit(dialog);
  else if (header.code == LVN_GETDISPINFOW)
    SupplyRowText(reinterpret_cast<NMLVDISPINFOW &>(header).item);
  return FALSE;
}

INT_PTR OnCommand(HWND dialog, int id) {
  switch (id) {
  case IDOK:
    EndDialog(dialog, IDOK);
    return TRUE;
  case IDC_SCHEDULE_ADD:
    return OnAdd(dialog);
  case IDC_SCHEDULE_EDIT:
    return OnEdit(dialog);
  case IDC_SCHEDULE_DELETE:
    return OnDelete(dialog);
  }
  // IDCANCEL included: Esc leaves the list open.
  return FALSE;
}

INT_PTR OnClose(HWND dialog) {
  EndDialog(dialog, IDOK);
  return TRUE;
}

INT_PTR OnNcDestroy(HWND dialog) {
  g_app.scheduleList = nullptr;
  return OnDialogNcDestroy(dialog);
}

} // namespace

std::wstring ScheduleListText(const std::wstring &text) {
  std::wstring shown;
  size_t i = 0;
  for (; i < text.size() && shown.size() < kListTextLimit; ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') {
      shown += text[i];
      continue;
    }
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
      ++i;
    shown += L" / ";
  }
  if (i < text.size()) {
    shown.resize(SafeCutLength(shown.data(), shown.size()));
    shown += L'\u2026';
  }
  return shown;
}

void FillScheduleList(HWND dialog) {
  // The rows are not copied into the list view: it asks for the ones it
  // shows (LVN_GETDISPINFO), so a list of any length fills, and goes, at once.
  HWND view = ScheduleView(dialog);
  ListView_SetItemCountEx(view, static_cast<int>(g_app.schedules.size()), 0);
  InvalidateRect(view, nullptr, TRUE);
}

std::vector<int> SelectedScheduleRows() {
  return g_app.scheduleList ? SelectedRows(g_app.scheduleList) : std::vector<int>();
}

void RefillScheduleList(const std::vector<const ScheduleEntry *> &selected) {
  HWND dialog = g_app.scheduleList;
  if (!dialog)
    return;
  HWND view = ScheduleView(dialog);
  const std::vector<bool> found = FindSchedules(g_app.schedules, selected);
  const size_t count = static_cast<size_t>(std::count(found.begin(), found.end(), true));
  // The list view does work for every row whose state is set: one call for
  // all rows (-1) toward whichever state most rows take, then the rows that
  // differ, with drawing held back meanwhile.
  const bool most = count * 2 > found.size();
  SendMessageW(view, WM_SETREDRAW, FALSE, 0);
  int focused = ListView_GetNextItem(view, -1, LVNI_FOCUSED);
  if (focused >= 0) {
    ListView_SetItemState(view, focused, 0, LVIS_FOCUSED);
  }
  FillScheduleList(dialog);
  if (most || ListView_GetSelectedCount(view) > 0) {
    ListView_SetItemState(view, -1, most ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
  for (size_t row = 0; row < found.size(); ++row) {
    if (found[row] != most) {
      ListView_SetItemState(view, static_cast<int>(row), most ? 0 : LVIS_SELECTED, LVIS_SELECTED);
    }
  }
  SendMessageW(view, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(view, nullptr, TRUE);
}

void ShowScheduleChange(HWND dialog, bool saved) {
  // The store has refilled the list; a failed save keeps the change in it,
  // and the next save writes it.
  RepaintCalendarNow();
  if (!saved)
    ShowSaveFailure(dialog);
}

// Controls: IDC_SCHEDULE_VIEW (a double click edits), IDC_SCHEDULE_ADD,
// IDC_SCHEDULE_EDIT, IDC_SCHEDULE_DELETE and IDOK (also Enter). The close
// box closes too; Esc does nothing.
INT_PTR CALLBACK ScheduleListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog);
  case WM_SIZE:
    return OnSize(dialog);
  case WM_NOTIFY:
    return OnNotify(dialog, *reinterpret_cast<NMHDR *>(lParam));
  case WM_COMMAND:
    return OnCommand(dialog, LOWORD(wParam));
  case WM_CLOSE:
    return OnClose(dialog);
  case WM_NCDESTROY:
    return OnNcDestroy(dialog);
  }
  return FALSE;
}

void RunScheduleList(HWND owner) {
  LoadCommonControls();
  DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_LIST), owner,
                  ScheduleListDialogProc, 0);
}
