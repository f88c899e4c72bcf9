#include "holidays/holiday_update.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "config/ini_file.h"
#include "holidays/holiday_store.h"
#include "resources/resource.h"
#include "tests/holidays/holiday_fixture.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

namespace {

int CurrentYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

// "2026-05-05" style text for a year relative to the current one.
std::wstring Date(int yearsFromNow, const wchar_t *monthDay) {
  return std::to_wstring(CurrentYear() + yearsFromNow) + L"-" + monthDay;
}
std::wstring CsvDate(int yearsFromNow, const wchar_t *monthDay) {
  return std::to_wstring(CurrentYear() + yearsFromNow) + L"/" + monthDay;
}

// A calendar.ini of its own, pointed at by IniPath for the test's length.
struct IniFixture {
  ScopedAppState state;
  TempDir dir;
  std::wstring path = dir.File(L"calendar.ini");
  IniFixture() { UseIniPath(path); }
};

const std::string kOtherSections = kBom + "[Window]\r\nWinW=300\r\n\r\n"
                                          "[Option]\r\nStartMonday=1\r\n";

} // namespace

TEST(BuildHolidaySection, KeepsTheCurrentYearOnwardInCsvOrder) {
  const HolidayRows rows = {
      {L"2027-01-01", L"A"},   {L"2025-12-31", L"past"},  {L"2026-01-01", L"B"},
      {L"2026-01-01", L"C"},   {L"2026/01/02", L"slash"}, {L"2026-05-05", L""},
      {L"2026-13-45", L"a=b"}, {L"x", L"no date"},
  };
  EXPECT_EQ(BuildHolidaySection(rows, 2026),
            L"2027-01-01=A\r\n2026-01-01=B\r\n2026-01-01=C\r\n2026-05-05=\r\n2026-13-45=a=b\r\n");
  EXPECT_EQ(BuildHolidaySection(rows, 2028), L"");
}

TEST(WriteHolidaySection, PutsOneSectionAtTheEndAndKeepsEveryOtherLine) {
  IniFixture ini;
  ASSERT_TRUE(WriteFileBytes(ini.path, kBom + "[Window]\nWinW=300\n\n[Holidays]\n2000-01-01=old\n\n"
                                              "[Option]\nStartMonday=1\n[Holidays]\nx=y\n"));
  const HolidayRows rows = {{Date(-1, L"01-01"), L"昨年"},
                            {Date(0, L"05-05"), L"こどもの日"},
                            {Date(0, L"05-05"), L"later name"},
                            {Date(1, L"01-01"), L"元日"}};
  ASSERT_TRUE(WriteHolidaySection(rows));
  EXPECT_EQ(ReadFileBytes(ini.path),
            kOtherSections +
                Utf8(L"[Holidays]\r\n" + Date(0, L"05-05") + L"=こどもの日\r\n" +
                     Date(0, L"05-05") + L"=later name\r\n" + Date(1, L"01-01") + L"=元日\r\n"));

  // The calendar shows what was written, without reading the file again.
  ASSERT_NE(FindHoliday(CurrentYear(), 5, 5), nullptr);
  EXPECT_EQ(*FindHoliday(CurrentYear(), 5, 5), L"later name");
  EXPECT_EQ(FindHoliday(CurrentYear() - 1, 1, 1), nullptr);
  EXPECT_EQ(FindHoliday(2000, 1, 1), nullptr);

  // No file at all: one is made holding the section alone.
  IniFixture fresh;
  ASSERT_TRUE(WriteHolidaySection({{Date(0, L"01-01"), L"元日"}}));
  EXPECT_EQ(ReadFileBytes(fresh.path),
            kBom + Utf8(L"[Holidays]\r\n" + Date(0, L"01-01") + L"=元日\r\n"));
}

