// Drawing the calendar window: its fonts, its DPI and the month itself.
#pragma once
#include <windows.h>

#include "app/handle_owner.h"

// Replaced by CreateCalendarFonts and deleted by DeleteCalendarFonts (at
// the window's destruction); the owners only make sure nothing leaks.
struct CalendarFonts {
  FontOwner title;
  FontOwner weekday;
  FontOwner date;
  FontOwner glyphs; // the title's "⋮" and "☰", at the title's height
};

// The window's DPI (GetDpiForWindow where the system has it, else LOGPIXELSY; 96 at worst).
int WindowDpi(HWND window);
// Replaces the calendar fonts for a DPI (96 when dpi <= 0).
void CreateCalendarFonts(int dpi);
// Deletes the calendar fonts and clears their slots.
void DeleteCalendarFonts();
// Draws the month onto a DC already filled with Bg.
void PaintMonth(HDC dc, const RECT &client);
// WM_PAINT of the calendar window: double-buffered, never flickers.
void PaintCalendarWindow(HWND window);
// Has the calendar window, where there is one, paint itself anew.
void RepaintCalendar();
