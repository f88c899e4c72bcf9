#include "popup/day_popup.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/screen_area.h"
#include "calendar/calendar_paint.h"
#include "calendar/month_grid.h"
#include "config/text_cut.h"

const wchar_t kPopupClassName[] = L"SchedulePopup";

namespace {

// At 96 DPI, scaled to the DPI of the monitor the popup shows on.
constexpr int kPadding96 = 8;
constexpr int kWrapWidth96 = 284;
constexpr int kMinTextWidth96 = 84;
constexpr int kMaxWidth96 = 300;
constexpr int kSeparatorSlot96 = 12;
constexpr int kSeparatorOffset96 = 6;
constexpr int kMeasureLimit = 10000;
// What one popup shows of a text, so that a text of any length (files are
// edited by hand too) opens and repaints the popup at once: characters of
// one line, lines of one entry (between separators), lines in all.
constexpr size_t kLineLimit = 100;
constexpr int kEntryLineLimit = 3;
constexpr size_t kPopupLineLimit = 60;
const wchar_t kCutMark = L'\u2026';
constexpr COLORREF kBackground = RGB(0xFF, 0xFF, 0xE1);
constexpr COLORREF kBorder = RGB(200, 200, 200);
constexpr COLORREF kSeparator = RGB(220, 220, 220);
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr UINT kMeasureFormat = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kDrawFormat = DT_WORDBREAK | DT_NOPREFIX;

// The message font of the popup's monitor, not of the primary one.
HFONT CreatePopupFont(int dpi) {
  // The structure as Windows Vista and later define it (504 bytes).
  static_assert(sizeof(NONCLIENTMETRICSW) == 504, "NONCLIENTMETRICSW of Vista and later");
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi));
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = PopupFontHeight(font.lfHeight);
  return CreateFontIndirectW(&font);
}

int SpaceHeight(HDC dc) {
  SIZE space = {};
  GetTextExtentPoint32W(dc, L" ", 1, &space);
  return space.cy;
}

LRESULT PaintPopup(HWND popup) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(popup, &paint);
  RECT client;
  GetClientRect(popup, &client);
  // With high contrast on, the system's tooltip colours.
  const bool system = HighContrastOn();
  const COLORREF textColor = system ? GetSysColor(COLOR_INFOTEXT) : kTextColor;
  {
    BrushOwner background(CreateSolidBrush(system ? GetSysColor(COLOR_INFOBK) : kBackground));
    FillRect(dc, &client, background.Get());
  }
  {
    PenOwner border(CreatePen(PS_INSIDEFRAME, 1, system ? textColor : kBorder));
    SelectGuard pen(dc, border.Get());
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
  }
  int dpi = WindowDpi(popup);
  RECT area = client;
  int padding = ScaleForDpi(kPadding96, dpi);
  InflateRect(&area, -padding, -padding);
  FontOwner font(CreatePopupFont(dpi));
  SelectGuard fontGuard(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor);
  const auto *text =
      reinterpret_cast<const std::wstring *>(GetWindowLongPtrW(popup, GWLP_USERDATA));
  if (text) {
    PenOwner separator(CreatePen(PS_SOLID, 1, system ? textColor : kSeparator));
    SelectGuard pen(dc, separator.Get());
    int top = area.top;
    int blank = SpaceHeight(dc);
    int offset = ScaleForDpi(kSeparatorOffset96, dpi);
    for (const PopupLine &line : WalkPopupLines(*text)) {
      switch (line.kind) {
      case PopupLineKind::Separator:
        MoveToEx(dc, area.left, top + offset, nullptr);
        LineTo(dc, area.right, top + offset);
        top += ScaleForDpi(kSeparatorSlot96, dpi);
        break;
      case PopupLineKind::Text: {
        RECT block = {area.left, top, area.right, area.bottom};
        top += DrawTextW(dc, line.text.c_str(), static_cast<int>(line.text.size()), &block,
                         kDrawFormat);
        break;
      }
      case PopupLineKind::Blank:
        top += blank;
        break;
      }
    }
  }
  EndPaint(popup, &paint);
  return 0;
}

