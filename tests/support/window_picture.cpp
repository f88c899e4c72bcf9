#include "tests/support/window_picture.h"

#include "tests/support/test_support.h"

std::string ScreenBmp(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return RectBmp(rect);
}

std::string RectBmp(const RECT &rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    return std::string();
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::string pixels(static_cast<size_t>((width * 3 + 3) & ~3) * height, '\0');
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0],
            reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42; // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
  return std::string(reinterpret_cast<const char *>(&file), sizeof file) +
         std::string(reinterpret_cast<const char *>(&header), sizeof header) + pixels;
}

bool SaveWindowPicture(HWND window, const std::wstring &path) {
  std::string last, now;
  const size_t start = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  bool drawn = WaitUntil([&] {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    last.swap(now);
    now = ScreenBmp(window);
    return now.size() > start && now == last &&
           now.find_first_not_of(now[start], start) != std::string::npos;
  });
  return drawn && WriteFileBytes(path, now);
}

std::wstring ShotsFolder() {
  return EnvPath(L"DAYGLASS_SHOTS");
}
