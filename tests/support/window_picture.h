// Pictures of windows as they stand on the screen, for the documentation.
#pragma once
#include <windows.h>

#include <string>

// The window, frame included, as the bytes of a bottom-up 24-bit BMP file.
std::string ScreenBmp(HWND window);
// A rectangle of the screen, the same way.
std::string RectBmp(const RECT &rect);
// Saves the window's picture once it has been drawn: two pictures in a row
// agree and hold more than one colour. False when that never happens.
bool SaveWindowPicture(HWND window, const std::wstring &path);
// The folder named by DAYGLASS_SHOTS (a Linux or Windows path); empty when unset.
std::wstring ShotsFolder();
