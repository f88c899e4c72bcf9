// The settings dialog (template 101).
#pragma once
#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ApplySettingsDialog(HWND dialog);
int CALLBACK AddFontFaceToCombo(const LOGFONTW *font, const TEXTMETRICW *metrics, DWORD type,
                                LPARAM combo);
