#include "config/settings.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "app/app_state.h"
#include "config/text_cut.h"
#include "app/screen_area.h"
#include "config/ini_file.h"
#include "config/numbers.h"
#include "schedules/schedule_store.h"

const wchar_t kDefaultFace[] = L"Hooge 05_55";
const wchar_t kDefaultHolidayUrl[] = L"https://www8.cao.go.jp/chosei/shukujitsu/syukujitsu.csv";

namespace {

// The default outer size, at 96 DPI.
constexpr int kDefaultWidth96 = 300;
constexpr int kDefaultHeight96 = 320;
// A stored size below this is refused for the default.
constexpr int kSmallestSize = 100;

enum class Kind { Number, Color, Switch, Flag, Text };

struct SettingKey {
  const wchar_t *section;
  const wchar_t *key;
  Kind kind;
  size_t offset;   // of the field in AppSettings
  size_t capacity; // characters, for text fields
};

#define FIELD(name) offsetof(AppSettings, name)
// In the order the keys are written.
const SettingKey kKeys[] = {
    {L"Window", L"WinW", Kind::Number, FIELD(WinW), 0},
    {L"Window", L"WinH", Kind::Number, FIELD(WinH), 0},
    {L"Window", L"Margin", Kind::Number, FIELD(Margin), 0},
    {L"Window", L"PosX", Kind::Number, FIELD(PosX), 0},
    {L"Window", L"PosY", Kind::Number, FIELD(PosY), 0},
    {L"Font", L"Face", Kind::Text, FIELD(Face), 32},
    {L"Font", L"TitlePx", Kind::Number, FIELD(TitlePx), 0},
    {L"Font", L"WeekPx", Kind::Number, FIELD(WeekPx), 0},
    {L"Font", L"DatePx", Kind::Number, FIELD(DatePx), 0},
    {L"Color", L"Bg", Kind::Color, FIELD(Bg), 0},
    {L"Color", L"Today", Kind::Color, FIELD(Today), 0},
    {L"Color", L"Weekday", Kind::Color, FIELD(Weekday), 0},
    {L"Color", L"Saturday", Kind::Color, FIELD(Saturday), 0},
    {L"Color", L"Sunday", Kind::Color, FIELD(Sunday), 0},
    {L"Color", L"Holiday", Kind::Color, FIELD(Holiday), 0},
    {L"Color", L"Schedule", Kind::Color, FIELD(Schedule), 0},
    {L"Option", L"StartMonday", Kind::Switch, FIELD(StartMonday), 0},
    {L"Option", L"ShowOutMonth", Kind::Flag, FIELD(ShowOutMonth), 0},
    {L"Option", L"AutoDeleteOldSchedules", Kind::Flag, FIELD(AutoDeleteOldSchedules), 0},
    {L"Option", L"HolidayUrl", Kind::Text, FIELD(HolidayUrl), 512},
};
#undef FIELD

template <typename T> T &At(AppSettings &settings, const SettingKey &key) {
  return *reinterpret_cast<T *>(reinterpret_cast<char *>(&settings) + key.offset);
}
template <typename T> const T &At(const AppSettings &settings, const SettingKey &key) {
  return *reinterpret_cast<const T *>(reinterpret_cast<const char *>(&settings) + key.offset);
}

AppSettings CommonValues() {
  AppSettings settings = {};
  settings.WinW = kDefaultWidth96;
  settings.WinH = kDefaultHeight96;
  settings.Margin = 10;
  settings.TitlePx = 18;
  settings.WeekPx = 12;
  settings.DatePx = 18;
  settings.Bg = RGB(0, 0, 0);
  settings.Weekday = RGB(255, 255, 255);
  settings.Saturday = RGB(0, 128, 255);
  settings.Sunday = RGB(255, 0, 0);
  settings.Holiday = RGB(255, 0, 0);
  settings.Schedule = RGB(200, 200, 0);
  settings.StartMonday = 0;
  settings.ShowOutMonth = true;
  settings.AutoDeleteOldSchedules = false;
  CopyToField(settings.HolidayUrl, 512, kDefaultHolidayUrl);
  return settings;
}

} // namespace