LRESULT OnClick(HWND popup) {
  DestroyWindow(popup);
  return 0;
}

LRESULT OnDestroy(HWND popup) {
  if (g_app.popup == popup)
    g_app.popup = nullptr;
  return 0;
}

// The popup lies over the calendar: paging there must not need the mouse
// moved off it first. The popup stays open while the month changes.
LRESULT PassToCalendar(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  if (HWND owner = GetWindow(popup, GW_OWNER))
    SendMessageW(owner, message, wParam, lParam);
  return 0;
}

// Clicks close the popup; the wheel and the middle button page the calendar.
LRESULT CALLBACK PopupWindowProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    return PaintPopup(popup);
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
    return OnClick(popup);
  case WM_MOUSEWHEEL:
  case WM_MBUTTONDOWN:
    return PassToCalendar(popup, message, wParam, lParam);
  case WM_DESTROY:
    return OnDestroy(popup);
  }
  return DefWindowProcW(popup, message, wParam, lParam);
}

// Once per process: a class that is already there is asked for, not made again.
void RegisterPopupClass() {
  WNDCLASSEXW popupClass = {};
  if (GetClassInfoExW(g_app.instance, kPopupClassName, &popupClass))
    return;
  popupClass = {};
  popupClass.cbSize = sizeof popupClass;
  popupClass.style = CS_DROPSHADOW;
  popupClass.lpfnWndProc = PopupWindowProc;
  popupClass.hInstance = g_app.instance;
  popupClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  popupClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  popupClass.lpszClassName = kPopupClassName;
  RegisterClassExW(&popupClass);
}

SIZE MeasurePopup(const std::vector<PopupLine> &lines, int dpi) {
  WindowDc screen(nullptr);
  FontOwner font(CreatePopupFont(dpi));
  SelectGuard fontGuard(screen.Get(), font.Get());
  int wrapWidth = ScaleForDpi(kWrapWidth96, dpi);
  return PopupSizeFor(lines, dpi, SpaceHeight(screen.Get()), [&](const std::wstring &text) {
    RECT bounds = {0, 0, wrapWidth, kMeasureLimit};
    int height = DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &bounds,
                           kMeasureFormat);
    return SIZE{bounds.right - bounds.left, height};
  });
}

// A line of at most kLineLimit characters, the last of them the cut mark
// when the line was longer; never half a surrogate pair before the mark.
std::wstring CutLine(const std::wstring &text, size_t first, size_t length) {
  if (length <= kLineLimit)
    return text.substr(first, length);
  return text.substr(first, SafeCutLength(text.data() + first, kLineLimit - 1)) + kCutMark;
}

// Ends the line with the cut mark: the entry goes on beyond it.
void MarkCut(PopupLine &line) {
  if (line.kind != PopupLineKind::Text)
    line = {PopupLineKind::Text, std::wstring()};
  if (line.text.empty() || line.text.back() != kCutMark)
    line.text += kCutMark;
}

// False, after a last line of the cut mark alone, when the popup is full.
bool AddPopupLine(std::vector<PopupLine> &lines, PopupLine line) {
  if (lines.size() == kPopupLineLimit) {
    lines.push_back({PopupLineKind::Text, std::wstring(1, kCutMark)});
    return false;
  }
  lines.push_back(std::move(line));
  return true;
}

} // namespace

