#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_paint.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "schedules/schedule_store.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"

namespace {

const std::wstring kYear = L"年は1900～2100の範囲で入力してください。";
const std::wstring kMonth = L"月は1～12の範囲で入力してください。";
const std::wstring kDayRead = L"日を正しく入力してください。";
const std::wstring kNoSuchDay = L"その月に存在しない日付です。";
const std::wstring kHour = L"時刻は0～23の範囲で入力してください。";
const std::wstring kMinute = L"分は0～59の範囲で入力してください。";
const std::wstring kText = L"予定の内容を入力してください。";
const std::wstring kPast = L"過去の日時には予定を登録できません。";

ScheduleInput Input(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                    const std::wstring &text = L"予定") {
  return {true, true, true, true, true, year, month, day, hour, minute, text};
}

ScheduleInput Without(ScheduleInput input, bool ScheduleInput::*field) {
  input.*field = false;
  return input;
}

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0,
                WORD milliseconds = 0) {
  return {year, month, 0, day, hour, minute, second, milliseconds};
}

// Not later than any date-time the range checks let through.
const SYSTEMTIME kEarliest = Time(1900, 1, 1, 0, 0);

std::wstring Check(const ScheduleInput &input, const SYSTEMTIME &now = kEarliest) {
  const wchar_t *message = CheckScheduleInput(input, now);
  return message ? message : L"";
}

} // namespace

TEST(ScheduleChecks, RangesAndCalendarDays) {
  struct Case {
    ScheduleInput input;
    std::wstring expected;
  };
  const Case cases[] = {
      {Input(1900, 1, 1, 0, 0), L""},
      {Input(2100, 12, 31, 23, 59), L""},
      {Input(1899, 12, 31, 23, 59), kYear},
      {Input(2101, 1, 1, 0, 0), kYear},
      {Input(0, 1, 1, 0, 0), kYear},
      {Without(Input(2000, 1, 1, 0, 0), &ScheduleInput::hasYear), kYear},
      {Input(2000, 0, 1, 0, 0), kMonth},
      {Input(2000, 13, 1, 0, 0), kMonth},
      {Without(Input(2000, 1, 1, 0, 0), &ScheduleInput::hasMonth), kMonth},
      {Input(2000, 13, 0, 0, 0), kMonth},
      {Without(Input(2000, 1, 1, 0, 0), &ScheduleInput::hasDay), kDayRead},
      {Input(2000, 1, 0, 0, 0), kNoSuchDay},
      {Input(2000, 1, 32, 0, 0), kNoSuchDay},
      {Input(2000, 12, 31, 0, 0), L""},
      {Input(2024, 2, 29, 0, 0), L""},
      {Input(2000, 2, 29, 0, 0), L""},
      {Input(2100, 2, 29, 0, 0), kNoSuchDay},
      {Input(2023, 2, 29, 0, 0), kNoSuchDay},
      {Input(2023, 2, 28, 0, 0), L""},
      {Input(2026, 4, 31, 0, 0), kNoSuchDay},
      {Input(2026, 4, 30, 0, 0), L""},
      {Input(2026, 4, 30, 24, 0), kHour},
      {Without(Input(2026, 4, 30, 0, 0), &ScheduleInput::hasHour), kHour},
      {Input(2026, 4, 30, 23, 60), kMinute},
      {Without(Input(2026, 4, 30, 0, 0), &ScheduleInput::hasMinute), kMinute},
      {Input(2026, 4, 30, 0, 0, L""), kText},
      {Input(2026, 4, 30, 0, 0, L" "), L""},
      {Input(2026, 4, 30, 0, 0, L"\r\n"), L""},
      // The first failing check alone speaks.
      {Without(Input(2026, 4, 30, 0, 0, L""), &ScheduleInput::hasYear), kYear},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Check(c.input), c.expected)
        << c.input.year << "/" << c.input.month << "/" << c.input.day << " " << c.input.hour << ":"
        << c.input.minute;
}

TEST(ScheduleChecks, RefusesDateTimesBeforeNow) {
  const SYSTEMTIME now = Time(2026, 3, 10, 12, 0, 30, 500);
  EXPECT_EQ(Check(Input(2026, 3, 10, 12, 0), now), kPast); // this minute, seconds gone
  EXPECT_EQ(Check(Input(2026, 3, 10, 11, 59), now), kPast);
  EXPECT_EQ(Check(Input(2026, 3, 9, 23, 59), now), kPast);
  EXPECT_EQ(Check(Input(2025, 12, 31, 23, 59), now), kPast);
  EXPECT_EQ(Check(Input(2026, 3, 10, 12, 1), now), L"");
  EXPECT_EQ(Check(Input(2099, 1, 1, 0, 0), now), L"");
  // Exactly now passes; a millisecond later it does not.
  EXPECT_EQ(Check(Input(2026, 3, 10, 12, 0), Time(2026, 3, 10, 12, 0)), L"");
  EXPECT_EQ(Check(Input(2026, 3, 10, 12, 0), Time(2026, 3, 10, 12, 0, 0, 1)), kPast);
  // Range messages come before the past-time check.
  EXPECT_EQ(Check(Input(1899, 1, 1, 0, 0), now), kYear);
}