void CopyToField(wchar_t *field, size_t capacity, std::wstring_view text) {
  size_t length = std::min(text.size(), capacity - 1);
  // A value with a zero character in it ends there, as the field would read it.
  size_t zero = text.find(L'\0');
  if (zero != std::wstring_view::npos && zero < length)
    length = zero;
  length = SafeCutLength(text.data(), length);
  wmemcpy(field, text.data(), length);
  field[length] = L'\0';
}

void FillEmptyFace(AppSettings &settings) {
  if (!settings.Face[0])
    CopyToField(settings.Face, 32, kDefaultFace);
}

AppSettings StartupSettings() {
  AppSettings settings = CommonValues();
  // Green 141 here and 140 after the defaults button: the two values differ
  // on purpose, and files written by either keep them.
  settings.Today = RGB(255, 141, 26);
  settings.PosX = CW_USEDEFAULT;
  settings.PosY = CW_USEDEFAULT;
  return settings;
}

AppSettings DefaultSettings() {
  AppSettings settings = CommonValues();
  settings.Today = RGB(255, 140, 26);
  settings.PosX = 0;
  settings.PosY = 0;
  CopyToField(settings.Face, 32, kDefaultFace);
  return settings;
}

void ReadSettingEntry(AppSettings &settings, std::wstring_view section, std::wstring_view key,
                      std::wstring_view value) {
  for (const SettingKey &entry : kKeys) {
    if (section != entry.section || key != entry.key)
      continue;
    int number = ScanIntOrZero(value);
    switch (entry.kind) {
    case Kind::Number:
      At<int>(settings, entry) = number;
      break;
    case Kind::Color:
      At<COLORREF>(settings, entry) = static_cast<COLORREF>(number);
      break;
    case Kind::Switch:
      At<int>(settings, entry) = number != 0 ? 1 : 0;
      break;
    case Kind::Flag:
      At<bool>(settings, entry) = number != 0;
      break;
    case Kind::Text:
      CopyToField(&At<wchar_t>(settings, entry), entry.capacity, value);
      break;
    }
    return;
  }
}

void AssignSettingsFrom(const IniText &text, AppSettings &settings) {
  ForEachIniEntry(text,
                  [&](std::wstring_view section, std::wstring_view key, std::wstring_view value) {
                    ReadSettingEntry(settings, section, key, value);
                  });
}

void ValidateSettings(AppSettings &settings, const std::vector<RECT> &monitors, int captionHeight) {
  if (settings.WinW < kSmallestSize)
    settings.WinW = kDefaultWidth96;
  if (settings.WinH < kSmallestSize)
    settings.WinH = kDefaultHeight96;
  if (settings.TitlePx < 1)
    settings.TitlePx = 18;
  if (settings.WeekPx < 1)
    settings.WeekPx = 12;
  if (settings.DatePx < 1)
    settings.DatePx = 18;
  if (settings.Bg == settings.Weekday) { // the text would be invisible
    settings.Bg = RGB(0, 0, 0);
    settings.Weekday = RGB(255, 255, 255);
  }
  // Half a position is none: the other half would put the window at the
  // far end of the coordinate range, for good.
  if (settings.PosX == CW_USEDEFAULT || settings.PosY == CW_USEDEFAULT) {
    settings.PosX = CW_USEDEFAULT;
    settings.PosY = CW_USEDEFAULT;
    return;
  }
  // Computed in 64 bits: a stored corner near the end of the int range.
  long long right = std::min<long long>(1LL * settings.PosX + settings.WinW, LONG_MAX);
  long long bottom = std::min<long long>(1LL * settings.PosY + captionHeight, LONG_MAX);
  RECT caption = {settings.PosX, settings.PosY, static_cast<LONG>(right),
                  static_cast<LONG>(bottom)};
  if (!CaptionReachable(caption, monitors)) {
    settings.PosX = CW_USEDEFAULT;
    settings.PosY = CW_USEDEFAULT;
  }
}

