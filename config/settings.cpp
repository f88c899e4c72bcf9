#include "config/settings.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cwchar>
#include <iterator>
#include <vector>

#include "app/app_state.h"
#include "config/text_cut.h"
#include "app/screen_area.h"
#include "config/ini_file.h"
#include "config/numbers.h"

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

void CopyToField(wchar_t *field, size_t capacity, const std::wstring &text) {
  size_t length = std::min(text.size(), capacity - 1);
  // A value with a zero character in it ends there, as the field would read it.
  size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos && zero < length)
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

void AssignSettingsFrom(const IniText &text, AppSettings &settings) {
  // Only the four sections: the schedule and holiday lines that make up
  // most of a large file are passed over without being copied.
  static const std::vector<std::wstring> kSections = {L"Window", L"Font", L"Color", L"Option"};
  ForEachIniEntry(
      text, kSections,
      [&](const std::wstring &section, const std::wstring &key, const std::wstring &value) {
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

void LoadSettings() {
  bool readable = true;
  IniText text = ReadIniText(&readable);
  LoadSettingsFrom(text, readable);
}

void LoadSettingsFrom(const IniText &text, bool readable) {
  g_app.settingsKnown = readable;
  // No size until the file gives one: a size missing or refused below is
  // the default, which the window scales to its DPI when it opens.
  g_app.settings.WinW = 0;
  g_app.settings.WinH = 0;
  if (!text.empty())
    AssignSettingsFrom(text, g_app.settings);
  g_app.defaultSize = {g_app.settings.WinW < kSmallestSize, g_app.settings.WinH < kSmallestSize};
  // The monitors are asked for only when there is a position to check.
  const AppSettings &loaded = g_app.settings;
  bool placed = loaded.PosX != CW_USEDEFAULT && loaded.PosY != CW_USEDEFAULT;
  ValidateSettings(g_app.settings, placed ? MonitorRects() : std::vector<RECT>(),
                   CaptionBandHeight());
}

bool SaveSettings(IniWait wait) {
  if (!SettingsSavable())
    return true;
  return UpdateIniText(
      [](IniText &text) {
        PutSettingsInto(text, g_app.settings);
        return true;
      },
      wait);
}

bool SettingsSavable() {
  return g_app.settingsKnown;
}

void ResetSettings() {
  g_app.settings = DefaultSettings();
}