std::vector<PopupLine> WalkPopupLines(const std::wstring &text) {
  std::vector<PopupLine> lines;
  bool afterSeparator = false;
  int entryLines = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find(L'\n', start), text.size());
    size_t length = end - start;
    if (length > 0 && text[end - 1] == L'\r')
      --length;
    const size_t first = start;
    start = end + 1;
    if (length == 3 && text.compare(first, 3, L"---") == 0) {
      if (!AddPopupLine(lines, {PopupLineKind::Separator, std::wstring()}))
        break;
      afterSeparator = true;
      entryLines = 0;
      continue;
    }
    bool dropped = length == 0 && afterSeparator;
    afterSeparator = false;
    if (dropped || entryLines > kEntryLineLimit)
      continue;
    if (++entryLines > kEntryLineLimit) {
      MarkCut(lines.back());
      continue;
    }
    PopupLine line = {PopupLineKind::Blank, std::wstring()};
    if (length > 0)
      line = {PopupLineKind::Text, CutLine(text, first, length)};
    if (!AddPopupLine(lines, std::move(line)))
      break;
  }
  return lines;
}

std::wstring JoinPopupLines(const std::wstring &text, const wchar_t *lineBreak,
                            const wchar_t *separator) {
  std::wstring joined;
  const wchar_t *between = L"";
  for (const PopupLine &line : WalkPopupLines(text)) {
    if (line.kind == PopupLineKind::Separator) {
      between = separator;
    } else if (line.kind == PopupLineKind::Text) {
      joined += (joined.empty() ? L"" : between) + line.text;
      between = lineBreak;
    }
  }
  return joined;
}

POINT PlacePopup(int x, int y, int width, int height, const RECT &workArea) {
  if (x + width > workArea.right)
    x = workArea.right - width - 1;
  if (x < workArea.left)
    x = workArea.left;
  if (y + height > workArea.bottom)
    y = workArea.bottom - height - 1;
  if (y < workArea.top)
    y = workArea.top;
  return {x, y};
}

LONG PopupFontHeight(LONG messageFontHeight) {
  return static_cast<LONG>(messageFontHeight * 1.3);
}

SIZE PopupSizeFor(const std::vector<PopupLine> &lines, int dpi, int blankHeight,
                  const std::function<SIZE(const std::wstring &)> &measureText) {
  int padding = ScaleForDpi(kPadding96, dpi);
  int height = 2 * padding;
  int textWidth = ScaleForDpi(kMinTextWidth96, dpi);
  for (const PopupLine &line : lines) {
    switch (line.kind) {
    case PopupLineKind::Separator:
      height += ScaleForDpi(kSeparatorSlot96, dpi);
      break;
    case PopupLineKind::Text: {
      SIZE block = measureText(line.text);
      height += block.cy;
      textWidth = std::max(textWidth, static_cast<int>(block.cx));
      break;
    }
    case PopupLineKind::Blank:
      height += blankHeight;
      break;
    }
  }
  return {std::min(textWidth + 2 * padding, ScaleForDpi(kMaxWidth96, dpi)), height};
}

void CloseDayPopup() {
  if (g_app.popup && IsWindow(g_app.popup))
    DestroyWindow(g_app.popup);
  g_app.popup = nullptr;
}

void ShowDayPopup(HWND owner, const std::wstring &text, int x, int y) {
  RegisterPopupClass();
  CloseDayPopup();
  g_app.popupText = text;

  // Made hidden at the cursor first: its DPI is then that of the monitor it
  // shows on, which its size and font follow.
  // Its texts as its window text: what a screen reader reads of it.
  HWND popup = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClassName,
                               JoinPopupLines(text, L"\r\n", L"\r\n").c_str(), WS_POPUP, x, y, 1, 1,
                               owner, nullptr, g_app.instance, nullptr);
  g_app.popup = popup;
  if (!popup)
    return;
  SIZE size = MeasurePopup(WalkPopupLines(g_app.popupText), WindowDpi(popup));
  // Beside the cursor, on the cursor's monitor.
  POINT place = PlacePopup(x, y, size.cx, size.cy, WorkAreaNear(RECT{x, y, x + 1, y + 1}));
  SetWindowLongPtrW(popup, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&g_app.popupText));
  SetWindowPos(popup, HWND_TOPMOST, place.x, place.y, size.cx, size.cy,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