namespace {

INT_PTR RunEditDialog(ScheduleEntry &copy, DialogDriver &driver) {
  INT_PTR result = 0;
  driver.Run([&] {
    result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SCHEDULE_EDIT),
                             nullptr, ScheduleEditDialogProc, reinterpret_cast<LPARAM>(&copy));
  });
  return result;
}

void SetField(HWND dialog, int id, const std::wstring &text) {
  SetDlgItemTextW(dialog, id, text.c_str());
}

// Fills the number fields (year, month, day, hour, minute) and the text.
void SetFields(HWND dialog, const std::vector<std::wstring> &numbers, const std::wstring &text) {
  const int ids[] = {IDC_EDIT_YEAR, IDC_EDIT_MONTH, IDC_EDIT_DAY, IDC_EDIT_HOUR, IDC_EDIT_MINUTE};
  for (size_t i = 0; i < numbers.size(); ++i)
    SetField(dialog, ids[i], numbers[i]);
  SetField(dialog, IDC_EDIT_TEXT, text);
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

bool SameTime(const SYSTEMTIME &a, const SYSTEMTIME &b) {
  return memcmp(&a, &b, sizeof a) == 0;
}

void CheckEditTemplate(HWND dialog) {
  for (int id = IDC_EDIT_YEAR; id <= IDC_EDIT_MINUTE; ++id)
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & ES_NUMBER) << id;
  const LONG lines = ES_MULTILINE | ES_WANTRETURN; // Enter breaks the line there
  EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_EDIT_TEXT), GWL_STYLE) & lines, lines);
  EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);

  // The focus starts on the year; Tab then walks the fields and the buttons.
  const int order[] = {IDC_EDIT_YEAR,   IDC_EDIT_MONTH, IDC_EDIT_DAY, IDC_EDIT_HOUR,
                       IDC_EDIT_MINUTE, IDC_EDIT_TEXT,  IDOK,         IDCANCEL};
  HWND stop = GetDlgItem(dialog, IDC_EDIT_YEAR);
  EXPECT_EQ(GetFocus(), stop);
  for (size_t i = 1; i < ARRAYSIZE(order); ++i) {
    stop = GetNextDlgTabItem(dialog, stop, FALSE);
    EXPECT_EQ(GetDlgCtrlID(stop), order[i]);
  }

  // Fields and buttons get 11 points at the dialog's DPI; labels keep the template's font.
  LOGFONTW font = FontOf(GetDlgItem(dialog, IDC_EDIT_TEXT));
  EXPECT_EQ(font.lfHeight, -MulDiv(11, WindowDpi(dialog), 72));
  EXPECT_STREQ(font.lfFaceName, L"Segoe UI");
  LRESULT controlFont = SendDlgItemMessageW(dialog, IDC_EDIT_TEXT, WM_GETFONT, 0, 0);
  for (int id : {IDC_EDIT_YEAR, IDC_EDIT_MINUTE, IDOK, IDCANCEL})
    EXPECT_EQ(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0), controlFont);
  EXPECT_EQ(SendMessageW(GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0),
            SendMessageW(dialog, WM_GETFONT, 0, 0));
}

class ScheduleEditDialog : public testing::Test {
protected:
  void SetUp() override { PrepareDialogTests(); }
  ScopedAppState state;
};

} // namespace

TEST_F(ScheduleEditDialog, FieldsFocusTabOrderAndFont) {
  ScheduleEntry copy = {Time(2099, 1, 2, 3, 4), L"x", false};
  DialogDriver driver({{L"予定編集", [](HWND dialog) {
                          CheckEditTemplate(dialog);
                          PostButton(dialog, IDCANCEL);
                        }}});
  EXPECT_EQ(RunEditDialog(copy, driver), 2);
  EXPECT_EQ(driver.StepsDone(), 1u);
}

TEST_F(ScheduleEditDialog, NewScheduleOpensOnTheLocalTime) {
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ScheduleEntry copy = {};
  std::vector<std::wstring> shown;
  DialogDriver driver({{L"予定編集", [&](HWND dialog) {
                          for (int id = IDC_EDIT_YEAR; id <= IDC_EDIT_TEXT; ++id)
                            shown.push_back(ControlText(dialog, id));
                          PostButton(dialog, IDCANCEL);
                        }}});
  EXPECT_EQ(RunEditDialog(copy, driver), 2);
  GetLocalTime(&after);
  // Cancel leaves the copy with the moment it opened on, which lies between the two readings.
  FILETIME early, opened, late;
  SystemTimeToFileTime(&before, &early);
  SystemTimeToFileTime(&copy.when, &opened);
  SystemTimeToFileTime(&after, &late);
  EXPECT_LE(CompareFileTime(&early, &opened), 0);
  EXPECT_LE(CompareFileTime(&opened, &late), 0);
  const std::vector<std::wstring> expected = {
      std::to_wstring(copy.when.wYear),   std::to_wstring(copy.when.wMonth),
      std::to_wstring(copy.when.wDay),    std::to_wstring(copy.when.wHour),
      std::to_wstring(copy.when.wMinute), L""};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(copy.text.empty());
}

