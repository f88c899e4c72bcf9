// Placeholder until the day popup lands.
#include "popup/day_popup.h"
const wchar_t kPopupClassName[] = L"SchedulePopup";
std::vector<PopupLine> WalkPopupLines(const std::wstring &) {
  return {};
}
POINT PlacePopup(int x, int y, int, int, const RECT &) {
  return {x, y};
}
LONG PopupFontHeight(LONG height) {
  return height;
}
void ShowDayPopup(HWND, const std::wstring &, int, int) {}
