#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "calendar/calendar_paint.h"
#include "calendar/month_grid.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "schedules/schedule_store.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/test_support.h"

namespace {

// Another section, which every save must keep.
const std::string kOther = "[Other]\r\nkey=value\r\n";

// Each row as its two columns, "date-time|text".
std::vector<std::wstring> Rows(HWND dialog) {
  HWND view = GetDlgItem(dialog, IDC_SCHEDULE_VIEW);
  std::vector<std::wstring> rows;
  for (int row = 0; row < ListView_GetItemCount(view); ++row) {
    wchar_t when[64] = {}, text[256] = {};
    ListView_GetItemText(view, row, 0, when, 64);
    ListView_GetItemText(view, row, 1, text, 256);
    rows.push_back(std::wstring(when) + L"|" + text);
  }
  return rows;
}

int SelectedCount(HWND dialog) {
  return ListView_GetSelectedCount(GetDlgItem(dialog, IDC_SCHEDULE_VIEW));
}

void Select(HWND dialog, std::initializer_list<int> rows) {
  for (int row : rows)
    ListView_SetItemState(GetDlgItem(dialog, IDC_SCHEDULE_VIEW), row, LVIS_SELECTED, LVIS_SELECTED);
}

// An edit dialog step that enters a date-time and a text and confirms.
DialogStep Enter(const std::vector<std::wstring> &numbers, const std::wstring &text) {
  return {L"予定編集", [numbers, text](HWND dialog) {
            const int ids[] = {IDC_EDIT_YEAR, IDC_EDIT_MONTH, IDC_EDIT_DAY, IDC_EDIT_HOUR,
                               IDC_EDIT_MINUTE};
            for (size_t i = 0; i < numbers.size(); ++i)
              SetDlgItemTextW(dialog, ids[i], numbers[i].c_str());
            SetDlgItemTextW(dialog, IDC_EDIT_TEXT, text.c_str());
            PostButton(dialog, IDOK);
          }};
}

// Counts the paints of a stand-in calendar window.
int paintCount = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    if (paint.fErase)
      ++paintCount;
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ScheduleListDialog : public testing::Test {
protected:
  void SetUp() override {
    PrepareDialogTests();
    UseIniPath(ini_);
    g_app.settings.PosX = 100;
    g_app.settings.PosY = 200;
    g_app.settings.AutoDeleteOldSchedules = false;
    // The list as the file holds it, loaded the way start-up loads it.
    IniText text = Wide(kOther);
    ReplaceIniSection(text, L"Schedules",
                      BuildScheduleSection({MakeSchedule(2099, 5, 1, 9, 0, L"歯医者"),
                                            MakeSchedule(2098, 1, 2, 10, 30, L"初詣"),
                                            MakeSchedule(2099, 5, 1, 8, 15, L"朝会\r\n会議室"),
                                            MakeSchedule(2100, 12, 31, 23, 59, L"大晦日", true)}));
    initial_ = EncodeIniText(text);
    WriteFileBytes(ini_, initial_);
    LoadSchedules();
  }
  void TearDown() override {
    if (dialog_)
      DestroyWindow(dialog_);
    if (g_app.mainWindow)
      DestroyWindow(g_app.mainWindow);
  }
  // Left hidden: under Wine without a window manager every hidden top-level
  // window costs a two-second wait, and the list works the same unseen.
  HWND Open() {
    dialog_ = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_LIST), nullptr,
                                 ScheduleListDialogProc, 0);
    return dialog_;
  }
  // Runs a command that may open the edit dialog, with the steps for it.
  DialogDriver &Run(HWND dialog, int id, std::vector<DialogStep> steps = {}) {
    driver_.reset(new DialogDriver(std::move(steps)));
    driver_->Ignore(dialog);
    driver_->Run([&] { Press(dialog, id); });
    return *driver_;
  }
  std::string File() const { return ReadFileBytes(ini_); }

  ScopedAppState state_;
  TempDir dir_;
  std::wstring ini_ = dir_.File(L"calendar.ini");
  std::string initial_;
  HWND dialog_ = nullptr;
  std::unique_ptr<DialogDriver> driver_;
};

} // namespace

