#include "calendar/calendar_paint.h"

#include <string>
#include <algorithm>
#include <iterator>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "calendar/calendar_access.h"
#include "calendar/calendar_window.h"
#include "calendar/month_grid.h"
#include "calendar/paint_rules.h"
#include "config/numbers.h"

namespace {

constexpr int kFillInset96 = 2;
constexpr UINT kCentred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

using GetDpiForWindowFunction = UINT(WINAPI *)(HWND);

// Looked up by name so the program still starts where user32 lacks it.
GetDpiForWindowFunction DpiFunction() {
  // A function-local static is initialised once, even with several threads.
  static const GetDpiForWindowFunction function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFunction>(
                        reinterpret_cast<void *>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return function;
}

HFONT CreateCalendarFont(int px, int dpi) {
  int height = ScaleForDpi(px, dpi);
  if (height < 1)
    height = 1;
  return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, g_app.settings.Face);
}

// The "⋮" and "☰" glyphs are not in the pixel fonts: they come from an emoji
// face at the title font's height.
HFONT CreateGlyphFont(HFONT titleFont) {
  LOGFONTW title = {};
  if (titleFont)
    GetObjectW(titleFont, sizeof title, &title);
  return CreateFontW(title.lfHeight, 0, 0, 0, title.lfWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI Emoji");
}

void DrawTextIn(HDC dc, const std::wstring &text, RECT rect, UINT format, COLORREF color) {
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void PaintTitle(HDC dc, const MonthGrid &grid, const AppSettings &settings) {
  SelectGuard titleFont(dc, g_app.fonts.title.Get());
  DrawTextIn(dc, MonthTitle(grid.year, grid.month), grid.titleRect, DT_SINGLELINE | DT_VCENTER,
             settings.Weekday);

  SelectGuard glyphFont(dc, g_app.fonts.glyphs.Get());
  DrawTextIn(dc, L"\u22EE", grid.settingsBox, kCentred, settings.Weekday);
  DrawTextIn(dc, L"\u2630", grid.listBox, kCentred, settings.Weekday);
}

void PaintWeekdayHeader(HDC dc, const MonthGrid &grid, const AppSettings &settings) {
  static const wchar_t *const kLabels[7] = {L"S", L"M", L"T", L"W", L"T", L"F", L"S"};
  SelectGuard weekdayFont(dc, g_app.fonts.weekday.Get());
  for (int weekday = 0; weekday < 7; ++weekday) {
    COLORREF color = DayNumberColor(settings, false, weekday); // a label is never a holiday
    int column = ColumnOfWeekday(weekday, settings.StartMonday);
    // The cells of row 0 share the column edges with the header.
    const RECT &cell = grid.cells[column].rect;
    RECT label = {cell.left, grid.weekdayTop, cell.right, grid.weekdayBottom};
    DrawTextIn(dc, kLabels[weekday], label, kCentred, color);
  }
}

void FillCell(HDC dc, RECT inner, CellFill fill, HBRUSH today, HBRUSH schedule) {
  switch (fill) {
  case CellFill::None:
    break;
  case CellFill::Today:
    FillRect(dc, &inner, today);
    break;
  case CellFill::Schedule:
    FillRect(dc, &inner, schedule);
    break;
  case CellFill::Split: {
    int middle = SplitFillMiddle(inner);
    RECT upper = {inner.left, inner.top, inner.right, middle};
    RECT lower = {inner.left, middle, inner.right, inner.bottom};
    FillRect(dc, &upper, schedule);
    FillRect(dc, &lower, today);
    break;
  }
  }
}

void PaintDays(HDC dc, const MonthGrid &grid, int dpi, const AppSettings &settings,
               const ContrastColors *contrast) {
  const CalendarDate &today = g_app.today;
  // The focused day's cue, once keys have been used, while the window has
  // the keyboard focus.
  HWND window = g_app.mainWindow;
  const int cue = g_app.focusCue && window && GetFocus() == window
                      ? grid.firstColumn + FocusedDay().day - 1
                      : -1;
  // The cells hold 42 days in a row, so their keys ascend: a schedule
  // outside the first and last is passed over with two comparisons.
  constexpr size_t kCellCount = sizeof(MonthGrid::cells) / sizeof(MonthGrid::cells[0]);
  DateKey keys[kCellCount];
  bool scheduled[std::size(keys)] = {};
  for (size_t i = 0; i < std::size(keys); ++i)
    keys[i] = MakeDateKey(grid.cells[i].year, grid.cells[i].month, grid.cells[i].day);
  for (const ScheduleEntry &entry : g_app.schedules) {
    DateKey key = MakeDateKey(entry.when.wYear, entry.when.wMonth, entry.when.wDay);
    if (key < keys[0] || key > keys[std::size(keys) - 1])
      continue;
    const DateKey *found = std::lower_bound(std::begin(keys), std::end(keys), key);
    if (*found == key)
      scheduled[found - keys] = true;
  }

  BrushOwner todayBrush(CreateSolidBrush(settings.Today));
  BrushOwner scheduleBrush(CreateSolidBrush(settings.Schedule));
  int inset = ScaleForDpi(kFillInset96, dpi);
  SelectGuard dateFont(dc, g_app.fonts.date.Get());
  for (size_t i = 0; i < std::size(keys); ++i) {
    const GridCell &cell = grid.cells[i];
    bool isToday = cell.year == today.year && cell.month == today.month && cell.day == today.day;
    bool hasSchedule = scheduled[i];
    bool holiday = FindHolidayIn(g_app.holidays, cell.year, cell.month, cell.day) != nullptr;
    DayLook look = LookOfDay(settings, cell, isToday, hasSchedule, holiday, contrast);
    if (!look.drawn)
      continue;
    RECT inner = cell.rect;
    InflateRect(&inner, -inset, -inset);
    if (inner.left < inner.right && inner.top < inner.bottom)
      FillCell(dc, inner, look.fill, todayBrush.Get(), scheduleBrush.Get());
    DrawTextIn(dc, DecimalText(cell.day), cell.rect, kCentred, look.number);
    // Inside the fill, whose edges stay as they are.
    RECT cueRect = inner;
    InflateRect(&cueRect, -inset, -inset);
    if (static_cast<int>(i) == cue && cueRect.left < cueRect.right && cueRect.top < cueRect.bottom)
      DrawFocusRect(dc, &cueRect);
  }
}

} // namespace

int WindowDpi(HWND window) {
  GetDpiForWindowFunction function = DpiFunction();
  if (function && window)
    return static_cast<int>(function(window));
  WindowDc dc(window);
  if (!dc.Get())
    return 96;
  return GetDeviceCaps(dc.Get(), LOGPIXELSY);
}

void CreateCalendarFonts(int dpi) {
  if (dpi <= 0)
    dpi = 96;
  DeleteCalendarFonts();
  g_app.fonts.title.Reset(CreateCalendarFont(g_app.settings.TitlePx, dpi));
  g_app.fonts.weekday.Reset(CreateCalendarFont(g_app.settings.WeekPx, dpi));
  g_app.fonts.date.Reset(CreateCalendarFont(g_app.settings.DatePx, dpi));
  g_app.fonts.glyphs.Reset(CreateGlyphFont(g_app.fonts.title.Get()));
}

void DeleteCalendarFonts() {
  CalendarFonts &fonts = g_app.fonts;
  for (FontOwner *font : {&fonts.title, &fonts.weekday, &fonts.date, &fonts.glyphs})
    font->Reset();
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast = {};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

bool CalendarColors(AppSettings &colors, ContrastColors &contrast) {
  colors = g_app.settings;
  if (!HighContrastOn())
    return false;
  UseSystemColors(colors, contrast, GetSysColor);
  return true;
}

namespace {

// The month in colours chosen once for the paint.
void PaintMonthIn(HDC dc, const RECT &client, const AppSettings &colors,
                  const ContrastColors *contrast) {
  SetBkMode(dc, TRANSPARENT);
  int dpi = WindowDpi(g_app.mainWindow);
  MonthGrid grid = ComputeMonthGrid(client, dpi, g_app.settings, g_app.displayed);
  PaintTitle(dc, grid, colors);
  PaintWeekdayHeader(dc, grid, colors);
  PaintDays(dc, grid, dpi, colors, contrast);
}

} // namespace

void PaintMonth(HDC dc, const RECT &client) {
  AppSettings colors;
  ContrastColors contrast;
  const bool system = CalendarColors(colors, contrast);
  PaintMonthIn(dc, client, colors, system ? &contrast : nullptr);
}

void RepaintCalendar() {
  // A null handle would repaint every window on the desktop.
  if (g_app.mainWindow)
    RepaintCalendarWindow(g_app.mainWindow);
}

void RepaintCalendarWindow(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  NotifyMonthShown(window);
}

void PaintCalendarWindow(HWND window) {
  PAINTSTRUCT paint;
  HDC windowDc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (windowDc && width > 0 && height > 0) {
    MemoryDc memory(windowDc);
    BitmapOwner bitmap(CreateCompatibleBitmap(windowDc, width, height));
    if (memory.Get() && bitmap) {
      SelectGuard selected(memory.Get(), bitmap.Get());
      AppSettings colors;
      ContrastColors contrast;
      const bool system = CalendarColors(colors, contrast);
      {
        BrushOwner background(CreateSolidBrush(colors.Bg));
        FillRect(memory.Get(), &client, background.Get());
      }
      PaintMonthIn(memory.Get(), client, colors, system ? &contrast : nullptr);
      BitBlt(windowDc, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    }
  }
  EndPaint(window, &paint);
}
