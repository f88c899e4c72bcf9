// Drawing the calendar window: its fonts, its DPI and the month itself.
#pragma once
#include <windows.h>

#include "app/handle_owner.h"
#include "calendar/paint_rules.h"
#include "config/settings.h"

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
// Whether the system's high contrast is on.
bool HighContrastOn();
// The colours the calendar draws with: the stored ones, or with high
// contrast on the system's; true when it is on, contrast then holding its own.
bool CalendarColors(AppSettings &colors, ContrastColors &contrast);
// Draws the month onto a DC already filled with the background colour.
void PaintMonth(HDC dc, const RECT &client);
// WM_PAINT of the calendar window: double-buffered, never flickers.
void PaintCalendarWindow(HWND window);
// Has the calendar window, where there is one, paint itself anew, and tells
// screen readers that what it shows changed.
void RepaintCalendar();
void RepaintCalendarWindow(HWND window);