void ScaleDefaultSize(AppSettings &settings, DefaultSize defaulted, int dpi) {
  if (defaulted.width)
    settings.WinW = MulDiv(kDefaultWidth96, dpi, 96);
  if (defaulted.height)
    settings.WinH = MulDiv(kDefaultHeight96, dpi, 96);
}

void PutSettingsInto(IniText &text, const AppSettings &settings) {
  std::vector<IniAssignment> assignments;
  assignments.reserve(std::size(kKeys));
  for (const SettingKey &entry : kKeys) {
    int number = 0;
    switch (entry.kind) {
    case Kind::Number:
    case Kind::Switch:
      number = At<int>(settings, entry);
      break;
    case Kind::Color:
      number = static_cast<int>(At<COLORREF>(settings, entry));
      break;
    case Kind::Flag:
      number = At<bool>(settings, entry) ? 1 : 0;
      break;
    case Kind::Text:
      assignments.push_back({entry.section, entry.key, &At<wchar_t>(settings, entry)});
      continue;
    }
    assignments.push_back({entry.section, entry.key, DecimalText(number)});
  }
  // One pass: the file may hold a long list of schedules.
  SetIniValues(text, assignments);
}

namespace {

// Retries of a failed save, or of the read of settings not yet seen: pauses
// that double from a second up to about a minute.
constexpr UINT kFirstRetryMs = 1000;
constexpr UINT kLastRetryMs = 64000;

bool FieldDiffers(const AppSettings &a, const AppSettings &b, const SettingKey &key) {
  switch (key.kind) {
  case Kind::Number:
  case Kind::Switch:
    return At<int>(a, key) != At<int>(b, key);
  case Kind::Color:
    return At<COLORREF>(a, key) != At<COLORREF>(b, key);
  case Kind::Flag:
    return At<bool>(a, key) != At<bool>(b, key);
  case Kind::Text:
    return wcscmp(&At<wchar_t>(a, key), &At<wchar_t>(b, key)) != 0;
  }
  return false;
}

void CopyField(AppSettings &to, const AppSettings &from, const SettingKey &key) {
  size_t size = key.kind == Kind::Text   ? key.capacity * sizeof(wchar_t)
                : key.kind == Kind::Flag ? sizeof(bool)
                                         : sizeof(int);
  memcpy(reinterpret_cast<char *>(&to) + key.offset,
         reinterpret_cast<const char *>(&from) + key.offset, size);
}

} // namespace

AppSettings StartSettingsRead(AppSettings base) {
  base.WinW = 0;
  base.WinH = 0;
  return base;
}

void EndSettingsRead(AppSettings &read) {
  const bool width = read.WinW >= kSmallestSize, height = read.WinH >= kSmallestSize;
  // The monitors are asked for only when there is a position to check.
  bool placed = read.PosX != CW_USEDEFAULT && read.PosY != CW_USEDEFAULT;
  ValidateSettings(read, placed ? MonitorRects() : std::vector<RECT>(), CaptionBandHeight());
  read.WinW = width ? read.WinW : 0;
  read.WinH = height ? read.WinH : 0;
}

// The stored settings over base, as a load makes them and checked.
static AppSettings StoredSettings(const IniText &text, AppSettings base) {
  AppSettings read = StartSettingsRead(base);
  AssignSettingsFrom(text, read);
  EndSettingsRead(read);
  return read;
}