TEST_F(ScheduleListDialog, OpensSortedWithItsColumnsAtTheStoredPosition) {
  HWND dialog = Open();
  RECT frame;
  GetWindowRect(dialog, &frame);
  EXPECT_EQ(frame.left, 100);
  EXPECT_EQ(frame.top, 200);
  wchar_t caption[32] = {};
  GetWindowTextW(dialog, caption, 32);
  EXPECT_STREQ(caption, L"予定一覧");

  HWND view = GetDlgItem(dialog, IDC_SCHEDULE_VIEW);
  DWORD style = static_cast<DWORD>(GetWindowLongW(view, GWL_STYLE));
  EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_EQ(style & LVS_SINGLESEL, 0u); // several rows can be selected
  EXPECT_EQ(ListView_GetExtendedListViewStyle(view), 0x10021u);
  wchar_t title[32] = {};
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT;
  column.pszText = title;
  column.cchTextMax = 32;
  ASSERT_TRUE(ListView_GetColumn(view, 0, &column));
  EXPECT_STREQ(title, L"日時");
  ASSERT_TRUE(ListView_GetColumn(view, 1, &column));
  EXPECT_STREQ(title, L"内容");
  RECT client;
  GetClientRect(view, &client);
  const int dpi = WindowDpi(dialog);
  EXPECT_EQ(ListView_GetColumnWidth(view, 0), ScaleForDpi(150, dpi));
  EXPECT_EQ(ListView_GetColumnWidth(view, 1),
            std::max(ScaleForDpi(50, dpi), static_cast<int>(client.right) - ScaleForDpi(150, dpi)));

  // Tab order and the control font.
  const int order[] = {IDC_SCHEDULE_VIEW, IDC_SCHEDULE_ADD, IDC_SCHEDULE_EDIT, IDC_SCHEDULE_DELETE,
                       IDOK};
  HWND stop = view;
  for (size_t i = 1; i < ARRAYSIZE(order); ++i) {
    stop = GetNextDlgTabItem(dialog, stop, FALSE);
    EXPECT_EQ(GetDlgCtrlID(stop), order[i]);
  }
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(11, WindowDpi(dialog), 72));
  EXPECT_STREQ(font.lfFaceName, L"Segoe UI");

  // Sorted rows; a two-line text stays on its row, its line break shown as " / ".
  const std::vector<std::wstring> rows = {L"2098/01/02 10:30|初詣",
                                          L"2099/05/01 08:15|朝会 / 会議室",
                                          L"2099/05/01 09:00|歯医者", L"2100/12/31 23:59|大晦日"};
  EXPECT_EQ(Rows(dialog), rows);
  EXPECT_EQ(TextsOf(g_app.schedules),
            (std::vector<std::wstring>{L"初詣", L"朝会\r\n会議室", L"歯医者", L"大晦日"}));
  EXPECT_EQ(SelectedCount(dialog), 0);
  EXPECT_EQ(File(), initial_); // opening writes nothing
}

// Run at 96 DPI and, by its own CTest entry, in a prefix at 144 DPI.
TEST_F(ScheduleListDialog, DateColumnIsWiderThanItsTextAtThisDpi) {
  g_app.schedules = {MakeSchedule(2026, 12, 24, 18, 30, L"x")};
  HWND dialog = Open();
  const int dpi = WindowDpi(dialog);
  if (const char *expected = getenv("DAYGLASS_DPI")) {
    EXPECT_EQ(dpi, atoi(expected));
  }
  HWND view = GetDlgItem(dialog, IDC_SCHEDULE_VIEW);
  // The list view keeps a margin on either side of a cell's text.
  int text = ListView_GetStringWidth(view, L"2026/12/24 18:30") + ScaleForDpi(12, dpi);
  EXPECT_GT(ListView_GetColumnWidth(view, 0), text) << dpi;
  EXPECT_GE(ListView_GetColumnWidth(view, 1), ScaleForDpi(50, dpi));
}

