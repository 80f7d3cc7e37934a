#pragma once
// Owners of the window and drawing handles the controls create: each releases its handle once;
// copying is deleted, moving hands ownership over.
#include <windows.h>

#include <utility>

namespace platform::win32 {

template <typename Handle, typename Traits>
class UniqueOwner {
 public:
  UniqueOwner() = default;
  explicit UniqueOwner(Handle h) : handle_(h) {}
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;
  UniqueOwner(UniqueOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueOwner& operator=(UniqueOwner&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.handle_, nullptr));
    }
    return *this;
  }
  ~UniqueOwner() { Reset(); }

  [[nodiscard]] Handle Get() const { return handle_; }
  [[nodiscard]] explicit operator bool() const { return handle_ != nullptr; }
  void Reset(Handle h = nullptr) {
    if (handle_ != nullptr) {
      Traits::Release(handle_);
    }
    handle_ = h;
  }
  // Gives up ownership without releasing (for a handle the system has taken over).
  Handle Release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_ = nullptr;
};

struct WindowTraits {
  static void Release(HWND h) { ::DestroyWindow(h); }
};
struct GdiObjectTraits {
  static void Release(HGDIOBJ h) { ::DeleteObject(h); }
};

// A window with no handler of ours behind it (a system control, a test's form), destroyed as it is.
using UniqueHwnd = UniqueOwner<HWND, WindowTraits>;
using UniqueFont = UniqueOwner<HFONT, GdiObjectTraits>;
using UniqueBrush = UniqueOwner<HBRUSH, GdiObjectTraits>;
using UniqueRegion = UniqueOwner<HRGN, GdiObjectTraits>;

// A device context taken with GetDC and given back with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_ != nullptr) {
      ::ReleaseDC(window_, dc_);
    }
  }
  [[nodiscard]] HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintDC {
 public:
  explicit PaintDC(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  ~PaintDC() { ::EndPaint(window_, &paint_); }
  [[nodiscard]] HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects an object into a device context for one scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) {
      ::SelectObject(dc_, previous_);
    }
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace platform::win32
