// One small owner for each kind of Windows handle that the viewer, the stand-in host, the tests and the
// benchmarks hold: GDI objects, device contexts, kernel and find handles, hooks, menus, loaded modules and
// memory from LocalAlloc and GlobalAlloc. Each frees its handle exactly once; copies are deleted, so that a
// handle can never be freed twice, and moves hand the handle on.
//
// Header-only and free of the rest of the project: every Windows target may include it.
#pragma once

#include <windows.h>

#include <utility>

namespace qelvar {

// An owned handle: `Traits` says what an empty handle is and how a handle is freed.
template <class Traits>
class TOwned {
 public:
  using Handle = typename Traits::Handle;

  TOwned() noexcept = default;
  explicit TOwned(Handle handle) noexcept : handle_(handle) {}
  ~TOwned() { Reset(); }
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  TOwned(TOwned&& other) noexcept : handle_(other.Release()) {}
  TOwned& operator=(TOwned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Traits::IsValid(handle_); }
  // Frees the handle held (unless it is `handle` itself) and holds `handle` instead.
  void Reset(Handle handle = Traits::Empty()) noexcept {
    if (Traits::IsValid(handle_) && handle_ != handle) Traits::Free(handle_);
    handle_ = handle;
  }
  // Gives the handle up without freeing it.
  Handle Release() noexcept { return std::exchange(handle_, Traits::Empty()); }

 private:
  Handle handle_ = Traits::Empty();
};

namespace handle_traits {

// Handles whose empty value is null.
template <class H, auto FreeFunction>
struct TNullable {
  using Handle = H;
  static constexpr Handle Empty() noexcept { return nullptr; }
  static bool IsValid(Handle handle) noexcept { return handle != nullptr; }
  static void Free(Handle handle) noexcept { FreeFunction(handle); }
};

inline void DeleteGdiObject(HGDIOBJ object) noexcept { DeleteObject(object); }
inline void DeleteMemoryDC(HDC dc) noexcept { DeleteDC(dc); }
inline void CloseKernelHandle(HANDLE handle) noexcept { CloseHandle(handle); }
inline void CloseFind(HANDLE find) noexcept { FindClose(find); }
inline void Unhook(HHOOK hook) noexcept { UnhookWindowsHookEx(hook); }
inline void DestroyMenuHandle(HMENU menu) noexcept { DestroyMenu(menu); }
inline void UnloadModule(HMODULE module) noexcept { FreeLibrary(module); }
inline void FreeLocal(void* memory) noexcept { LocalFree(memory); }
inline void FreeGlobal(HGLOBAL memory) noexcept { GlobalFree(memory); }

// Kernel handles: CreateFileW reports failure as INVALID_HANDLE_VALUE, most others as null.
template <auto FreeFunction>
struct TKernel {
  using Handle = HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static bool IsValid(Handle handle) noexcept { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Free(Handle handle) noexcept { FreeFunction(handle); }
};

}  // namespace handle_traits

// GDI objects, deleted with DeleteObject.
using TFont = TOwned<handle_traits::TNullable<HFONT, handle_traits::DeleteGdiObject>>;
using TBrush = TOwned<handle_traits::TNullable<HBRUSH, handle_traits::DeleteGdiObject>>;
using TPen = TOwned<handle_traits::TNullable<HPEN, handle_traits::DeleteGdiObject>>;
using TBitmap = TOwned<handle_traits::TNullable<HBITMAP, handle_traits::DeleteGdiObject>>;
// A memory device context (CreateCompatibleDC), deleted with DeleteDC.
using TMemoryDC = TOwned<handle_traits::TNullable<HDC, handle_traits::DeleteMemoryDC>>;
// A kernel handle (file, process, thread ...), closed with CloseHandle.
using THandle = TOwned<handle_traits::TKernel<handle_traits::CloseKernelHandle>>;
// A search of FindFirstFileW, closed with FindClose.
using TFindHandle = TOwned<handle_traits::TKernel<handle_traits::CloseFind>>;
using THook = TOwned<handle_traits::TNullable<HHOOK, handle_traits::Unhook>>;
// A menu, destroyed with DestroyMenu (its submenus with it).
using TMenu = TOwned<handle_traits::TNullable<HMENU, handle_traits::DestroyMenuHandle>>;
// A module of LoadLibraryW, freed with FreeLibrary.
using TLibrary = TOwned<handle_traits::TNullable<HMODULE, handle_traits::UnloadModule>>;
// Memory that a system function allocated with LocalAlloc (CommandLineToArgvW), freed with LocalFree.
template <class Pointer>
using TLocalMemory = TOwned<handle_traits::TNullable<Pointer, handle_traits::FreeLocal>>;
// Memory of GlobalAlloc, freed with GlobalFree unless handed on (to the clipboard) with Release.
using TGlobalMemory = TOwned<handle_traits::TNullable<HGLOBAL, handle_traits::FreeGlobal>>;

// Undoes a change of a device context on destruction: `Undo(dc, saved)` runs when `saved` is set.
template <class Saved, void (*Undo)(HDC, Saved)>
class TDCChange {
 public:
  TDCChange(HDC dc, Saved saved) noexcept : dc_(dc), saved_(saved) {}
  ~TDCChange() {
    if (saved_) Undo(dc_, saved_);
  }
  TDCChange(const TDCChange&) = delete;
  TDCChange& operator=(const TDCChange&) = delete;

