// Small owners for every handle kind the program holds, so no path can
// forget to close one: one template, after wil's unique_any, with a policy
// per kind, plus owners for device contexts and a selection guard. Declare
// an object before its SelectGuard: the guard then restores the old
// selection before the object is deleted.
#pragma once
#include <windows.h>

#include <utility>

// How each kind is closed.
struct CloseKernelHandle {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFindHandle {
  void operator()(HANDLE handle) const { FindClose(handle); }
};
struct CloseMenu {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct CloseGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// Owns one handle of a kind: Close closes it, None is the value that means
// there is none (-1 for CreateFileW and FindFirstFileW, null elsewhere).
template <typename Handle, typename Close, LONG_PTR None = 0> class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle &&other) noexcept : handle_(other.Release()) {}
  UniqueHandle &operator=(UniqueHandle &&other) noexcept {
    if (this != &other)
      Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle &) = delete;
  UniqueHandle &operator=(const UniqueHandle &) = delete;
  ~UniqueHandle() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != NoHandle(); }
  void Reset(Handle handle = NoHandle()) {
    if (*this)
      Close()(handle_);
    handle_ = handle;
  }
  Handle Release() { return std::exchange(handle_, NoHandle()); }

private:
  static Handle NoHandle() { return reinterpret_cast<Handle>(None); }
  Handle handle_ = NoHandle();
};

using FileOwner = UniqueHandle<HANDLE, CloseKernelHandle, -1>;
using KernelOwner = UniqueHandle<HANDLE, CloseKernelHandle>; // events, threads, processes
using FindOwner = UniqueHandle<HANDLE, CloseFindHandle, -1>;
using MenuOwner = UniqueHandle<HMENU, CloseMenu>;
using FontOwner = UniqueHandle<HFONT, CloseGdiObject>;
using BrushOwner = UniqueHandle<HBRUSH, CloseGdiObject>;
using PenOwner = UniqueHandle<HPEN, CloseGdiObject>;
using BitmapOwner = UniqueHandle<HBITMAP, CloseGdiObject>;

// Runs an action when the scope ends, for a clean-up that has no handle
// (a COM initialisation, say).
template <typename Action> class ScopeExit {
public:
  explicit ScopeExit(Action action) : action_(std::move(action)) {}
  ScopeExit(const ScopeExit &) = delete;
  ScopeExit &operator=(const ScopeExit &) = delete;
  ~ScopeExit() { action_(); }

private:
  Action action_;
};

// A memory DC from CreateCompatibleDC.
class MemoryDc {
public:
  explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  MemoryDc(const MemoryDc &) = delete;
  MemoryDc &operator=(const MemoryDc &) = delete;
  ~MemoryDc() {
    if (dc_)
      DeleteDC(dc_);
  }
  HDC Get() const { return dc_; }

private:
  HDC dc_;
};

// A window's (or, with a null window, the screen's) DC from GetDC.
class WindowDc {
public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc &) = delete;
  WindowDc &operator=(const WindowDc &) = delete;
  ~WindowDc() {
    if (dc_)
      ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and restores the previous one when it ends.
class SelectGuard {
public:
  SelectGuard(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  SelectGuard(const SelectGuard &) = delete;
  SelectGuard &operator=(const SelectGuard &) = delete;
  ~SelectGuard() {
    if (old_)
      SelectObject(dc_, old_);
  }

private:
  HDC dc_;
  HGDIOBJ old_;
};
