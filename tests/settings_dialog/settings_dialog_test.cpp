#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "resources/resource.h"
#include "settings_dialog/settings_dialog.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

namespace {

// The dialog made modeless from the linked template, owned by a plain
// window standing in for the calendar window.
class SettingsDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    UseIniPath(ini_);
    PrepareDialogTests();
    g_app.settings = DefaultSettings();
    g_app.settings.WinW = 280;
    g_app.settings.WinH = 330;
    owner_ = CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120,
                             280, 330, nullptr, nullptr, g_app.instance, nullptr);
    g_app.mainWindow = owner_;
  }
  void TearDown() override {
    if (dialog_)
      DestroyWindow(dialog_);
    DestroyWindow(owner_);
  }

  HWND Open() {
    dialog_ = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner_,
                                 SettingsDialogProc, 0);
    ShowWindow(dialog_, SW_SHOW); // as the modal loop would
    return dialog_;
  }
  bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
  RECT OwnerRect() const {
    RECT rect;
    GetWindowRect(owner_, &rect);
    return rect;
  }
  std::vector<std::wstring> Faces() const {
    HWND combo = GetDlgItem(dialog_, IDC_FACE);
    std::vector<std::wstring> faces;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t face[LF_FACESIZE + 1] = {};
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(face));
      faces.push_back(face);
    }
    return faces;
  }
  std::string FileText() const { return ReadFileBytes(ini_); }
  bool FileHas(const char *line) const {
    return FileText().find(std::string(line) + "\r\n") != std::string::npos;
  }

  ScopedAppState state_;
  TempDir dir_;
  std::wstring ini_ = dir_.File(L"calendar.ini");
  HWND owner_ = nullptr;
  HWND dialog_ = nullptr;
};

enum class Kind { Label, Number, Url, FontList, Check, Group, Push, DefaultPush };

struct Control {
  int id;
  Kind kind;
  const wchar_t *text; // null for the edits and the list
};

// In tab order, as the user meets them.
const Control kControls[] = {
    {IDC_STATIC, Kind::Label, L"幅(px):"},
    {IDC_WIDTH, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"高さ(px):"},
    {IDC_HEIGHT, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"余白(px):"},
    {IDC_MARGIN, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"西暦/月(px):"},
    {IDC_TITLE_PX, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"曜日(px):"},
    {IDC_WEEK_PX, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"日付(px):"},
    {IDC_DATE_PX, Kind::Number, nullptr},
    {IDC_STATIC, Kind::Label, L"フォント:"},
    {IDC_FACE, Kind::FontList, nullptr},
    {IDC_START_MONDAY, Kind::Check, L"月曜始まり"},
    {IDC_SHOW_OUT_MONTH, Kind::Check, L"先月分と翌月分の日付を表示"},
    {IDC_AUTO_DELETE, Kind::Check, L"古い予定を次回起動時に自動削除"},
    {IDC_COLOR_GROUP, Kind::Group, L"色設定"},
    {IDC_COLOR_BG, Kind::Push, L"背景"},
    {IDC_COLOR_TODAY, Kind::Push, L"今日"},
    {IDC_COLOR_WEEKDAY, Kind::Push, L"平日"},
    {IDC_COLOR_SATURDAY, Kind::Push, L"土曜"},
    {IDC_COLOR_SUNDAY, Kind::Push, L"日曜"},
    {IDC_COLOR_HOLIDAY, Kind::Push, L"祝日"},
    {IDC_COLOR_SCHEDULE, Kind::Push, L"予定"},
    {IDC_HOLIDAY_GROUP, Kind::Group, L"祝日データ"},
    {IDC_URL_LABEL, Kind::Label, L"CSV URL:"},
    {IDC_HOLIDAY_URL, Kind::Url, nullptr},
    {IDC_HOLIDAY_UPDATE, Kind::Push, L"更新"},
    {IDC_DEFAULTS, Kind::Push, L"規定値"},
    {IDC_APPLY, Kind::Push, L"適用"},
    {IDOK, Kind::DefaultPush, L"OK"},
    {IDCANCEL, Kind::Push, L"キャンセル"},
};

