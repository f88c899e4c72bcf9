// Small owners for GDI objects and device contexts, so every paint path
// releases what it made. Declare an object before its SelectGuard: the
// guard then restores the old selection before the object is deleted.
#pragma once
#include <windows.h>

#include <utility>

template <typename Handle> class GdiObject {
public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(GdiObject &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject &operator=(GdiObject &&other) noexcept {
    if (this != &other)
      Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject &) = delete;
  GdiObject &operator=(const GdiObject &) = delete;
  ~GdiObject() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(Handle handle = nullptr) {
    if (handle_)
      DeleteObject(handle_);
    handle_ = handle;
  }

private:
  Handle handle_ = nullptr;
};

using FontOwner = GdiObject<HFONT>;
using BrushOwner = GdiObject<HBRUSH>;
using PenOwner = GdiObject<HPEN>;
using BitmapOwner = GdiObject<HBITMAP>;

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
