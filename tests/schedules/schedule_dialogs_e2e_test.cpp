// The "/schedule" mode as a user meets it: the list alone, an add through
// the edit dialog with a refused value on the way, a delete, the close.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "config/ini_text.h"
#include "resources/resource.h"
#include "schedules/schedule_store.h"
#include "tests/holidays/holiday_fixture.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"
#include "tests/support/window_picture.h"

namespace {

const std::string kWindow = "[Window]\r\nPosX=60\r\nPosY=40\r\n";

// Memory in the program for list view messages that carry pointers.
class RemoteMemory {
public:
  RemoteMemory(DWORD processId, size_t size) : size_(size) {
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_)
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (address_)
      VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_)
      CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory &) = delete;
  RemoteMemory &operator=(const RemoteMemory &) = delete;
  char *Address() const { return static_cast<char *>(address_); }
  void Write(size_t offset, const void *data, size_t size) {
    WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
  }
  void Read(size_t offset, void *data, size_t size) const {
    ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
  }

private:
  HANDLE process_ = nullptr;
  void *address_ = nullptr;
  size_t size_;
};

// Each row of the list view as "date-time|text".
std::vector<std::wstring> Rows(const Dayglass &app, HWND list) {
  HWND view = GetDlgItem(list, IDC_SCHEDULE_VIEW);
  constexpr int kChars = 256;
  RemoteMemory memory(app.ProcessId(), sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  std::vector<std::wstring> rows;
  int count = static_cast<int>(SendTo(view, LVM_GETITEMCOUNT));
  for (int row = 0; row < count; ++row) {
    std::wstring line;
    for (int column = 0; column < 2; ++column) {
      LVITEMW item = {};
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t *>(memory.Address() + sizeof item);
      item.cchTextMax = kChars;
      memory.Write(0, &item, sizeof item);
      SendTo(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
             reinterpret_cast<LPARAM>(memory.Address()));
      wchar_t text[kChars] = {};
      memory.Read(sizeof item, text, sizeof text);
      text[kChars - 1] = L'\0';
      line += (column ? L"|" : L"") + std::wstring(text);
    }
    rows.push_back(line);
  }
  return rows;
}

void SelectRow(const Dayglass &app, HWND list, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  RemoteMemory memory(app.ProcessId(), sizeof item);
  memory.Write(0, &item, sizeof item);
  SendTo(GetDlgItem(list, IDC_SCHEDULE_VIEW), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
         reinterpret_cast<LPARAM>(memory.Address()));
}

} // namespace