TEST(ScheduleListText, ShowsLineBreaksAsSeparatorsAndCutsWhatNoRowShows) {
  struct Case {
    std::wstring text, shown;
  };
  const std::wstring mark = L"\u2026";
  const Case cases[] = {
      {L"歯医者", L"歯医者"},
      {L"歯医者\r\n2行目", L"歯医者 / 2行目"},
      {L"a\nb\rc\r\n\r\nd", L"a / b / c /  / d"},
      {L"", L""},
      {std::wstring(1024, L'x'), std::wstring(1024, L'x')},
      {std::wstring(1000000, L'x'), std::wstring(1024, L'x') + mark},
      {std::wstring(1023, L'x') + L"\U0001F600", std::wstring(1023, L'x') + mark},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ScheduleListText(c.text), c.shown) << Utf8(c.text.substr(0, 20));
  std::printf("[reliability] a schedule text of 1,000,000 characters in the schedule list | 1 | "
              "its row shows 1,024 characters and \u2026; the schedule keeps its text\n");
}

TEST_F(ScheduleListDialog, CentredWithoutAStoredPosition) {
  g_app.settings.PosX = CW_USEDEFAULT;
  HWND dialog = Open();
  RECT frame;
  GetWindowRect(dialog, &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);
}

TEST_F(ScheduleListDialog, AddPutsTheNewScheduleInOrderAndSaves) {
  HWND dialog = Open();
  Select(dialog, {1}); // one selected row does not stop an add
  DialogDriver &driver =
      Run(dialog, IDC_SCHEDULE_ADD, {Enter({L"2099", L"1", L"15", L"7", L"5"}, L"新しい予定")});
  EXPECT_EQ(driver.StepsDone(), 1u);
  EXPECT_EQ(Rows(dialog)[1], L"2099/01/15 07:05|新しい予定");
  EXPECT_EQ(g_app.schedules[1].markedOld, false);
  EXPECT_EQ(SelectedCount(dialog), 0);
  EXPECT_EQ(File(), kBom + kOther +
                        "[Schedules]\r\n"
                        "0001=2098/01/02 10:30|初詣|\r\n"
                        "0002=2099/01/15 07:05|新しい予定|\r\n"
                        "0003=2099/05/01 08:15|朝会\\n会議室|\r\n"
                        "0004=2099/05/01 09:00|歯医者|\r\n"
                        "0005=2100/12/31 23:59|大晦日|Y\r\n");
}

TEST_F(ScheduleListDialog, EditMovesTheRowAndClearsTheOldMark) {
  HWND dialog = Open();
  Select(dialog, {3});
  DialogDriver &driver = Run(dialog, IDC_SCHEDULE_EDIT, {Enter({L"2098", L"1", L"1"}, L"元日")});
  EXPECT_EQ(driver.StepsDone(), 1u);
  EXPECT_EQ(Rows(dialog)[0], L"2098/01/01 23:59|元日");
  EXPECT_EQ(g_app.schedules[0].markedOld, false);
  EXPECT_EQ(SelectedCount(dialog), 0);
  EXPECT_EQ(File(), kBom + kOther +
                        "[Schedules]\r\n"
                        "0001=2098/01/01 23:59|元日|\r\n"
                        "0002=2098/01/02 10:30|初詣|\r\n"
                        "0003=2099/05/01 08:15|朝会\\n会議室|\r\n"
                        "0004=2099/05/01 09:00|歯医者|\r\n");
}

