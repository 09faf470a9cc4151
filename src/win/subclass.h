// Subclassing a child control: the control carries its owner in the window property "QelvarViewer" and
// its previous procedure in "QelvarOldWndProc", so that a procedure shared by many controls finds both
// from the handle alone. Header-only.
#pragma once

#include <windows.h>

namespace qelvar {

inline constexpr wchar_t kSubclassOwnerProperty[] = L"QelvarViewer";
inline constexpr wchar_t kSubclassPreviousProperty[] = L"QelvarOldWndProc";

// Gives `control` the procedure `procedure` and remembers `owner` and the previous procedure. Nothing for
// a null or dead window.
inline void Subclass(HWND control, WNDPROC procedure, void* owner) noexcept {
  if (!control || !IsWindow(control)) return;
  SetPropW(control, kSubclassOwnerProperty, owner);
  const LONG_PTR previous = SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  SetPropW(control, kSubclassPreviousProperty, reinterpret_cast<HANDLE>(previous));
}

// The owner given to Subclass, or null (also for a null window).
inline void* SubclassOwner(HWND control) noexcept {
  return control ? GetPropW(control, kSubclassOwnerProperty) : nullptr;
}

// The procedure the control had before Subclass, or null.
inline WNDPROC PreviousProcedure(HWND control) noexcept {
  return reinterpret_cast<WNDPROC>(GetPropW(control, kSubclassPreviousProperty));
}

// The message handled by `previous`, or by the default procedure when there is none.
inline LRESULT CallPrevious(WNDPROC previous, HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return previous ? CallWindowProcW(previous, control, message, wParam, lParam)
                  : DefWindowProcW(control, message, wParam, lParam);
}

// Forgets both properties: for WM_NCDESTROY, after the previous procedure ran.
inline void ForgetSubclass(HWND control) noexcept {
  RemovePropW(control, kSubclassOwnerProperty);
  RemovePropW(control, kSubclassPreviousProperty);
}

// Gives the control its previous procedure back and forgets both properties (a control that outlives its
// owner's interest in it).
inline void Unsubclass(HWND control) noexcept {
  if (const WNDPROC previous = PreviousProcedure(control))
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  ForgetSubclass(control);
}

}  // namespace qelvar
