#include "app/notices.h"

#include "app/app_state.h"

void ShowSaveFailure(HWND owner) {
  MessageBoxW(owner, L"INIファイルの保存に失敗しました。", L"エラー", MB_OK | MB_ICONERROR);
}

void ShowKeptCopy(const std::wstring &path) {
  if (g_app.silent)
    return;
  const std::wstring text =
      L"calendar.ini はテキストとして読めなかったため、元のファイルを次の名前で"
      L"残してから新しい内容を保存しました。\n" +
      path;
  MessageBoxW(g_app.mainWindow, text.c_str(), L"警告", MB_OK | MB_ICONWARNING);
}