TEST(ScheduleMode, AddRefuseDeleteAndCloseSaveTheSchedules) {
  TempDir dir;
  const std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(WriteFileBytes(ini, kBom + kWindow +
                                      "[Schedules]\r\n"
                                      "0001=2099/05/01 09:00|歯医者|\r\n"
                                      "0002=2098/01/02 10:30|初詣|\r\n"));
  Dayglass app(dir.Path(), L"/schedule");
  ASSERT_TRUE(app.Started());
  HWND list = app.WaitForDialog(L"予定一覧");
  ASSERT_NE(list, nullptr);
  RECT frame;
  GetWindowRect(list, &frame);
  EXPECT_EQ(frame.left, 60);
  EXPECT_EQ(frame.top, 40);
  EXPECT_EQ(Rows(app, list),
            (std::vector<std::wstring>{L"2098/01/02 10:30|初詣", L"2099/05/01 09:00|歯医者"}));

  // Add, with a month that does not exist first.
  Click(list, IDC_SCHEDULE_ADD);
  HWND edit = app.WaitForDialog(L"予定編集");
  ASSERT_NE(edit, nullptr);
  const std::vector<std::pair<int, std::wstring>> fields = {
      {IDC_EDIT_YEAR, L"2099"}, {IDC_EDIT_MONTH, L"13"}, {IDC_EDIT_DAY, L"15"},
      {IDC_EDIT_HOUR, L"7"},    {IDC_EDIT_MINUTE, L"5"}, {IDC_EDIT_TEXT, L"駅前の歯医者\n二階"}};
  for (const auto &field : fields)
    Type(edit, field.first, field.second);
  Click(edit, IDOK);
  HWND box = app.WaitForDialog(L"入力エラー");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindow(box, GW_OWNER), edit);
  EXPECT_EQ(MessageBoxText(box), L"月は1～12の範囲で入力してください。");
  Click(box, IDOK);
  ASSERT_TRUE(WaitUntilGone(box));
  EXPECT_TRUE(IsWindowVisible(edit));
  EXPECT_EQ(ControlText(edit, IDC_EDIT_MONTH), L"13"); // what was typed stays

  Type(edit, IDC_EDIT_MONTH, L"12");
  Click(edit, IDOK);
  ASSERT_TRUE(WaitUntilGone(edit));
  ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(ini).find("二階") != std::string::npos; }));
  EXPECT_EQ(Rows(app, list),
            (std::vector<std::wstring>{L"2098/01/02 10:30|初詣", L"2099/05/01 09:00|歯医者",
                                       L"2099/12/15 07:05|駅前の歯医者 / 二階"}));

  // Delete the first row; the file follows at once.
  SelectRow(app, list, 0);
  SendTo(list, WM_COMMAND, IDC_SCHEDULE_DELETE);
  const std::string saved = kBom + kWindow +
                            "[Schedules]\r\n"
                            "0001=2099/05/01 09:00|歯医者|\r\n"
                            "0002=2099/12/15 07:05|駅前の歯医者\\n二階|\r\n";
  EXPECT_EQ(ReadFileBytes(ini), saved);

  // Esc leaves the list open; the close box ends the program with 0.
  SendTo(list, WM_COMMAND, IDCANCEL);
  EXPECT_TRUE(IsWindowVisible(list));
  PostMessageW(list, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_EQ(ReadFileBytes(ini), saved);
}

// The list opens where the calendar stands, moved into the work area only
// when it would run off it, as it would with the calendar in a corner.
TEST(ScheduleMode, OpensWhollyInsideTheWorkArea) {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    POINT stored;
    bool kept;
  };
  const Case cases[] = {
      {{work.left + 300, work.top + 200}, true},
      {{work.right - 300, work.bottom - 320}, false}, // a 300 x 320 calendar in the corner
  };
  for (const Case &c : cases) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                               kBom + "[Window]\r\nPosX=" + std::to_string(c.stored.x) +
                                   "\r\nPosY=" + std::to_string(c.stored.y) + "\r\n"));
    Dayglass app(dir.Path(), L"/schedule");
    HWND list = app.WaitForDialog(L"予定一覧");
    ASSERT_NE(list, nullptr);
    RECT frame;
    GetWindowRect(list, &frame);
    EXPECT_GE(frame.left, work.left);
    EXPECT_GE(frame.top, work.top);
    EXPECT_LE(frame.right, work.right);
    EXPECT_LE(frame.bottom, work.bottom);
    if (c.kept) {
      EXPECT_EQ(frame.left, c.stored.x);
      EXPECT_EQ(frame.top, c.stored.y);
    }
    PostMessageW(list, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.WaitForExit(), 0);
  }
}

// Not a check: tools/screenshot_schedule_dialogs.sh runs it inside Wine's
// virtual desktop, so that the frames show, to take the pictures in docs/.
TEST(ScheduleMode, DISABLED_CaptureForDocs) {
  const std::wstring folder = ShotsFolder();
  ASSERT_FALSE(folder.empty());
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"),
                             kBom + "[Window]\r\nPosX=16\r\nPosY=16\r\n[Schedules]\r\n"
                                    "0001=2026/04/03 09:30|歯医者 (駅前)|\r\n"
                                    "0002=2026/04/10 19:00|佐藤さんと夕食\\n渋谷駅 ハチ公口|\r\n"
                                    "0003=2026/04/17 14:00|定例会議|\r\n"
                                    "0004=2026/04/29 10:00|実家へ|\r\n"
                                    "0005=2026/05/05 08:00|こどもの日: 公園でピクニック|\r\n"));
  Dayglass app(dir.Path(), L"/schedule");
  HWND list = app.WaitForDialog(L"予定一覧");
  ASSERT_NE(list, nullptr);
  SelectRow(app, list, 1);
  EXPECT_TRUE(SaveWindowPicture(list, folder + L"\\schedule-list.bmp"));
  Click(list, IDC_SCHEDULE_EDIT);
  HWND edit = app.WaitForDialog(L"予定編集");
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(SaveWindowPicture(edit, folder + L"\\schedule-edit.bmp"));
  Click(edit, IDCANCEL);
  ASSERT_TRUE(WaitUntilGone(edit));
  PostMessageW(list, WM_CLOSE, 0, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
}

