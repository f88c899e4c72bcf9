#include "app/dialog_font.h"

#include <commctrl.h>

#include "app/late_bound.h"
#include "calendar/calendar_paint.h"
#include "config/settings.h"

namespace {

// The window property that holds a dialog's font.
const wchar_t kFontProperty[] = L"Dayglass.DialogFont";

} // namespace

void LoadCommonControls() {
  using InitFunction = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
  // Once: the version 6 controls of the manifest, as an import would load them.
  static const bool loaded = [] {
    auto init = LateBound<InitFunction>(L"comctl32.dll", "InitCommonControlsEx");
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x000004FF};
    return init && init(&controls);
  }();
  (void)loaded;
}

HFONT DialogFont(HWND dialog) {
  return static_cast<HFONT>(GetPropW(dialog, kFontProperty));
}

void ApplyDialogFont(HWND dialog, const int *ids, size_t count) {
  HFONT font = DialogFont(dialog);
  if (!font) {
    LOGFONTW face = {};
    face.lfHeight = -MulDiv(11, WindowDpi(dialog), 72);
    CopyToField(face.lfFaceName, LF_FACESIZE, L"Segoe UI");
    font = CreateFontIndirectW(&face);
    if (font && !SetPropW(dialog, kFontProperty, font)) {
      DeleteObject(font);
      font = nullptr;
    }
  }
  for (size_t i = 0; i < count; ++i)
    SendDlgItemMessageW(dialog, ids[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

INT_PTR OnDialogNcDestroy(HWND dialog) {
  if (HFONT font = static_cast<HFONT>(RemovePropW(dialog, kFontProperty)))
    DeleteObject(font);
  return FALSE;
}