AppSettings MergeSettings(const AppSettings &untouched, const AppSettings &current,
                          const AppSettings &stored) {
  AppSettings merged = stored;
  for (const SettingKey &key : kKeys)
    if (FieldDiffers(current, untouched, key))
      CopyField(merged, current, key);
  // No stored size or place: the window keeps the one it has.
  if (merged.WinW == 0)
    merged.WinW = current.WinW;
  if (merged.WinH == 0)
    merged.WinH = current.WinH;
  if (merged.PosX == CW_USEDEFAULT || merged.PosY == CW_USEDEFAULT) {
    merged.PosX = current.PosX;
    merged.PosY = current.PosY;
  }
  return merged;
}

void LoadSettings() {
  bool readable = true;
  IniText text = ReadIniText(&readable);
  LoadSettingsFrom(text, readable);
}

void LoadSettingsFrom(const IniText &text, bool readable) {
  LoadSettingsFrom(StoredSettings(text, g_app.settings), readable);
}

void LoadSettingsFrom(const AppSettings &stored, bool readable) {
  // A size missing or refused is the default, which the window scales to
  // its DPI when it opens.
  g_app.settings = stored;
  g_app.defaultSize = {g_app.settings.WinW == 0, g_app.settings.WinH == 0};
  ScaleDefaultSize(g_app.settings, g_app.defaultSize, 96);
  g_app.settingsState = readable ? SettingsState::Saved : SettingsState::Unknown;
  MarkSettingsUntouched();
}

void MarkSettingsUntouched() {
  g_app.settingsUntouched = g_app.settings;
}

bool TakeInStoredSettings(const IniText &text) {
  return g_app.settingsState == SettingsState::Unknown &&
         TakeInStoredSettings(StoredSettings(text, StartupSettings()));
}

bool TakeInStoredSettings(AppSettings stored) {
  if (g_app.settingsState != SettingsState::Unknown)
    return false;
  FillEmptyFace(stored);
  g_app.settings = MergeSettings(g_app.settingsUntouched, g_app.settings, stored);
  bool same = true;
  for (const SettingKey &key : kKeys)
    same = same && !FieldDiffers(g_app.settings, stored, key);
  g_app.settingsState = same ? SettingsState::Saved : SettingsState::Pending;
  if (g_app.mainWindow)
    PostMessageW(g_app.mainWindow, kSettingsArrived, 0, 0);
  return true;
}

bool SaveSettings(IniWait wait, bool withSchedules) {
  // Settings not yet seen are taken in by the read under the lock, before
  // this edit, so a file that can be read never loses them.
  auto put = [](IniText &text) { PutSettingsInto(text, g_app.settings); };
  bool saved = withSchedules ? SaveSchedulesWith(put, wait)
                             : UpdateIniText(
                                   [&](IniText &text) {
                                     put(text);
                                     return true;
                                   },
                                   wait);
  if (saved) {
    g_app.settingsState = SettingsState::Saved;
    g_app.settingsRetryMs = 0;
    if (g_app.mainWindow)
      KillTimer(g_app.mainWindow, kSettingsRetryTimer);
    return true;
  }
  if (g_app.settingsState == SettingsState::Saved)
    g_app.settingsState = SettingsState::Pending;
  RetrySettingsLater();
  return false;
}

void RetrySettingsLater() {
  if (!g_app.mainWindow || g_app.settingsState == SettingsState::Saved)
    return;
  UINT &pause = g_app.settingsRetryMs;
  pause = std::max(pause * 2, kFirstRetryMs);
  if (pause > kLastRetryMs) {
    // A pending change goes with the next save; settings never seen are
    // looked for as long as it takes, at the longest pause.
    if (g_app.settingsState == SettingsState::Pending)
      return;
    pause = kLastRetryMs;
  }
  SetTimer(g_app.mainWindow, kSettingsRetryTimer, pause, nullptr);
}

bool SettingsKnown() {
  return g_app.settingsState != SettingsState::Unknown;
}

bool SettingsPending() {
  return g_app.settingsState == SettingsState::Pending;
}

void ResetSettings() {
  g_app.settings = DefaultSettings();
}