// The class, the style bits that make the kind, and whether it is a tab stop.
void ExpectKind(HWND control, Kind kind, const wchar_t *where) {
  wchar_t className[64] = {};
  GetClassNameW(control, className, 64);
  LONG style = GetWindowLongW(control, GWL_STYLE);
  bool tabStop = (style & WS_TABSTOP) != 0;
  SCOPED_TRACE(Utf8(where));
  EXPECT_TRUE((style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE));
  switch (kind) {
  case Kind::Label:
    EXPECT_EQ(_wcsicmp(className, L"Static"), 0);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
    EXPECT_TRUE(style & WS_GROUP);
    EXPECT_FALSE(tabStop);
    break;
  case Kind::Number:
  case Kind::Url:
    EXPECT_EQ(_wcsicmp(className, L"Edit"), 0);
    EXPECT_EQ((style & ES_NUMBER) != 0, kind == Kind::Number);
    EXPECT_EQ((style & ES_AUTOHSCROLL) != 0, kind == Kind::Url);
    // Dialogs draw an edit's border as a sunken client edge.
    EXPECT_TRUE((style & WS_BORDER) || (GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    EXPECT_TRUE(tabStop);
    break;
  case Kind::FontList: {
    EXPECT_EQ(_wcsicmp(className, L"ComboBox"), 0);
    EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
    EXPECT_FALSE(style & CBS_SORT);
    EXPECT_TRUE(tabStop); // reached by Tab like every field
    // The combo box hands its scroll bar on to its list.
    COMBOBOXINFO parts = {};
    parts.cbSize = sizeof parts;
    ASSERT_TRUE(GetComboBoxInfo(control, &parts));
    SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(GetWindowLongW(parts.hwndList, GWL_STYLE) & WS_VSCROLL);
    SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
    break;
  }
  case Kind::Check:
  case Kind::Group:
  case Kind::Push:
  case Kind::DefaultPush: {
    const LONG types[] = {BS_AUTOCHECKBOX, BS_GROUPBOX, BS_PUSHBUTTON, BS_DEFPUSHBUTTON};
    EXPECT_EQ(_wcsicmp(className, L"Button"), 0);
    EXPECT_EQ(style & BS_TYPEMASK, types[static_cast<int>(kind) - static_cast<int>(Kind::Check)]);
    EXPECT_EQ(tabStop, kind != Kind::Group);
    break;
  }
  }
}

TEST_F(SettingsDialogTest, TemplateHoldsEveryControlOfItsKindInTabOrder) {
  ASSERT_TRUE(Open());
  wchar_t caption[16] = {};
  GetWindowTextW(dialog_, caption, 16);
  EXPECT_STREQ(caption, L"設定");
  LONG style = GetWindowLongW(dialog_, GWL_STYLE);
  EXPECT_TRUE((style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)) ==
              (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
  EXPECT_FALSE(style & DS_CENTER);
  // Template coordinates place the client area: both origins coincide.
  POINT origin = {0, 0}, ownerOrigin = {0, 0};
  ClientToScreen(dialog_, &origin);
  ClientToScreen(owner_, &ownerOrigin);
  EXPECT_EQ(origin.x, ownerOrigin.x);
  EXPECT_EQ(origin.y, ownerOrigin.y);
  RECT client, size = {0, 0, 330, 275};
  GetClientRect(dialog_, &client);
  MapDialogRect(dialog_, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  HWND control = GetWindow(dialog_, GW_CHILD);
  for (const Control &expected : kControls) {
    std::wstring where = expected.text ? expected.text : std::to_wstring(expected.id);
    ASSERT_TRUE(control) << "missing " << Utf8(where);
    EXPECT_EQ(GetDlgCtrlID(control), expected.id) << Utf8(where);
    ExpectKind(control, expected.kind, where.c_str());
    if (expected.text) {
      wchar_t text[64] = {};
      GetWindowTextW(control, text, 64);
      EXPECT_EQ(std::wstring(text), std::wstring(expected.text));
    }
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_FALSE(control) << "more controls than listed";
}

TEST_F(SettingsDialogTest, OpensOnTheSettingsWithOneEntryPerFaceAndItsOwnFont) {
  g_app.settings.Margin = -5;
  g_app.settings.StartMonday = 1;
  g_app.settings.ShowOutMonth = false;
  g_app.settings.AutoDeleteOldSchedules = true;
  CopyToField(g_app.settings.Face, 32, L"hooge 05_55");
  CopyToField(g_app.settings.HolidayUrl, 512, L"http://127.0.0.1:1/h.csv");
  ASSERT_TRUE(Open());
  EXPECT_EQ(ControlText(dialog_, IDC_WIDTH), L"280");
  EXPECT_EQ(ControlText(dialog_, IDC_HEIGHT), L"330");
  EXPECT_EQ(ControlText(dialog_, IDC_MARGIN), L"4294967291"); // shown unsigned
  EXPECT_EQ(ControlText(dialog_, IDC_TITLE_PX), L"18");
  EXPECT_EQ(ControlText(dialog_, IDC_WEEK_PX), L"12");
  EXPECT_EQ(ControlText(dialog_, IDC_DATE_PX), L"18");
  EXPECT_TRUE(Checked(IDC_START_MONDAY));
  EXPECT_FALSE(Checked(IDC_SHOW_OUT_MONTH));
  EXPECT_TRUE(Checked(IDC_AUTO_DELETE));
  EXPECT_EQ(ControlText(dialog_, IDC_HOLIDAY_URL), L"http://127.0.0.1:1/h.csv");
  EXPECT_EQ(ControlText(dialog_, IDC_FACE), L"Hooge 05_55"); // chosen whatever the letter case

  std::vector<std::wstring> faces = Faces();
  std::set<std::wstring> folded;
  for (std::wstring face : faces) {
    CharLowerW(&face[0]);
    folded.insert(face);
  }
  EXPECT_GT(faces.size(), 2u);
  EXPECT_EQ(folded.size(), faces.size()) << "a face is listed twice";
  EXPECT_TRUE(folded.count(L"hooge 05_55"));
  EXPECT_TRUE(folded.count(L"org_v01"));

  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog_, IDC_WIDTH, WM_GETFONT, 0, 0));
  LOGFONTW described = {};
  ASSERT_EQ(GetObjectW(font, sizeof described, &described), static_cast<int>(sizeof described));
  EXPECT_STREQ(described.lfFaceName, L"Segoe UI");
  for (int id : {IDOK, IDC_URL_LABEL, IDC_HOLIDAY_GROUP, IDC_FACE, IDC_AUTO_DELETE})
    EXPECT_EQ(SendDlgItemMessageW(dialog_, id, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
  HWND idLessLabel = GetWindow(dialog_, GW_CHILD);
  EXPECT_NE(SendMessageW(idLessLabel, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));

  HDC dc = GetDC(idLessLabel);
  INT_PTR brush = SendMessageW(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(idLessLabel));
  EXPECT_EQ(brush, reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  ReleaseDC(idLessLabel, dc);

  // The defaults initialise the dialog again; the list gains nothing.
  Press(dialog_, IDC_DEFAULTS);
  EXPECT_EQ(Faces(), faces);
  EXPECT_EQ(ControlText(dialog_, IDC_MARGIN), L"10");
  EXPECT_FALSE(Checked(IDC_START_MONDAY));
  EXPECT_TRUE(Checked(IDC_SHOW_OUT_MONTH));
  EXPECT_FALSE(Checked(IDC_AUTO_DELETE));

  DestroyWindow(dialog_);
  dialog_ = nullptr;
  EXPECT_EQ(GetObjectType(font), 0u) << "the dialog font outlived its dialog";
  ASSERT_TRUE(Open());
  EXPECT_EQ(Faces(), faces);
}

TEST_F(SettingsDialogTest, FaceIsDefaultedWhenEmptyAndStoredEmptyWhenNotListed) {
  g_app.settings.Face[0] = L'\0';
  ASSERT_TRUE(Open());
  EXPECT_STREQ(g_app.settings.Face, L"Hooge 05_55");
  EXPECT_EQ(ControlText(dialog_, IDC_FACE), L"Hooge 05_55");
  DestroyWindow(dialog_);

  CopyToField(g_app.settings.Face, 32, L"No Such Face 123");
  ASSERT_TRUE(Open());
  EXPECT_EQ(SendDlgItemMessageW(dialog_, IDC_FACE, CB_GETCURSEL, 0, 0), CB_ERR);
  Press(dialog_, IDC_APPLY);
  EXPECT_STREQ(g_app.settings.Face, L"");
  EXPECT_TRUE(FileHas("Face="));
}

TEST_F(SettingsDialogTest, ApplyStoresTheFieldsAndResizesOnlyWhenTheSizeChanged) {
  ASSERT_TRUE(Open());
  RECT before = OwnerRect();
  SetText(dialog_, IDC_WIDTH, L"400");
  SetText(dialog_, IDC_HEIGHT, L""); // empty: unchanged
  SetText(dialog_, IDC_MARGIN, L"0");
  SetText(dialog_, IDC_TITLE_PX, L"4294967295"); // negative as a signed number: the bound
  SetText(dialog_, IDC_DATE_PX, L"3");
  SetText(dialog_, IDC_HOLIDAY_URL, L""); // cleared: the address stays
  CheckDlgButton(dialog_, IDC_START_MONDAY, BST_CHECKED);
  CheckDlgButton(dialog_, IDC_SHOW_OUT_MONTH, BST_UNCHECKED);
  Press(dialog_, IDC_APPLY);

  EXPECT_TRUE(IsWindowVisible(dialog_)) << "apply keeps the dialog open";
  const AppSettings &settings = g_app.settings;
  EXPECT_EQ(settings.WinW, 400);
  EXPECT_EQ(settings.WinH, 330);
  EXPECT_EQ(settings.Margin, 0);
  EXPECT_EQ(settings.TitlePx, 6);
  EXPECT_EQ(settings.DatePx, 6);
  EXPECT_EQ(settings.StartMonday, 1);
  EXPECT_FALSE(settings.ShowOutMonth);
  EXPECT_STREQ(settings.HolidayUrl, kDefaultHolidayUrl);
  for (const char *line : {"WinW=400", "WinH=330", "Margin=0", "TitlePx=6", "DatePx=6",
                           "StartMonday=1", "ShowOutMonth=0", "Face=Hooge 05_55"})
    EXPECT_TRUE(FileHas(line)) << line;
  EXPECT_NE(FileText().find("HolidayUrl=https://"), std::string::npos);
  RECT after = OwnerRect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 400);
  EXPECT_EQ(after.bottom - after.top, 330);

  // A size the window was given elsewhere survives an apply that leaves
  // width and height alone.
  SetWindowPos(owner_, nullptr, 0, 0, 350, 350, SWP_NOMOVE | SWP_NOZORDER);
  SetText(dialog_, IDC_MARGIN, L"12");
  Press(dialog_, IDC_APPLY);
  EXPECT_TRUE(FileHas("Margin=12"));
  after = OwnerRect();
  EXPECT_EQ(after.right - after.left, 350);

  SetText(dialog_, IDC_WIDTH, L"9999999999"); // no number a field can hold: unchanged
  SetText(dialog_, IDC_HEIGHT, L"2147483648");
  Press(dialog_, IDC_APPLY);
  EXPECT_EQ(settings.WinW, 400);
  EXPECT_EQ(settings.WinH, 60);
}

TEST_F(SettingsDialogTest, OkAppliesAndCancelUndoesNothingAlreadySaved) {
  ASSERT_TRUE(Open());
  SetText(dialog_, IDC_WIDTH, L"390");
  Press(dialog_, IDCANCEL);
  EXPECT_FALSE(IsWindowVisible(dialog_));
  EXPECT_EQ(g_app.settings.WinW, 280);
  EXPECT_FALSE(FileExists(ini_)) << "cancel saved";
  DestroyWindow(dialog_);

  ASSERT_TRUE(Open());
  SetText(dialog_, IDC_WIDTH, L"390");
  Press(dialog_, IDOK);
  EXPECT_FALSE(IsWindowVisible(dialog_));
  EXPECT_EQ(g_app.settings.WinW, 390);
  EXPECT_TRUE(FileHas("WinW=390"));
}

TEST_F(SettingsDialogTest, DefaultsAreSavedAndSizedWithoutMovingTheWindow) {
  g_app.settings.Today = RGB(1, 2, 3);
  g_app.settings.PosX = 100;
  g_app.settings.PosY = 120;
  CopyToField(g_app.settings.Face, 32, L"Org_v01");
  ASSERT_TRUE(Open());
  RECT before = OwnerRect();
  SetText(dialog_, IDC_HOLIDAY_URL, L"http://127.0.0.1:1/typed-but-not-applied.csv");
  Press(dialog_, IDC_DEFAULTS);

  for (const char *line : {"Today=1740031", "PosX=0", "PosY=0", "WinW=300", "WinH=320",
                           "Face=Hooge 05_55", "Margin=10"})
    EXPECT_TRUE(FileHas(line)) << line;
  EXPECT_NE(FileText().find("HolidayUrl=https://"), std::string::npos);
  RECT after = OwnerRect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 300);
  EXPECT_EQ(after.bottom - after.top, 320);
  EXPECT_EQ(ControlText(dialog_, IDC_WIDTH), L"300");
  EXPECT_EQ(ControlText(dialog_, IDC_FACE), L"Hooge 05_55");
  EXPECT_EQ(ControlText(dialog_, IDC_HOLIDAY_URL), std::wstring(kDefaultHolidayUrl));

  std::string saved = FileText();
  Press(dialog_, IDCANCEL);
  EXPECT_EQ(g_app.settings.Today, RGB(255, 140, 26));
  EXPECT_EQ(FileText(), saved);
}

// With the calendar in the bottom-right corner, the dialog, and the calendar
// grown by "適用" or "規定値", stay wholly inside the work area.
TEST_F(SettingsDialogTest, StaysOnScreenWithTheCalendarInACorner) {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  auto inside = [&work](HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.left >= work.left && rect.top >= work.top && rect.right <= work.right &&
           rect.bottom <= work.bottom;
  };
  auto toCorner = [&] {
    SetWindowPos(owner_, nullptr, work.right - 280, work.bottom - 330, 280, 330, SWP_NOZORDER);
  };
  toCorner();
  ASSERT_TRUE(Open());
  EXPECT_TRUE(inside(dialog_));
  SetText(dialog_, IDC_WIDTH, L"500");
  SetText(dialog_, IDC_HEIGHT, L"400");
  Press(dialog_, IDC_APPLY);
  EXPECT_TRUE(inside(owner_));
  EXPECT_EQ(OwnerRect().right, work.right);
  toCorner();
  Press(dialog_, IDC_DEFAULTS); // 300 x 320: wider than the window in the corner
  EXPECT_TRUE(inside(owner_));
  EXPECT_EQ(OwnerRect().right - OwnerRect().left, 300);
}

TEST_F(SettingsDialogTest, UpdateDownloadsFromTheAddressAsTypedWithoutStoringIt) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  const wchar_t text[] = L"国民の祝日・休日月日,国民の祝日・休日名称\r\n2099/5/5,こどもの日\r\n";
  char bytes[128] = {};
  int length = WideCharToMultiByte(932, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  csv.body.assign(bytes, static_cast<size_t>(length - 1));
  server.Serve("/typed.csv", csv);

  ASSERT_TRUE(Open());
  SetText(dialog_, IDC_HOLIDAY_URL, server.Url("/typed.csv").c_str());
  DialogDriver driver({{L"確認", [](HWND box) { PostButton(box, IDOK); }},
                       {L"情報", [](HWND box) { PostButton(box, IDOK); }}});
  driver.Ignore(dialog_);
  driver.IgnoreCaption(L"祝日データの取得");
  driver.Run([&] { Press(dialog_, IDC_HOLIDAY_UPDATE); });

  EXPECT_EQ(driver.StepsDone(), 2u);
  EXPECT_EQ(driver.Unexpected(), 0);
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"/typed.csv"});
  EXPECT_NE(FileText().find(Utf8(L"[Holidays]\r\n2099-05-05=こどもの日\r\n")), std::string::npos);
  EXPECT_EQ(FileText().find("HolidayUrl"), std::string::npos) << "the address was saved";
  EXPECT_STREQ(g_app.settings.HolidayUrl, kDefaultHolidayUrl);
}

} // namespace
