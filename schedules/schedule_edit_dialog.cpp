// The schedule edit dialog: the date, time and text of one schedule.
#include "schedules/schedule_dialogs.h"

#include <cwchar>
#include <tuple>

#include "app/app_state.h"
#include "app/dialog_font.h"
#include "app/handle_owner.h"
#include "calendar/month_grid.h"
#include "config/text_cut.h"
#include "resources/resource.h"
#include "schedules/schedule_store.h"

namespace {

// The text field is read into this many characters, the terminating zero
// included, so a longer text is cut to 1023 characters.
constexpr int kTextCapacity = 1024;
const wchar_t kInputErrorCaption[] = L"入力エラー";

// Year, month, day, hour, minute, in this order.
const int kNumberFields[] = {IDC_EDIT_YEAR, IDC_EDIT_MONTH, IDC_EDIT_DAY, IDC_EDIT_HOUR,
                             IDC_EDIT_MINUTE};
const int kFontControls[] = {IDC_EDIT_YEAR,   IDC_EDIT_MONTH, IDC_EDIT_DAY, IDC_EDIT_HOUR,
                             IDC_EDIT_MINUTE, IDC_EDIT_TEXT,  IDOK,         IDCANCEL};

ScheduleEntry *WorkingCopy(HWND dialog) {
  return reinterpret_cast<ScheduleEntry *>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Seconds and milliseconds count: a date-time on the current minute is
// earlier than now unless the clock stands exactly on that minute.
bool EarlierThan(const ScheduleInput &input, const SYSTEMTIME &now) {
  return std::make_tuple(input.year, input.month, input.day, input.hour, input.minute, 0u, 0u) <
         std::make_tuple(unsigned{now.wYear}, unsigned{now.wMonth}, unsigned{now.wDay},
                         unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond},
                         unsigned{now.wMilliseconds});
}

void FillFields(HWND dialog, ScheduleEntry &entry) {
  // A new schedule comes with year 0 and opens on the present moment.
  if (entry.when.wYear == 0)
    GetLocalTime(&entry.when);
  const WORD values[] = {entry.when.wYear, entry.when.wMonth, entry.when.wDay, entry.when.wHour,
                         entry.when.wMinute};
  for (size_t i = 0; i < ARRAYSIZE(kNumberFields); ++i)
    SetDlgItemInt(dialog, kNumberFields[i], values[i], FALSE);
  SetDlgItemTextW(dialog, IDC_EDIT_TEXT, entry.text.c_str());
}

ScheduleInput ReadFields(HWND dialog) {
  ScheduleInput input = {};
  bool *present[] = {&input.hasYear, &input.hasMonth, &input.hasDay, &input.hasHour,
                     &input.hasMinute};
  unsigned *values[] = {&input.year, &input.month, &input.day, &input.hour, &input.minute};
  for (size_t i = 0; i < ARRAYSIZE(kNumberFields); ++i) {
    BOOL read = FALSE;
    *values[i] = GetDlgItemInt(dialog, kNumberFields[i], &read, FALSE);
    *present[i] = read != FALSE;
  }
  wchar_t text[kTextCapacity] = {};
  GetDlgItemTextW(dialog, IDC_EDIT_TEXT, text, kTextCapacity);
  input.text = text;
  // The field's limit may have cut through a pair.
  input.text.resize(SafeCutLength(input.text.data(), input.text.size()));
  return input;
}

INT_PTR OnInitDialog(HWND dialog, LPARAM parameter) {
  SetWindowLongPtrW(dialog, DWLP_USER, parameter);
  ApplyDialogFont(dialog, kFontControls);
  FillFields(dialog, *WorkingCopy(dialog));
  return TRUE;
}

INT_PTR OnOk(HWND dialog) {
  ScheduleInput input = ReadFields(dialog);
  SYSTEMTIME now;
  GetLocalTime(&now);
  if (const wchar_t *message = CheckScheduleInput(input, now)) {
    MessageBoxW(dialog, message, kInputErrorCaption, MB_OK | MB_ICONWARNING);
    return TRUE;
  }
  ScheduleEntry &entry = *WorkingCopy(dialog);
  entry.when = {static_cast<WORD>(input.year),
                static_cast<WORD>(input.month),
                0,
                static_cast<WORD>(input.day),
                static_cast<WORD>(input.hour),
                static_cast<WORD>(input.minute),
                0,
                0};
  entry.text = input.text;
  EndDialog(dialog, IDOK);
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, int id) {
  switch (id) {
  case IDOK:
    return OnOk(dialog);
  case IDCANCEL:
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

} // namespace

const wchar_t *CheckScheduleInput(const ScheduleInput &input, const SYSTEMTIME &now) {
  if (!input.hasYear || input.year < 1900 || input.year > 2100)
    return L"年は1900～2100の範囲で入力してください。";
  if (!input.hasMonth || input.month < 1 || input.month > 12)
    return L"月は1～12の範囲で入力してください。";
  if (!input.hasDay)
    return L"日を正しく入力してください。";
  if (input.day < 1 ||
      input.day > static_cast<unsigned>(
                      DaysInMonth(static_cast<int>(input.year), static_cast<int>(input.month))))
    return L"その月に存在しない日付です。";
  if (!input.hasHour || input.hour > 23)
    return L"時刻は0～23の範囲で入力してください。";
  if (!input.hasMinute || input.minute > 59)
    return L"分は0～59の範囲で入力してください。";
  if (input.text.empty())
    return L"予定の内容を入力してください。";
  if (EarlierThan(input, now))
    return L"過去の日時には予定を登録できません。";
  return nullptr;
}

// Controls: the fields IDC_EDIT_YEAR to IDC_EDIT_TEXT, IDOK (also Enter
// outside the text field) and IDCANCEL (also Esc and the close box).
INT_PTR CALLBACK ScheduleEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog, lParam);
  case WM_COMMAND:
    return OnCommand(dialog, LOWORD(wParam));
  case WM_NCDESTROY:
    return OnDialogNcDestroy(dialog);
  }
  return FALSE;
}

bool RunScheduleEdit(HWND owner, ScheduleEntry &entry) {
  return DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_EDIT), owner,
                         ScheduleEditDialogProc, reinterpret_cast<LPARAM>(&entry)) == IDOK;
}
