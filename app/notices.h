// Messages shown from more than one place.
#pragma once
#include <windows.h>

#include <string>

// "INIファイルの保存に失敗しました。" with the caption "エラー".
void ShowSaveFailure(HWND owner);
// A calendar.ini that was no text was kept under path before the calendar
// wrote its own content: the user is told where.
void ShowKeptCopy(const std::wstring &path);