 private:
  HDC dc_;
  Saved saved_;
};

namespace handle_traits {
inline void SelectBack(HDC dc, HGDIOBJ previous) noexcept { SelectObject(dc, previous); }
inline void Restore(HDC dc, int id) noexcept { RestoreDC(dc, id); }
}  // namespace handle_traits

// Selects an object into a device context and selects the previous one back on destruction. A null object
// selects nothing.
class TSelectObject : public TDCChange<HGDIOBJ, handle_traits::SelectBack> {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) noexcept
      : TDCChange(dc, dc && object ? SelectObject(dc, object) : nullptr) {}
};

// SaveDC / RestoreDC around a stretch of drawing that changes the clip region, colours or modes.
class TSavedDC : public TDCChange<int, handle_traits::Restore> {
 public:
  explicit TSavedDC(HDC dc) noexcept : TDCChange(dc, dc ? SaveDC(dc) : 0) {}
};

// A device context borrowed from a window for a while; check it with operator bool.
class TBorrowedDC {
 public:
  TBorrowedDC(const TBorrowedDC&) = delete;
  TBorrowedDC& operator=(const TBorrowedDC&) = delete;
  HDC Get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 protected:
  TBorrowedDC(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
  ~TBorrowedDC() = default;
  HWND window_;
  HDC dc_;
};

// The device context of a window's client area (GetDC / ReleaseDC); none for a null window.
class TWindowDC : public TBorrowedDC {
 public:
  explicit TWindowDC(HWND window) noexcept : TBorrowedDC(window, window ? GetDC(window) : nullptr) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
};

// BeginPaint / EndPaint for one WM_PAINT.
class TPaintDC : public TBorrowedDC {
 public:
  explicit TPaintDC(HWND window) noexcept : TBorrowedDC(window, nullptr) { dc_ = BeginPaint(window, &paint_); }
  ~TPaintDC() { EndPaint(window_, &paint_); }

 private:
  PAINTSTRUCT paint_{};
};

// Registers a window class of `instance` once per process: the one place where the viewer, the stand-in
// host, the tests and the benchmarks register their classes. A class of that name with the same procedure
// is kept; one with another procedure (left by an earlier copy of a module that was unloaded and loaded
// again, whose code is gone) is replaced. `background` is a system colour index (COLOR_WINDOW ...).
inline bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background,
                                HICON icon = nullptr) noexcept {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name, &existing)) {
    if (existing.lpfnWndProc == procedure) return true;
    UnregisterClassW(name, instance);
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

// Painting of a window paused for a bulk change (WM_SETREDRAW), resumed and the window repainted with its
// children at the end of the scope.
class TRedrawPaused {
 public:
  explicit TRedrawPaused(HWND window) noexcept : window_(window) {
    if (window_) SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  }
  ~TRedrawPaused() {
    if (!window_ || !IsWindow(window_)) return;
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  TRedrawPaused(const TRedrawPaused&) = delete;
  TRedrawPaused& operator=(const TRedrawPaused&) = delete;

 private:
  HWND window_;
};

}  // namespace qelvar