TEST_F(ScheduleListDialog, DoubleClickEditsTheSelectedRowAndCancelChangesNothing) {
  HWND dialog = Open();
  Select(dialog, {2});
  std::wstring opened;
  DialogDriver driver({{L"予定編集", [&](HWND edit) {
                          opened = ControlText(edit, IDC_EDIT_TEXT);
                          PostButton(edit, IDCANCEL);
                        }}});
  driver.Ignore(dialog);
  NMHDR click = {GetDlgItem(dialog, IDC_SCHEDULE_VIEW), IDC_SCHEDULE_VIEW,
                 static_cast<UINT>(NM_DBLCLK)};
  driver.Run([&] { SendMessageW(dialog, WM_NOTIFY, IDC_SCHEDULE_VIEW, (LPARAM)&click); });
  EXPECT_EQ(opened, L"歯医者");
  EXPECT_EQ(TextsOf(g_app.schedules),
            (std::vector<std::wstring>{L"初詣", L"朝会\r\n会議室", L"歯医者", L"大晦日"}));
  EXPECT_EQ(g_app.schedules[3].markedOld, true);
  EXPECT_EQ(File(), initial_); // nothing saved
}

// Add with several rows selected, edit without exactly one: no dialog, no sound, no save.
TEST_F(ScheduleListDialog, RefusedCommandsOpenNothing) {
  HWND dialog = Open();
  EXPECT_EQ(Run(dialog, IDC_SCHEDULE_EDIT).Unexpected(), 0);
  Select(dialog, {0, 2});
  EXPECT_EQ(Run(dialog, IDC_SCHEDULE_ADD).Unexpected(), 0);
  EXPECT_EQ(Run(dialog, IDC_SCHEDULE_EDIT).Unexpected(), 0);
  EXPECT_EQ(g_app.schedules.size(), 4u);
  EXPECT_EQ(SelectedCount(dialog), 2);
  EXPECT_EQ(File(), initial_);
}

TEST_F(ScheduleListDialog, DeleteRemovesEverySelectedRow) {
  IniText text = DecodeIniBytes(initial_);
  text += L"0005=2097/07/07 07:07|七夕|\r\n";
  initial_ = EncodeIniText(text);
  WriteFileBytes(ini_, initial_);
  LoadSchedules();
  HWND dialog = Open();
  Press(dialog, IDC_SCHEDULE_DELETE); // nothing selected: only a beep
  EXPECT_EQ(g_app.schedules.size(), 5u);
  EXPECT_EQ(File(), initial_);

  Select(dialog, {4, 0, 2});
  Press(dialog, IDC_SCHEDULE_DELETE);
  EXPECT_EQ(Rows(dialog),
            (std::vector<std::wstring>{L"2098/01/02 10:30|初詣", L"2099/05/01 09:00|歯医者"}));
  EXPECT_EQ(File(), kBom + kOther +
                        "[Schedules]\r\n"
                        "0001=2098/01/02 10:30|初詣|\r\n"
                        "0002=2099/05/01 09:00|歯医者|\r\n");
}

TEST_F(ScheduleListDialog, EveryChangeRepaintsTheCalendarAtOnce) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = g_app.instance;
  windowClass.lpszClassName = L"ScheduleListTestCalendar";
  RegisterClassW(&windowClass);
  g_app.mainWindow = CreateWindowW(L"ScheduleListTestCalendar", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                   100, 100, nullptr, nullptr, g_app.instance, nullptr);
  UpdateWindow(g_app.mainWindow);
  HWND dialog = Open();
  paintCount = 0;
  Select(dialog, {0});
  Press(dialog, IDC_SCHEDULE_DELETE);
  EXPECT_EQ(paintCount, 1);
}

// Esc leaves the list open; OK and the close box end it with 1.
TEST_F(ScheduleListDialog, OnlyOkEnterAndTheCloseBoxClose) {
  for (UINT closing : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(IDOK)}) {
    INT_PTR result = 0;
    DialogDriver driver({{L"予定一覧", [](HWND list) { PostButton(list, IDCANCEL); }},
                         {L"予定一覧", [closing](HWND list) {
                            if (closing == WM_CLOSE)
                              PostMessageW(list, WM_CLOSE, 0, 0);
                            else
                              PostButton(list, IDOK);
                          }}});
    driver.Run([&] {
      result = DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_LIST), nullptr,
                               ScheduleListDialogProc, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(driver.StepsDone(), 2u);
    EXPECT_EQ(driver.Unexpected(), 0);
  }
}
