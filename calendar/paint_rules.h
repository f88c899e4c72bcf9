// The colour and fill decisions of a day cell, apart from any DC.
#pragma once
#include <windows.h>

// A colour moved 70 % toward the background: how neighbouring months' days look.
COLORREF DimColor(COLORREF color, COLORREF background);
// The y where a split today-and-schedule fill changes from Schedule (above) to Today.
int SplitFillMiddle(const RECT &inner);

struct AppSettings;
// The day number's colour: Holiday over Sunday/Saturday over Weekday.
COLORREF DayNumberColor(const AppSettings &settings, bool holiday, int weekday);
