#include "app/dialog_font.h"

#include "calendar/calendar_paint.h"
#include "config/settings.h"

void ApplyDialogFont(HWND dialog, FontOwner &font, const int *ids, size_t count) {
  if (!font) {
    LOGFONTW face = {};
    face.lfHeight = -MulDiv(11, WindowDpi(dialog), 72);
    CopyToField(face.lfFaceName, LF_FACESIZE, L"Segoe UI");
    font.Reset(CreateFontIndirectW(&face));
  }
  for (size_t i = 0; i < count; ++i)
    SendDlgItemMessageW(dialog, ids[i], WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
}
