// Messages shown from more than one place.
#pragma once
#include <windows.h>

// "INIファイルの保存に失敗しました。" with the caption "エラー".
void ShowSaveFailure(HWND owner);
