#include "tests/support/dialog_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "app/app_state.h"
#include "tests/support/test_support.h"

namespace {

DialogDriver *activeDriver = nullptr;

// Enabled, visible dialogs of this thread: the innermost modal window, and
// any modeless dialog that is not covered by one.
BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (wcscmp(className, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND> *>(data)->push_back(window);
  return TRUE;
}

std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

} // namespace

DialogDriver::DialogDriver(std::vector<DialogStep> steps) : steps_(std::move(steps)) {}

void DialogDriver::Run(const std::function<void()> &action) {
  activeDriver = this;
  UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Tick);
  action();
  KillTimer(nullptr, timer);
  activeDriver = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (activeDriver && !activeDriver->busy_) {
    activeDriver->busy_ = true;
    activeDriver->Step();
    activeDriver->busy_ = false;
  }
}

void DialogDriver::Step() {
  std::vector<HWND> dialogs;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  for (HWND dialog : dialogs) {
    if (std::find(ignored_.begin(), ignored_.end(), dialog) != ignored_.end() ||
        std::find(ignoredCaptions_.begin(), ignoredCaptions_.end(), Caption(dialog)) !=
            ignoredCaptions_.end())
      continue;
    if (done_ < steps_.size() && Caption(dialog) == steps_[done_].caption) {
      steps_[done_++].act(dialog);
    } else {
      ++unexpected_;
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
    return;
  }
}

void PostButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Press(HWND dialog, int id) {
  SendTo(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
         reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Click(HWND dialog, int id) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::wstring &text) {
  HWND field = GetDlgItem(dialog, id);
  SendTo(field, EM_SETSEL, 0, -1);
  SendTo(field, WM_CHAR, VK_BACK, 1);
  for (wchar_t key : text)
    SendTo(field, WM_CHAR, key == L'\n' ? L'\r' : key, 1);
}

void SetText(HWND dialog, int id, const std::wstring &text) {
  SendTo(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Asked by message: GetWindowText does not ask another process's control.
std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::wstring text(static_cast<size_t>(SendTo(control, WM_GETTEXTLENGTH)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendTo(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

std::wstring MessageBoxText(HWND box) {
  return ControlText(box, 0xFFFF);
}

bool WaitUntilGone(HWND window) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void PrepareDialogTests() {
  g_app.instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}
