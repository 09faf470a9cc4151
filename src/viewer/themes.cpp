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
  SetDarkMode(uxtheme, transformList, dark);
  SetDarkMode(uxtheme, transformInput, dark);
  // The panel's buttons paint their theme's colours themselves.
  for (HWND button : transformButtons)
    if (button) InvalidateRect(button, nullptr, TRUE);
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
  struct TColourKey {
    COLORREF TCsvViewer::*field;
    std::u16string_view key;  // the light theme's key; the dark theme's has the suffix "-dark"
  };
  // Text and background of each part of the grid.
  static constexpr TColourKey kColours[] = {
      {&TCsvViewer::textColor, u"text-color"}, {&TCsvViewer::backColor, u"back-color"},
      {&TCsvViewer::backColor2, u"back-color2"}, {&TCsvViewer::currentCellBackColor, u"current-cell-back-color"},
      {&TCsvViewer::filterTextColor, u"filter-text-color"}, {&TCsvViewer::filterBackColor, u"filter-back-color"},
      {&TCsvViewer::headerTextColor, u"header-text-color"}, {&TCsvViewer::headerBackColor, u"header-back-color"},
      {&TCsvViewer::selectionTextColor, u"selection-text-color"},
      {&TCsvViewer::selectionBackColor, u"selection-back-color"},
      {&TCsvViewer::lineNumberTextColor, u"line-number-text-color"},
      {&TCsvViewer::lineNumberBackColor, u"line-number-back-color"},
  };
  std::array<COLORREF, std::size(kColours)> read{};
  try {
    const bool dark = IsDarkTheme();
    for (std::size_t i = 0; i < read.size(); ++i) read[i] = ReadColour(kColours[i].key, dark);
  } catch (...) {
    return;  // the previous colours stay, all of them
  }
  for (std::size_t i = 0; i < read.size(); ++i) this->*kColours[i].field = read[i];

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
