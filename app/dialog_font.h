// What every dialog shares: the common controls, and the control font,
// 11-point "Segoe UI" at the dialog's DPI. Each dialog keeps its own font
// with its window, made at its first initialisation and deleted at its
// WM_NCDESTROY, when no control is left to use it.
#pragma once
#include <windows.h>

#include <cstddef>

// Loads and registers the common controls the dialogs use; call before a dialog opens.
void LoadCommonControls();

// Makes the dialog's font when it has none, and sets it on the controls.
void ApplyDialogFont(HWND dialog, const int *ids, size_t count);
template <size_t Count> void ApplyDialogFont(HWND dialog, const int (&ids)[Count]) {
  ApplyDialogFont(dialog, ids, Count);
}
// The dialog's font, or null before ApplyDialogFont.
HFONT DialogFont(HWND dialog);
// The dialog's WM_NCDESTROY: deletes its font. Returns FALSE, which lets the
// dialog manager free what it made for the dialog, the template font among
// them; the result means nothing to the caller.
INT_PTR OnDialogNcDestroy(HWND dialog);
