// Colour themes: which colour set applies, reading it from the settings, and the dark or light window
// theme of the controls through uxtheme, which is loaded at run time and may be missing altogether.
#include <array>
#include <string>

#include "settings/settings.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

// AllowDarkModeForWindow is exported by ordinal only; SetWindowTheme by name.
using TAllowDarkMode = BOOL(WINAPI*)(HWND, BOOL);
using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

template <class Function>
Function Entry(HMODULE module, LPCSTR name) noexcept {
  if (!module) return nullptr;
  const FARPROC address = GetProcAddress(module, name);
  // Through the generic function type, which any function pointer converts to and from.
  return address ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address)) : nullptr;
}

// Dark or light window theme of one control; a missing library or entry point is skipped.
void SetDarkMode(const TLibrary& uxtheme, HWND control, bool dark) noexcept {
  if (!control || !IsWindow(control)) return;
  if (const auto allow = Entry<TAllowDarkMode>(uxtheme.Get(), MAKEINTRESOURCEA(133))) allow(control, dark);
  if (const auto setTheme = Entry<TSetWindowTheme>(uxtheme.Get(), "SetWindowTheme"))
    setTheme(control, dark ? L"DarkMode_Explorer" : nullptr, nullptr);
  SendMessageW(control, WM_THEMECHANGED, 0, 0);
}

COLORREF ReadColour(std::u16string_view key, bool dark) {
  std::u16string name(key);
  if (dark) name += u"-dark";
  return static_cast<COLORREF>(static_cast<unsigned>(ReadInteger(name)));
}

}  // namespace

bool TCsvViewer::IsDarkTheme() const noexcept {
  try {
    switch (ResolveThemeMode()) {
      case TThemeMode::Dark: return true;
      case TThemeMode::Light: return false;
      case TThemeMode::Tc: return hostDarkMode;
    }
  } catch (...) {
  }
  return hostDarkMode;
}

void TCsvViewer::ApplyHeaderWithoutStyles() noexcept {
  if (!header) return;
  TLibrary uxtheme(LoadLibraryW(L"uxtheme.dll"));
  // A blank class list turns the visual style off, so the header's own drawing is not painted over.
  if (const auto setTheme = Entry<TSetWindowTheme>(uxtheme.Get(), "SetWindowTheme")) setTheme(header, L" ", L" ");
}

void TCsvViewer::ApplyTheme() noexcept {
  const bool dark = IsDarkTheme();
  TLibrary uxtheme(LoadLibraryW(L"uxtheme.dll"));
  SetDarkMode(uxtheme, listView, dark);
  SetDarkMode(uxtheme, header, dark);
  ApplyHeaderWithoutStyles();
  SetDarkMode(uxtheme, statusBar, dark);
  if (statusBar) {
    SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(backColor));
    InvalidateRect(statusBar, nullptr, TRUE);
  }
  for (HWND edit : filterEdits) SetDarkMode(uxtheme, edit, dark);
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  themedAs = dark ? 1 : 0;
  themeStale = false;
}

void TCsvViewer::RefreshTheme() noexcept {
  // Re-theming repaints the whole grid at once; a resize of an already themed window needs none of it,
  // and new filter boxes need only their own theme.
  const bool dark = IsDarkTheme();
  if (themedAs != (dark ? 1 : 0)) {
    ApplyTheme();
    return;
  }
  if (!themeStale) return;
  TLibrary uxtheme(LoadLibraryW(L"uxtheme.dll"));
  for (HWND edit : filterEdits) SetDarkMode(uxtheme, edit, dark);
  themeStale = false;
}

void TCsvViewer::ChooseTheme(TThemeMode mode) {
  WriteThemeMode(mode);
  LoadColors();
}

void TCsvViewer::LoadColors() noexcept {
  try {
    const bool dark = IsDarkTheme();
    textColor = ReadColour(u"text-color", dark);
    backColor = ReadColour(u"back-color", dark);
    backColor2 = ReadColour(u"back-color2", dark);
    filterTextColor = ReadColour(u"filter-text-color", dark);
    filterBackColor = ReadColour(u"filter-back-color", dark);
    headerTextColor = ReadColour(u"header-text-color", dark);
    headerBackColor = ReadColour(u"header-back-color", dark);
    currentCellBackColor = ReadColour(u"current-cell-back-color", dark);
    selectionTextColor = ReadColour(u"selection-text-color", dark);
    selectionBackColor = ReadColour(u"selection-back-color", dark);
    lineNumberTextColor = ReadColour(u"line-number-text-color", dark);
    lineNumberBackColor = ReadColour(u"line-number-back-color", dark);
  } catch (...) {
    return;  // the previous colours stay
  }

  backBrush.Reset(CreateSolidBrush(backColor));
  filterBackBrush.Reset(CreateSolidBrush(filterBackColor));
  if (listView) {
    ListView_SetTextColor(listView, textColor);
    ListView_SetBkColor(listView, backColor);
    ListView_SetTextBkColor(listView, backColor);
  }
  if (statusBar) SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(backColor));
  ApplyTheme();

  constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
  if (header) RedrawWindow(header, nullptr, nullptr, kRedrawNow);
  if (listView) RedrawWindow(listView, nullptr, nullptr, kRedrawNow);
  for (HWND edit : filterEdits)
    if (edit) InvalidateRect(edit, nullptr, TRUE);
  if (loadingLabel) InvalidateRect(loadingLabel, nullptr, TRUE);
  if (statusBar) InvalidateRect(statusBar, nullptr, TRUE);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

}  // namespace qelvar
