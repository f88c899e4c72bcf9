#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings_dialog/settings_dialog.h"

namespace {

// The values a dialog opened on settings would hand back untouched.
SettingsDialogValues Unchanged(const AppSettings &settings) {
  SettingsDialogValues values;
  values.width = settings.WinW;
  values.height = settings.WinH;
  values.margin = settings.Margin;
  values.titlePx = settings.TitlePx;
  values.weekPx = settings.WeekPx;
  values.datePx = settings.DatePx;
  values.startMonday = settings.StartMonday != 0;
  values.showOutMonth = settings.ShowOutMonth;
  values.autoDelete = settings.AutoDeleteOldSchedules;
  values.face = settings.Face;
  values.url = settings.HolidayUrl;
  return values;
}

TEST(ApplyDialogValues, NumbersAreRaisedToTheirLowerBoundsWithNoUpperBound) {
  struct Case {
    std::optional<unsigned> typed;
    int expected;
  };
  const Case widths[] = {
      {std::nullopt, 300}, // empty field: unchanged
      {0u, 60},
      {10u, 60},
      {59u, 60},
      {60u, 60},
      {80u, 80}, // accepted now, though the next start-up replaces it
      {5000u, 5000},
      {2147483647u, 2147483647},
      {2147483648u, 60}, // negative as a signed 32-bit number
      {4294967295u, 60},
  };
  for (const Case &c : widths) {
    AppSettings settings = DefaultSettings();
    SettingsDialogValues values = Unchanged(settings);
    values.width = c.typed;
    ApplyDialogValues(values, settings);
    EXPECT_EQ(settings.WinW, c.expected) << (c.typed ? *c.typed : 0u);
  }

  AppSettings settings = DefaultSettings();
  SettingsDialogValues values = Unchanged(settings);
  values.width = values.height = values.margin = 0u;
  values.titlePx = values.weekPx = values.datePx = 4294967295u;
  ApplyDialogValues(values, settings);
  EXPECT_EQ(settings.WinW, 60);
  EXPECT_EQ(settings.WinH, 60);
  EXPECT_EQ(settings.Margin, 0);
  EXPECT_EQ(settings.TitlePx, 6);
  EXPECT_EQ(settings.WeekPx, 6);
  EXPECT_EQ(settings.DatePx, 6);
}

TEST(ApplyDialogValues, OnlyFaceAndSizesRebuildFontsAndOnlyWidthAndHeightResize) {
  struct Case {
    const char *name;
    void (*edit)(SettingsDialogValues &);
    bool fonts, size;
  };
  const Case cases[] = {
      {"nothing", [](SettingsDialogValues &) {}, false, false},
      {"every field emptied",
       [](SettingsDialogValues &v) {
         v.width = v.height = v.margin = v.titlePx = v.weekPx = v.datePx = std::nullopt;
         v.url.clear();
       },
       false, false},
      {"margin", [](SettingsDialogValues &v) { v.margin = 0u; }, false, false},
      {"check boxes",
       [](SettingsDialogValues &v) {
         v.startMonday = true;
         v.showOutMonth = false;
         v.autoDelete = true;
       },
       false, false},
      {"url", [](SettingsDialogValues &v) { v.url = L"http://127.0.0.1/h.csv"; }, false, false},
      {"title px", [](SettingsDialogValues &v) { v.titlePx = 20u; }, true, false},
      {"week px", [](SettingsDialogValues &v) { v.weekPx = 13u; }, true, false},
      {"date px raised to 6", [](SettingsDialogValues &v) { v.datePx = 1u; }, true, false},
      {"face", [](SettingsDialogValues &v) { v.face = L"Org_v01"; }, true, false},
      {"face letter case", [](SettingsDialogValues &v) { v.face = L"hooge 05_55"; }, true, false},
      {"no face selected", [](SettingsDialogValues &v) { v.face.clear(); }, true, false},
      {"width", [](SettingsDialogValues &v) { v.width = 400u; }, false, true},
      {"height", [](SettingsDialogValues &v) { v.height = 100u; }, false, true},
      {"width raised to its old value", [](SettingsDialogValues &v) { v.width = 10u; }, false,
       false},
  };
  for (const Case &c : cases) {
    AppSettings settings = DefaultSettings();
    settings.WinW = 60;
    SettingsDialogValues values = Unchanged(settings);
    c.edit(values);
    SettingsChanges changes = ApplyDialogValues(values, settings);
    EXPECT_EQ(changes.fonts, c.fonts) << c.name;
    EXPECT_EQ(changes.size, c.size) << c.name;
  }
}

} // namespace
