#include "app/notices.h"

void ShowSaveFailure(HWND owner) {
  MessageBoxW(owner, L"INIファイルの保存に失敗しました。", L"エラー", MB_OK | MB_ICONERROR);
}
