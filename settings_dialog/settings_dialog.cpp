// Placeholder until the settings dialog lands.
#include "settings_dialog/settings_dialog.h"
INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
void ApplySettingsDialog(HWND) {}
int CALLBACK AddFontFaceToCombo(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM) {
  return 1;
}