TEST(ScheduleListFromCalendar, OpensModalOverTheCalendar) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), kBom + kWindow));
  Dayglass app(dir.Path());
  HWND calendar = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(calendar, nullptr);
  PostMessageW(calendar, WM_COMMAND, IDM_SCHEDULE_LIST, 0);
  HWND list = app.WaitForDialog(L"予定一覧");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindow(list, GW_OWNER), calendar);
  EXPECT_FALSE(IsWindowEnabled(calendar)); // modal over the calendar
  Click(list, IDOK);
  ASSERT_TRUE(WaitUntilGone(list));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(calendar) != FALSE; }));
  SendTo(calendar, WM_CLOSE);
  EXPECT_EQ(app.WaitForExit(), 0);
}

namespace {

const std::string kShared = kBom + kWindow +
                            "[Schedules]\r\n"
                            "0001=2099/01/01 09:00|A|\r\n"
                            "0002=2099/02/02 09:00|B|\r\n"
                            "0003=2099/03/03 09:00|C|\r\n";

// Runs the edit dialog from a button of the list: the date-time and text
// typed, then OK.
void EnterSchedule(const Dayglass &app, HWND list, int button, const std::wstring &month,
                   const std::wstring &text) {
  Click(list, button);
  HWND edit = app.WaitForDialog(L"予定編集");
  ASSERT_NE(edit, nullptr);
  const std::pair<int, std::wstring> fields[] = {{IDC_EDIT_YEAR, L"2099"}, {IDC_EDIT_MONTH, month},
                                                 {IDC_EDIT_DAY, L"9"},     {IDC_EDIT_HOUR, L"9"},
                                                 {IDC_EDIT_MINUTE, L"0"},  {IDC_EDIT_TEXT, text}};
  for (const auto &field : fields)
    Type(edit, field.first, field.second);
  Click(edit, IDOK);
  ASSERT_TRUE(WaitUntilGone(edit));
}

// The row of the list whose text is text, or -1.
int RowOf(const Dayglass &app, HWND list, const std::wstring &text) {
  std::vector<std::wstring> rows = Rows(app, list);
  for (size_t row = 0; row < rows.size(); ++row)
    if (rows[row].substr(rows[row].find(L'|') + 1) == text)
      return static_cast<int>(row);
  return -1;
}

// Adds "added", edits "edited" into "edited2" and deletes "deleted" in an open list.
void AddEditDelete(const Dayglass &app, HWND list, const std::wstring &added,
                   const std::wstring &edited, const std::wstring &deleted) {
  EnterSchedule(app, list, IDC_SCHEDULE_ADD, L"4", added);
  SelectRow(app, list, RowOf(app, list, edited));
  EnterSchedule(app, list, IDC_SCHEDULE_EDIT, L"5", edited + L"2");
  SelectRow(app, list, RowOf(app, list, deleted));
  SendTo(list, WM_COMMAND, IDC_SCHEDULE_DELETE);
}

std::vector<std::wstring> StoredTexts(const std::wstring &ini) {
  return TextsOf(ParseSchedules(DecodeIniBytes(ReadFileBytes(ini)), false, nullptr), true);
}

} // namespace

