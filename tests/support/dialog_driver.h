// Drives the modal dialogs a unit test opens on its own thread. A thread
// timer, dispatched by the modal loops themselves, looks for the window the
// next step waits for (by caption) and hands it to the step; a dialog that
// no step waits for is closed and counted, so a test never hangs on it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct DialogStep {
  std::wstring caption;
  // Acts on the dialog; it ends with a posted command (a button that opens
  // or closes a modal window must be posted, not sent).
  std::function<void(HWND dialog)> act;
};

class DialogDriver {
public:
  explicit DialogDriver(std::vector<DialogStep> steps = {});
  DialogDriver(const DialogDriver &) = delete;
  DialogDriver &operator=(const DialogDriver &) = delete;

  // Runs action (which opens modal dialogs and returns when they end) while
  // the steps play.
  void Run(const std::function<void()> &action);
  size_t StepsDone() const { return done_; }
  size_t StepCount() const { return steps_.size(); }
  int Unexpected() const { return unexpected_; }
  // Windows that are neither steps nor unexpected (a modeless dialog under test).
  void Ignore(HWND window) { ignored_.push_back(window); }
  // Windows with this caption, whenever they come (a progress window).
  void IgnoreCaption(const std::wstring &caption) { ignoredCaptions_.push_back(caption); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Step();

  std::vector<DialogStep> steps_;
  std::vector<HWND> ignored_;
  std::vector<std::wstring> ignoredCaptions_;
  size_t done_ = 0;
  int unexpected_ = 0;
  bool busy_ = false;
};

// Points g_app.instance at the test program, whose resources hold the
// dialog templates, and loads the common controls.
void PrepareDialogTests();

// Driving controls by message, of this process or of the running program.
// Posts a button's command to its dialog, as a click would: a button that
// opens or closes a modal window must be posted, not sent.
void PostButton(HWND dialog, int id);
// Sends a button's command and returns once the dialog has handled it.
void Press(HWND dialog, int id);
// Posts a click to the button itself (a check box toggles, then commands).
void Click(HWND dialog, int id);
// Replaces a field's content key by key, as typing over a selection does.
void Type(HWND dialog, int id, const std::wstring &text);
// Replaces a field's content at once, as a paste does.
void SetText(HWND dialog, int id, const std::wstring &text);
// Text of a control, and of a standard message box's message.
std::wstring ControlText(HWND dialog, int id);
std::wstring MessageBoxText(HWND box);
// Waits until the window is destroyed or hidden; false on time-out.
bool WaitUntilGone(HWND window);
