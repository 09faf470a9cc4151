// Small owners of GDI objects and device contexts. Each frees its handle exactly once; copies are deleted
// so that a handle can never be freed twice, moves hand the handle on.
#pragma once

#include <windows.h>

#include <utility>

namespace qelvar {

// A font, brush or pen created by the viewer and deleted with DeleteObject.
template <class Handle>
class TGdiObject {
 public:
  TGdiObject() noexcept = default;
  explicit TGdiObject(Handle handle) noexcept : handle_(handle) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  TGdiObject(TGdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  void Reset(Handle handle = nullptr) noexcept {
    if (handle_ && handle_ != handle) DeleteObject(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TPen = TGdiObject<HPEN>;

// The device context of a window's client area (GetDC / ReleaseDC). Check it with operator bool.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) noexcept : window_(window), dc_(window ? GetDC(window) : nullptr) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;

  HDC Get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and selects the previous one back on destruction. A null object
// selects nothing.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC / RestoreDC around a stretch of drawing that changes the clip region, colours or modes.
class TSavedDC {
 public:
  explicit TSavedDC(HDC dc) noexcept : dc_(dc), id_(dc ? SaveDC(dc) : 0) {}
  ~TSavedDC() {
    if (id_ != 0) RestoreDC(dc_, id_);
  }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC dc_;
  int id_;
};

// A module loaded for a while with LoadLibraryW and freed again (the optional uxtheme).
class TLibrary {
 public:
  explicit TLibrary(const wchar_t* name) noexcept : module_(LoadLibraryW(name)) {}
  ~TLibrary() {
    if (module_) FreeLibrary(module_);
  }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;

  HMODULE Get() const noexcept { return module_; }
  explicit operator bool() const noexcept { return module_ != nullptr; }

 private:
  HMODULE module_;
};

}  // namespace qelvar
