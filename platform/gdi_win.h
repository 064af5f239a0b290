// Owners of GDI and USER handles. Each frees its handle exactly once; none can be copied, so a handle
// cannot end up with two owners. The clock and the tray redraw for days: a handle lost per tick would
// exhaust the process's GDI quota within weeks.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/object_count_win.h"

namespace lumvo {

// HFONT, HBRUSH, HPEN, HBITMAP, HRGN: released with DeleteObject.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T handle) : handle_(handle) {
    if (handle_) OwnedCount::Taken(kKind);
  }
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, nullptr));
    return *this;
  }

  T Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset(T handle = nullptr) {
    if (handle_) {
      DeleteObject(handle_);
      OwnedCount::Gone(kKind);
    }
    handle_ = handle;
    if (handle_) OwnedCount::Taken(kKind);
  }
  // Hands the handle to an owner outside the program (SetWindowRgn takes the region).
  T Release() {
    if (handle_) OwnedCount::Gone(kKind);
    return std::exchange(handle_, nullptr);
  }

 private:
  static constexpr Owned kKind = OwnedKindOf<T>::kind;
  T handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using BitmapHandle = GdiObject<HBITMAP>;
using RegionHandle = GdiObject<HRGN>;

class IconHandle {
 public:
  IconHandle() = default;
  explicit IconHandle(HICON icon) : icon_(icon) {
    if (icon_) OwnedCount::Taken(Owned::Icon);
  }
  ~IconHandle() { Reset(); }
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;
  IconHandle(IconHandle&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  IconHandle& operator=(IconHandle&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.icon_, nullptr));
    return *this;
  }
  HICON Get() const { return icon_; }
  explicit operator bool() const { return icon_ != nullptr; }
  void Reset(HICON icon = nullptr) {
    if (icon_) {
      DestroyIcon(icon_);
      OwnedCount::Gone(Owned::Icon);
    }
    icon_ = icon;
    if (icon_) OwnedCount::Taken(Owned::Icon);
  }

 private:
  HICON icon_ = nullptr;
};

class MenuHandle {
 public:
  explicit MenuHandle(HMENU menu) : menu_(menu) {
    if (menu_) OwnedCount::Taken(Owned::Menu);
  }
  ~MenuHandle() {
    if (!menu_) return;
    DestroyMenu(menu_);
    OwnedCount::Gone(Owned::Menu);
  }
  MenuHandle(const MenuHandle&) = delete;
  MenuHandle& operator=(const MenuHandle&) = delete;
  HMENU Get() const { return menu_; }

 private:
  HMENU menu_;
};

// A memory device context compatible with the screen.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_) OwnedCount::Taken(Owned::MemoryDc);
  }
  ~MemoryDc() {
    if (!dc_) return;
    DeleteDC(dc_);
    OwnedCount::Gone(Owned::MemoryDc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// GetDC / GetWindowDC paired with ReleaseDC.
class WindowDc {
 public:
  WindowDc(HWND hwnd, bool wholeWindow) : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {
    if (dc_) OwnedCount::Taken(Owned::WindowDc);
  }
  ~WindowDc() {
    if (!dc_) return;
    ReleaseDC(hwnd_, dc_);
    OwnedCount::Gone(Owned::WindowDc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd_, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Get() const { return ps_.hdc; }
  const RECT& Area() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

// An object selected into a DC for the scope; the DC's previous object comes back at the end, so the
// owner of the selected object can delete it afterwards.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectScope() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC / RestoreDC around drawing that changes colours, modes or the viewport origin.
class DcStateScope {
 public:
  explicit DcStateScope(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~DcStateScope() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  DcStateScope(const DcStateScope&) = delete;
  DcStateScope& operator=(const DcStateScope&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace lumvo
