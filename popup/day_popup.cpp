#include "popup/day_popup.h"

#include <algorithm>
#include <sstream>

#include "app/app_state.h"
#include "app/gdi_owner.h"

const wchar_t kPopupClassName[] = L"SchedulePopup";

namespace {

// Plain pixels: the popup does not follow the DPI.
constexpr int kPadding = 8;
constexpr int kWrapWidth = 284;
constexpr int kMeasureLimit = 10000;
constexpr int kMinTextWidth = 84;
constexpr int kMaxWidth = 300;
constexpr int kSeparatorSlot = 12;
constexpr int kSeparatorOffset = 6;
constexpr COLORREF kBackground = RGB(0xFF, 0xFF, 0xE1);
constexpr COLORREF kBorder = RGB(200, 200, 200);
constexpr COLORREF kSeparator = RGB(220, 220, 220);
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr UINT kMeasureFormat = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kDrawFormat = DT_WORDBREAK | DT_NOPREFIX;

bool g_classRegistered = false;

HFONT CreatePopupFont() {
  // The structure as Windows Vista and later define it (504 bytes).
  static_assert(sizeof(NONCLIENTMETRICSW) == 504, "NONCLIENTMETRICSW of Vista and later");
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = PopupFontHeight(font.lfHeight);
  return CreateFontIndirectW(&font);
}

int SpaceHeight(HDC dc) {
  SIZE space = {};
  GetTextExtentPoint32W(dc, L" ", 1, &space);
  return space.cy;
}

void PaintPopup(HWND popup) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(popup, &paint);
  RECT client;
  GetClientRect(popup, &client);
  {
    BrushOwner background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.Get());
  }
  {
    PenOwner border(CreatePen(PS_INSIDEFRAME, 1, kBorder));
    SelectGuard pen(dc, border.Get());
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
  }
  RECT area = client;
  InflateRect(&area, -kPadding, -kPadding);
  FontOwner font(CreatePopupFont());
  SelectGuard fontGuard(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextColor);
  const auto *text =
      reinterpret_cast<const std::wstring *>(GetWindowLongPtrW(popup, GWLP_USERDATA));
  if (text) {
    PenOwner separator(CreatePen(PS_SOLID, 1, kSeparator));
    SelectGuard pen(dc, separator.Get());
    int top = area.top;
    int blank = SpaceHeight(dc);
    for (const PopupLine &line : WalkPopupLines(*text)) {
      switch (line.kind) {
      case PopupLineKind::Separator:
        MoveToEx(dc, area.left, top + kSeparatorOffset, nullptr);
        LineTo(dc, area.right, top + kSeparatorOffset);
        top += kSeparatorSlot;
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
}

// Clicks close the popup; nothing else reacts.
LRESULT CALLBACK PopupWindowProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    PaintPopup(popup);
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
    DestroyWindow(popup);
    return 0;
  case WM_DESTROY:
    if (g_app.popup == popup)
      g_app.popup = nullptr;
    return 0;
  }
  return DefWindowProcW(popup, message, wParam, lParam);
}

void RegisterPopupClass() {
  if (g_classRegistered)
    return;
  WNDCLASSEXW popupClass = {};
  popupClass.cbSize = sizeof popupClass;
  popupClass.style = CS_DROPSHADOW;
  popupClass.lpfnWndProc = PopupWindowProc;
  popupClass.hInstance = g_app.instance;
  popupClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  popupClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  popupClass.lpszClassName = kPopupClassName;
  RegisterClassExW(&popupClass);
  g_classRegistered = true;
}

SIZE MeasurePopup(const std::vector<PopupLine> &lines) {
  WindowDc screen(nullptr);
  FontOwner font(CreatePopupFont());
  SelectGuard fontGuard(screen.Get(), font.Get());
  return PopupSizeFor(lines, SpaceHeight(screen.Get()), [&](const std::wstring &text) {
    RECT bounds = {0, 0, kWrapWidth, kMeasureLimit};
    int height = DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &bounds,
                           kMeasureFormat);
    return SIZE{bounds.right - bounds.left, height};
  });
}

} // namespace

std::vector<PopupLine> WalkPopupLines(const std::wstring &text) {
  std::vector<PopupLine> lines;
  std::wistringstream stream(text);
  std::wstring line;
  bool afterSeparator = false;
  while (std::getline(stream, line, L'\n')) {
    if (!line.empty() && line.back() == L'\r')
      line.pop_back();
    if (line == L"---") {
      lines.push_back({PopupLineKind::Separator, std::wstring()});
      afterSeparator = true;
      continue;
    }
    if (!line.empty())
      lines.push_back({PopupLineKind::Text, line});
    else if (!afterSeparator)
      lines.push_back({PopupLineKind::Blank, std::wstring()});
    afterSeparator = false;
  }
  return lines;
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

SIZE PopupSizeFor(const std::vector<PopupLine> &lines, int blankHeight,
                  const std::function<SIZE(const std::wstring &)> &measureText) {
  int height = 2 * kPadding;
  int textWidth = kMinTextWidth;
  for (const PopupLine &line : lines) {
    switch (line.kind) {
    case PopupLineKind::Separator:
      height += kSeparatorSlot;
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
  return {std::min(textWidth + 2 * kPadding, kMaxWidth), height};
}

void ShowDayPopup(HWND owner, const std::wstring &text, int x, int y) {
  RegisterPopupClass();
  if (g_app.popup && IsWindow(g_app.popup))
    DestroyWindow(g_app.popup);
  g_app.popup = nullptr;
  g_app.popupText = text;

  SIZE size = MeasurePopup(WalkPopupLines(g_app.popupText));
  // The primary monitor's work area, wherever the cursor is.
  RECT workArea = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  POINT place = PlacePopup(x, y, size.cx, size.cy, workArea);

  HWND popup = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClassName,
                               L"", WS_POPUP, place.x, place.y, size.cx, size.cy, owner, nullptr,
                               g_app.instance, nullptr);
  g_app.popup = popup;
  if (!popup)
    return;
  SetWindowLongPtrW(popup, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&g_app.popupText));
  SetWindowPos(popup, HWND_TOPMOST, place.x, place.y, size.cx, size.cy,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