// The calendar open all day while a "/schedule" shortcut changes the
// schedules, and the other way round: whoever saves last keeps the other's
// changes.
TEST(SchedulesShared, TwoProcessesKeepEachOthersChanges) {
  for (bool calendarFirst : {true, false}) {
    SCOPED_TRACE(calendarFirst ? "the /schedule run changes" : "the calendar changes");
    TempDir dir;
    const std::wstring ini = dir.File(L"calendar.ini");
    ASSERT_TRUE(WriteFileBytes(ini, kShared));
    Dayglass calendar(dir.Path());
    HWND window = calendar.WaitForWindow(L"Dayglass");
    ASSERT_NE(window, nullptr);
    Dayglass shortcut(dir.Path(), L"/schedule");
    HWND shortcutList = shortcut.WaitForDialog(L"予定一覧");
    ASSERT_NE(shortcutList, nullptr);
    if (calendarFirst) {
      AddEditDelete(shortcut, shortcutList, L"X", L"A", L"B");
      PostMessageW(shortcutList, WM_CLOSE, 0, 0);
      EXPECT_EQ(shortcut.WaitForExit(), 0);
      PostMessageW(window, WM_CLOSE, 0, 0); // the caption's close: settings, then schedules
      EXPECT_EQ(calendar.WaitForExit(), 0);
    } else {
      PostMessageW(window, WM_COMMAND, IDM_SCHEDULE_LIST, 0);
      HWND calendarList = calendar.WaitForDialog(L"予定一覧");
      ASSERT_NE(calendarList, nullptr);
      AddEditDelete(calendar, calendarList, L"X", L"A", L"B");
      Click(calendarList, IDOK);
      ASSERT_TRUE(WaitUntilGone(calendarList));
      PostMessageW(window, WM_CLOSE, 0, 0);
      EXPECT_EQ(calendar.WaitForExit(), 0);
      PostMessageW(shortcutList, WM_CLOSE, 0, 0);
      EXPECT_EQ(shortcut.WaitForExit(), 0);
    }
    EXPECT_EQ(StoredTexts(ini), (std::vector<std::wstring>{L"A2", L"C", L"X"}));
  }
  std::printf("[reliability] a calendar open while a /schedule run adds, edits and deletes, "
              "either closing last | 2 | every change of both in the file\n");
}

// An indexer or a sync client holding calendar.ini: a moment is waited out;
// a longer hold shows the message, and the change is written by the next save.
TEST(SchedulesShared, FileHeldByAnotherProgram) {
  TempDir dir;
  const std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(WriteFileBytes(ini, kShared));
  Dayglass app(dir.Path(), L"/schedule");
  HWND list = app.WaitForDialog(L"予定一覧");
  ASSERT_NE(list, nullptr);
  auto hold = [&] {
    // Reading, without letting the file be deleted or renamed over.
    return CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  auto savePending = [&] {
    for (const std::wstring &name : ListFiles(dir.Path()))
      if (name.size() > 4 && name.compare(name.size() - 4, 4, L".tmp") == 0)
        return true;
    return false;
  };

  HANDLE holder = hold();
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EnterSchedule(app, list, IDC_SCHEDULE_ADD, L"4", L"moment");
  // Let go about 300 ms after the save has met the hold.
  ASSERT_TRUE(WaitUntil(savePending));
  Sleep(300);
  CloseHandle(holder);
  ASSERT_TRUE(WaitUntil([&] { return ReadFileBytes(ini).find("moment") != std::string::npos; }));
  EXPECT_EQ(app.FindDialog(L"エラー"), nullptr);

  holder = hold();
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EnterSchedule(app, list, IDC_SCHEDULE_ADD, L"6", L"long");
  HWND box = app.WaitForDialog(L"エラー");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"INIファイルの保存に失敗しました。");
  Click(box, IDOK);
  ASSERT_TRUE(WaitUntilGone(box));
  EXPECT_NE(RowOf(app, list, L"long"), -1) << "the change stays in the list";
  CloseHandle(holder);
  EXPECT_EQ(ReadFileBytes(ini).find("long"), std::string::npos);
  PostMessageW(list, WM_CLOSE, 0, 0); // the next save
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_EQ(StoredTexts(ini), (std::vector<std::wstring>{L"A", L"B", L"C", L"long", L"moment"}));
  std::printf("[reliability] calendar.ini held by another program during a schedule save | 2 | "
              "held 300 ms: saved; held longer: \"INIファイルの保存に失敗しました。\", the change "
              "kept and written by the next save\n");
}