TEST(WriteHolidaySection, LeavesAReadOnlyOrLockedFileAsItWas) {
  IniFixture ini;
  const HolidayRows rows = {{Date(0, L"01-01"), L"元日"}};
  ASSERT_TRUE(WriteFileBytes(ini.path, kOtherSections));

  SetHeldFileWait(200); // the program's two seconds for a held file, shortened
  ASSERT_TRUE(SetFileAttributesW(ini.path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(WriteHolidaySection(rows));
  EXPECT_EQ(ReadFileBytes(ini.path), kOtherSections);
  ASSERT_TRUE(SetFileAttributesW(ini.path.c_str(), FILE_ATTRIBUTE_NORMAL));

  HANDLE lock = CreateFileW(ini.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteHolidaySection(rows));
  CloseHandle(lock);
  SetHeldFileWait(2000);
  EXPECT_EQ(ReadFileBytes(ini.path), kOtherSections);
}

namespace {

// The main window's stand-in: counts the paints it gets.
int g_paints = 0;
LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    ++g_paints;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

struct DialogCase {
  const char *name;
  std::string path;  // of the served CSV; empty for an empty URL field
  bool readOnly;     // calendar.ini
  int confirmAnswer; // IDOK or IDCANCEL, when the question comes
  std::vector<std::pair<std::wstring, std::wstring>> boxes; // caption, text
  bool updated;
};

} // namespace

TEST(UpdateHolidaysFromDialog, AsksThenWritesReloadsAndRepaints) {
  ScopedAppState state;
  PrepareDialogTests();
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse good, headerOnly;
  good.body = HolidayCsv({CsvDate(0, L"5/5") + L",こどもの日"});
  headerOnly.body = HolidayCsv({});
  server.Serve("/good.csv", good);
  server.Serve("/header.csv", headerOnly);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = CountingWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"HolidayUpdateTestMain";
  RegisterClassW(&windowClass);
  HWND mainWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                    50, 50, nullptr, nullptr, windowClass.hInstance, nullptr);
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
  HWND urlField = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, owner,
                                  reinterpret_cast<HMENU>(IDC_HOLIDAY_URL), nullptr, nullptr);
  ASSERT_TRUE(mainWindow && owner && urlField);
  g_app.mainWindow = mainWindow;

  const std::pair<std::wstring, std::wstring> confirm = {
      L"確認", L"祝日データを更新しますか？\n既存の祝日設定は上書きされます。"};
  const DialogCase cases[] = {
      {"empty URL", "", false, IDOK, {{L"エラー", L"祝日CSVのURLが未指定です。"}}, false},
      {"header only",
       "/header.csv",
       false,
       IDOK,
       {{L"エラー", L"祝日CSVの取得または解析に失敗しました。"}},
       false},
      {"cancelled", "/good.csv", false, IDCANCEL, {confirm}, false},
      {"read-only file",
       "/good.csv",
       true,
       IDOK,
       {confirm, {L"エラー", L"INIファイルの保存に失敗しました。"}},
       false},
      {"updated",
       "/good.csv",
       false,
       IDOK,
       {confirm, {L"情報", L"祝日データを更新しました。"}},
       true},
  };
  for (const DialogCase &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring ini = dir.File(L"calendar.ini");
    UseIniPath(ini);
    ASSERT_TRUE(WriteFileBytes(ini, kOtherSections));
    if (c.readOnly)
      SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    ParseHolidays(ReadIniText(), g_app.holidays);
    SetWindowTextW(urlField, c.path.empty() ? L"" : server.Url(c.path).c_str());
    UpdateWindow(mainWindow);
    PumpMessages();
    g_paints = 0;

    std::vector<std::wstring> captions, texts;
    bool hasCancel = false;
    std::vector<DialogStep> steps;
    for (const auto &box : c.boxes) {
      bool question = box.first == L"確認";
      steps.push_back({box.first, [&, question](HWND dialog) {
                         captions.push_back(box.first);
                         texts.push_back(MessageBoxText(dialog));
                         if (question)
                           hasCancel = GetDlgItem(dialog, IDCANCEL) != nullptr;
                         PostButton(dialog, question ? c.confirmAnswer : IDOK);
                       }});
    }
    DialogDriver driver(steps);
    driver.IgnoreCaption(L"祝日データの取得");
    bool result = !c.updated;
    driver.Run([&] { result = UpdateHolidaysFromDialog(owner); });
    PumpMessages();

    EXPECT_EQ(result, c.updated);
    EXPECT_EQ(driver.StepsDone(), c.boxes.size());
    EXPECT_EQ(driver.Unexpected(), 0);
    for (size_t i = 0; i < texts.size(); ++i)
      EXPECT_EQ(texts[i], c.boxes[i].second) << i;
    if (!c.path.empty() && c.path != "/header.csv") {
      EXPECT_TRUE(hasCancel);
    }
    if (c.updated) {
      EXPECT_EQ(ReadFileBytes(ini),
                kOtherSections + Utf8(L"[Holidays]\r\n" + Date(0, L"05-05") + L"=こどもの日\r\n"));
      ASSERT_NE(FindHoliday(CurrentYear(), 5, 5), nullptr);
      EXPECT_EQ(*FindHoliday(CurrentYear(), 5, 5), L"こどもの日");
      EXPECT_GT(g_paints, 0);
    } else {
      EXPECT_EQ(ReadFileBytes(ini), kOtherSections);
      EXPECT_EQ(FindHoliday(CurrentYear(), 5, 5), nullptr);
      EXPECT_EQ(g_paints, 0);
    }
  }
  DestroyWindow(owner);
  DestroyWindow(mainWindow);
}
