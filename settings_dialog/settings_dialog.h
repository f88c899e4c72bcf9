// The settings dialog (template 101).
#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "config/settings.h"

// Runs the dialog modally over the calendar window.
void RunSettingsDialog(HWND owner);
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 適用 and OK: the fields into the record, the calendar following; false
// when the save failed (the user was told, the change stays applied).
bool ApplySettingsDialog(HWND dialog);
int CALLBACK AddFontFaceToCombo(const LOGFONTW *font, const TEXTMETRICW *metrics, DWORD type,
                                LPARAM combo);

// What the dialog's fields hold when it is applied. A number field without
// a number in it (empty) is nullopt and leaves its setting as it is.
struct SettingsDialogValues {
  std::optional<unsigned> width, height, margin, titlePx, weekPx, datePx;
  bool startMonday = false;
  bool showOutMonth = false;
  bool autoDelete = false;
  std::wstring face; // the selected font; empty when none is selected
  std::wstring url;  // empty leaves HolidayUrl as it is
};

// What an apply changed beyond the record itself.
struct SettingsChanges {
  bool fonts; // the face or a pixel size: the calendar fonts must be rebuilt
  bool size;  // WinW or WinH: the calendar window must be resized
};

// Writes the values into settings, each number raised to its lower bound
// (a number above INT_MAX counts as negative).
SettingsChanges ApplyDialogValues(const SettingsDialogValues &values, AppSettings &settings);