TEST_F(ScheduleEditDialog, ConfirmedValuesAreStoredAndTheMarkIsLeftAlone) {
  ScheduleEntry copy = {Time(2030, 5, 6, 7, 8), L"a\r\nb", true};
  std::vector<std::wstring> shown;
  DialogDriver driver({{L"予定編集", [&](HWND dialog) {
                          for (int id = IDC_EDIT_YEAR; id <= IDC_EDIT_TEXT; ++id)
                            shown.push_back(ControlText(dialog, id));
                          SetField(dialog, IDC_EDIT_YEAR, L"2099");
                          PostButton(dialog, IDOK);
                        }}});
  EXPECT_EQ(RunEditDialog(copy, driver), 1);
  const std::vector<std::wstring> expected = {L"2030", L"5", L"6", L"7", L"8", L"a\r\nb"};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(SameTime(copy.when, Time(2099, 5, 6, 7, 8)));
  EXPECT_EQ(copy.text, L"a\r\nb");
  EXPECT_TRUE(copy.markedOld);
}

TEST_F(ScheduleEditDialog, LongTextIsCutTo1023WholeCharacters) {
  const std::wstring pair = L"\U0001F600"; // one character, two UTF-16 units
  struct Case {
    std::wstring typed, stored;
  };
  const Case cases[] = {
      {std::wstring(1500, L'字'), std::wstring(1023, L'字')},
      {std::wstring(1021, L'x') + pair + L"y", std::wstring(1021, L'x') + pair},
      {std::wstring(1022, L'x') + pair, std::wstring(1022, L'x')}, // not half of it
  };
  for (const Case &c : cases) {
    ScheduleEntry copy = {Time(2099, 1, 1, 0, 0), L"", false};
    DialogDriver driver({{L"予定編集", [&c](HWND dialog) {
                            SetField(dialog, IDC_EDIT_TEXT, c.typed);
                            PostButton(dialog, IDOK);
                          }}});
    EXPECT_EQ(RunEditDialog(copy, driver), 1);
    EXPECT_EQ(copy.text, c.stored) << copy.text.size();
  }
}

// Each bad entry shows its message in a warning box owned by the dialog,
// which then stays open with what was typed.
TEST_F(ScheduleEditDialog, BadFieldsAreRefusedWithTheirMessage) {
  struct Case {
    std::vector<std::wstring> numbers; // year, month, day, hour, minute
    std::wstring text;
    std::wstring message;
  };
  // How the fields read: empty, not a number, signed; the ranges are checked above.
  const Case cases[] = {
      {{L"", L"1", L"1", L"0", L"0"}, L"", kYear},
      {{L"2099", L"1", L"x", L"0", L"0"}, L"x", kDayRead},
      {{L"2099", L"1", L"1", L"-1", L"0"}, L"x", kHour},
      {{L"2001", L"1", L"1", L"0", L"0"}, L"x", kPast},
  };

  ScheduleEntry original = {Time(2099, 2, 3, 4, 5), L"元の予定", false};
  ScheduleEntry copy = original;
  std::vector<DialogStep> steps;
  std::vector<std::wstring> messages, kept;
  for (const Case &c : cases) {
    steps.push_back({L"予定編集", [&c](HWND dialog) {
                       SetFields(dialog, c.numbers, c.text);
                       PostButton(dialog, IDOK);
                     }});
    steps.push_back({L"入力エラー", [&](HWND box) {
                       messages.push_back(MessageBoxText(box));
                       EXPECT_NE(GetWindow(box, GW_OWNER), nullptr);
                       PostButton(box, IDOK);
                     }});
    steps.push_back({L"予定編集", [&c, &kept](HWND dialog) {
                       kept.push_back(ControlText(dialog, IDC_EDIT_MONTH));
                       EXPECT_EQ(kept.back(), c.numbers[1]);
                     }});
  }
  steps.push_back({L"予定編集", [](HWND dialog) { PostButton(dialog, IDCANCEL); }});
  DialogDriver driver(steps);
  EXPECT_EQ(RunEditDialog(copy, driver), 2);
  EXPECT_EQ(driver.StepsDone(), driver.StepCount());
  EXPECT_EQ(driver.Unexpected(), 0);
  ASSERT_EQ(messages.size(), ARRAYSIZE(cases));
  for (size_t i = 0; i < messages.size(); ++i)
    EXPECT_EQ(messages[i], cases[i].message) << i;
  EXPECT_TRUE(SameTime(copy.when, original.when));
  EXPECT_EQ(copy.text, original.text);
}
