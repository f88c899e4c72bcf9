// The smallest program that opens one window and paints it: what start-up
// of the calendar is compared with. Its colour comes from the command line.
// It carries the calendar's manifest (common controls 6, asInvoker) and
// icon and is per-monitor DPI aware as the calendar is, so that neither
// pays for something the other does not (under Wine the X11 driver
// converts the icon for the window manager as the window is made); "bare"
// after the colour leaves the icon out.
#include <windows.h>

#include <cwchar>

namespace {

COLORREF g_color = RGB(0, 0, 0);

LRESULT CALLBACK BaselineProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT: {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH brush = CreateSolidBrush(g_color);
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
  }
  case WM_ERASEBKGND:
    return 1;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  wchar_t *rest = nullptr;
  g_color = static_cast<COLORREF>(wcstoul(commandLine, &rest, 10));
  const bool bare = wcsstr(rest, L"bare") != nullptr;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = BaselineProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"DayglassBaseline";
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  if (!bare) { // as the calendar loads its icons
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  }
  RegisterClassExW(&windowClass);
  HWND window =
      CreateWindowExW(0, L"DayglassBaseline", L"Baseline", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                      0, 0, 300, 320, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