namespace {

// Opens the edit dialog of an add in a list and types a schedule, without
// confirming it: the caller posts OK when the moment comes.
HWND PrepareAdd(const Dayglass &app, HWND list, const std::wstring &text) {
  Click(list, IDC_SCHEDULE_ADD);
  HWND edit = app.WaitForDialog(L"予定編集");
  if (!edit)
    return nullptr;
  const std::pair<int, std::wstring> fields[] = {{IDC_EDIT_YEAR, L"2099"}, {IDC_EDIT_MONTH, L"7"},
                                                 {IDC_EDIT_DAY, L"7"},     {IDC_EDIT_HOUR, L"7"},
                                                 {IDC_EDIT_MINUTE, L"7"},  {IDC_EDIT_TEXT, text}};
  for (const auto &field : fields)
    Type(edit, field.first, field.second);
  return edit;
}

} // namespace

// The calendar open all day, two "/schedule" shortcuts, 終了 and the holiday
// update from Task Scheduler, all saving calendar.ini at the same instant:
// each takes its turn, reads afresh and changes only its own part.
TEST(SchedulesShared, ProcessesSavingAtOnceLoseNothing) {
  constexpr int kStored = 20000, kRounds = 10;
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse slow; // the update runs while the adds go on
  slow.body = ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  slow.pieceBytes = slow.body.size() / 8 + 1;
  slow.pieceEveryMs = 150;
  server.Serve("/holidays.csv", slow);
  // The folder through two drive letters (Z: and the test prefix's Y:):
  // the second list's calendar.ini is the same file under another path.
  const std::wstring drive = EnvPath(L"DAYGLASS_SECOND_DRIVE");
  TempDir dir(drive);
  std::wstring other = dir.Path();
  if (!drive.empty() && FileExists(L"Y:\\"))
    other = L"Y:" + dir.Path().substr(drive.size());
  const std::wstring ini = dir.File(L"calendar.ini");
  ScheduleList stored;
  std::vector<std::wstring> expected;
  for (int i = 0; i < kStored; ++i) {
    stored.push_back(MakeSchedule(2098, 1 + i % 12, 1 + i % 28, 9, 0, L"s" + std::to_wstring(i)));
    expected.push_back(stored.back().text);
  }
  IniText text = L"[Option]\r\nHolidayUrl=" + server.Url("/holidays.csv") + L"\r\n";
  ReplaceIniSection(text, L"Schedules", BuildScheduleSection(stored));
  ASSERT_TRUE(WriteFileBytes(ini, EncodeIniText(text)));

  Dayglass calendar(dir.Path());
  HWND window = calendar.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  Dayglass first(dir.Path(), L"/schedule"), second(other, L"/schedule");
  HWND lists[] = {first.WaitForDialog(L"予定一覧"), second.WaitForDialog(L"予定一覧")};
  ASSERT_TRUE(lists[0] && lists[1]);
  for (int round = 0; round < kRounds; ++round) {
    const std::wstring names[] = {L"first" + std::to_wstring(round),
                                  L"second" + std::to_wstring(round)};
    HWND edits[] = {PrepareAdd(first, lists[0], names[0]), PrepareAdd(second, lists[1], names[1])};
    ASSERT_TRUE(edits[0] && edits[1]);
    PostMessageW(edits[0], WM_COMMAND, IDOK, 0);
    PostMessageW(edits[1], WM_COMMAND, IDOK, 0);
    PostMessageW(window, WM_EXITSIZEMOVE, 0, 0); // a move of the calendar ends
    ASSERT_TRUE(WaitUntilGone(edits[0]) && WaitUntilGone(edits[1]));
    expected.insert(expected.end(), std::begin(names), std::end(names));
  }

  // The holiday update while the first list adds, one after another.
  Dayglass update(dir.Path(), L"/update-holidays");
  for (int i = 0; i < 5; ++i) {
    expected.push_back(L"during" + std::to_wstring(i));
    EnterSchedule(first, lists[0], IDC_SCHEDULE_ADD, L"8", expected.back());
  }
  EXPECT_EQ(update.WaitForExit(30000), 0);

  // 終了 in the calendar, which changed nothing, while the second list adds.
  HWND edit = PrepareAdd(second, lists[1], L"at exit");
  ASSERT_NE(edit, nullptr);
  PostMessageW(edit, WM_COMMAND, IDOK, 0);
  PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
  expected.push_back(L"at exit");
  EXPECT_EQ(calendar.WaitForExit(), 0);
  ASSERT_TRUE(WaitUntilGone(edit));
  for (HWND list : lists)
    PostMessageW(list, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(), 0);
  EXPECT_EQ(second.WaitForExit(), 0);

  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(StoredTexts(ini), expected);
  const std::string bytes = ReadFileBytes(ini);
  EXPECT_NE(bytes.find("[Holidays]\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("HolidayUrl="), std::string::npos);
  std::printf("[reliability] a calendar ending moves, two /schedule lists (the file reached "
              "through two drive letters) confirming adds at the same instant, then "
              "/update-holidays and 終了 during adds, 20,000 stored appointments | %d rounds, 4 "
              "processes | lost: 0\n",
              kRounds);
}

// A sync client replacing calendar.ini by delete and create, or a tool that
// empties it before writing: the calendar open meanwhile writes back all it
// holds, with the user's add or with its close alone.
TEST(SchedulesShared, FileDeletedOrEmptiedUnderTheCalendar) {
  const struct { bool deleted, add; } cases[] = {{true, true}, {false, true}, {true, false}};
  const std::string holiday = "[Holidays]\r\n2099-01-01=元日\r\n";
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "deleted " << c.deleted << ", add " << c.add);
    TempDir dir;
    const std::wstring ini = dir.File(L"calendar.ini");
    ASSERT_TRUE(WriteFileBytes(ini, kBom + "[Window]\r\nWinW=345\r\nPosX=60\r\nPosY=40\r\n" +
                                        holiday + kShared.substr(kBom.size() + kWindow.size())));
    Dayglass calendar(dir.Path());
    HWND window = calendar.WaitForWindow(L"Dayglass");
    ASSERT_NE(window, nullptr);
    if (c.deleted)
      ASSERT_TRUE(DeleteFileW(ini.c_str()));
    else
      ASSERT_TRUE(WriteFileBytes(ini, ""));
    if (c.add) {
      PostMessageW(window, WM_COMMAND, IDM_SCHEDULE_LIST, 0);
      HWND list = calendar.WaitForDialog(L"予定一覧");
      ASSERT_NE(list, nullptr);
      EnterSchedule(calendar, list, IDC_SCHEDULE_ADD, L"4", L"added");
      EXPECT_EQ(calendar.FindDialog(L"エラー"), nullptr);
      Click(list, IDOK);
      ASSERT_TRUE(WaitUntilGone(list));
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(calendar.WaitForExit(), 0);
    const std::vector<std::wstring> stored = {L"A", L"B", L"C", L"added"};
    EXPECT_EQ(StoredTexts(ini), std::vector<std::wstring>(stored.begin(), stored.end() - !c.add));
    const std::string bytes = ReadFileBytes(ini);
    for (const std::string &kept : {std::string("WinW=345\r\n"), std::string("PosX=60\r\n"),
                                    std::string("Face=Hooge 05_55\r\n"), holiday})
      EXPECT_NE(bytes.find(kept), std::string::npos) << kept;
  }
  std::printf("[reliability] calendar.ini deleted (a sync client's delete and create) or emptied "
              "under the open calendar, then an add or the close | 3 | every appointment, "
              "setting and holiday written back\n");
}
