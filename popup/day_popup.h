// The borderless, topmost, non-activating popup with one day's entries.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class PopupLineKind { Separator, Text, Blank };
struct PopupLine {
  PopupLineKind kind;
  std::wstring text;
};

// The lines of a popup text: "---" separators, text blocks, blank lines
// (an empty line right after a separator is dropped). Bounded, whatever the
// text: long lines, long entries and too many lines are cut, with "…".
std::vector<PopupLine> WalkPopupLines(const std::wstring &text);
// The texts a popup of text shows, in order, as one text: its lines joined
// by lineBreak, its entries by separator. What screen readers read.
std::wstring JoinPopupLines(const std::wstring &text, const wchar_t *lineBreak,
                            const wchar_t *separator);
// Where a popup of this size goes for a cursor point, kept inside the work area.
POINT PlacePopup(int x, int y, int width, int height, const RECT &workArea);
// The popup font's height for the message font's height (times 1.3, truncated).
LONG PopupFontHeight(LONG messageFontHeight);
// The popup's outer size at a DPI for its lines, given the height of a blank
// line and a measure of a text block wrapped at the popup's wrap width.
SIZE PopupSizeFor(const std::vector<PopupLine> &lines, int dpi, int blankHeight,
                  const std::function<SIZE(const std::wstring &)> &measureText);

// Shows text at (x, y) in screen pixels, replacing any open popup.
void ShowDayPopup(HWND owner, const std::wstring &text, int x, int y);
// Closes the popup if one is open.
void CloseDayPopup();

extern const wchar_t kPopupClassName[]; // "SchedulePopup"
