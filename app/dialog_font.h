// The control font every dialog gives its controls: 11-point "Segoe UI" at
// the dialog's DPI. Each dialog keeps its own, made at its first
// initialisation and deleted at its WM_NCDESTROY, when no control is left
// to use it.
#pragma once
#include <windows.h>

#include <cstddef>

#include "app/handle_owner.h"

// Makes font for the dialog's DPI when it has none, and sets it on the controls.
void ApplyDialogFont(HWND dialog, FontOwner &font, const int *ids, size_t count);
template <size_t Count>
void ApplyDialogFont(HWND dialog, FontOwner &font, const int (&ids)[Count]) {
  ApplyDialogFont(dialog, font, ids, Count);
}
