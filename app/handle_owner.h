// Small owners for every handle kind the program holds, so no path can
// forget to close one: one template, after wil's unique_any, with a policy
// per kind, plus owners for device contexts and a selection guard. Declare
// an object before its SelectGuard: the guard then restores the old
// selection before the object is deleted.
#pragma once
#include <windows.h>

#include <utility>

// Policy: Handle, the value that means none, and how to close one.
template <typename Policy> class UniqueHandle {
public:
  using Handle = typename Policy::Handle;
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
  explicit operator bool() const { return handle_ != Policy::None(); }
  void Reset(Handle handle = Policy::None()) {
    if (*this)
      Policy::Close(handle_);
    handle_ = handle;
  }
  Handle Release() { return std::exchange(handle_, Policy::None()); }

private:
  Handle handle_ = Policy::None();
};

// CreateFileW and FindFirstFileW mean none by INVALID_HANDLE_VALUE, the
// other kernel calls by null.
struct FilePolicy {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
struct KernelPolicy {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
struct FindPolicy {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { FindClose(handle); }
};
struct MenuPolicy {
  using Handle = HMENU;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { DestroyMenu(handle); }
};
template <typename Object> struct GdiPolicy {
  using Handle = Object;
  static Handle None() { return nullptr; }
  static void Close(Handle handle) { DeleteObject(handle); }
};

using FileOwner = UniqueHandle<FilePolicy>;
using KernelOwner = UniqueHandle<KernelPolicy>; // events, threads, processes
using FindOwner = UniqueHandle<FindPolicy>;
using MenuOwner = UniqueHandle<MenuPolicy>;
using FontOwner = UniqueHandle<GdiPolicy<HFONT>>;
using BrushOwner = UniqueHandle<GdiPolicy<HBRUSH>>;
using PenOwner = UniqueHandle<GdiPolicy<HPEN>>;
using BitmapOwner = UniqueHandle<GdiPolicy<HBITMAP>>;

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
