#include "viewer/look/theme.h"

#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "settings/settings.h"

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

COLORREF ReadColour(std::u16string_view key, bool dark) {
  std::u16string name(key);
  if (dark) name += u"-dark";
  return static_cast<COLORREF>(static_cast<unsigned>(ReadInteger(name)));
}

}  // namespace

bool TTheme::Load(bool dark) noexcept {
  struct TColourKey {
    COLORREF TPalette::*field;
    std::u16string_view key;  // the light theme's key; the dark theme's has the suffix "-dark"
  };
  static constexpr TColourKey kColours[] = {
      {&TPalette::text, u"text-color"}, {&TPalette::back, u"back-color"},
      {&TPalette::back2, u"back-color2"}, {&TPalette::currentCellBack, u"current-cell-back-color"},
      {&TPalette::filterText, u"filter-text-color"}, {&TPalette::filterBack, u"filter-back-color"},
      {&TPalette::headerText, u"header-text-color"}, {&TPalette::headerBack, u"header-back-color"},
      {&TPalette::selectionText, u"selection-text-color"}, {&TPalette::selectionBack, u"selection-back-color"},
      {&TPalette::lineNumberText, u"line-number-text-color"},
      {&TPalette::lineNumberBack, u"line-number-back-color"},
  };
  TPalette read;
  try {
    for (const TColourKey& colour : kColours) read.*colour.field = ReadColour(colour.key, dark);
  } catch (...) {
    return false;
  }
  palette_ = read;
  backBrush_.Reset(CreateSolidBrush(palette_.back));
  filterBackBrush_.Reset(CreateSolidBrush(palette_.filterBack));
  return true;
}

void TTheme::MarkCarried(bool dark) noexcept {
  carried_ = dark ? 1 : 0;
  stale_ = false;
}

TWindowThemer::TWindowThemer() noexcept : uxtheme_(LoadLibraryW(L"uxtheme.dll")) {}

void TWindowThemer::SetDark(HWND control, bool dark) const noexcept {
  if (!control || !IsWindow(control)) return;
  if (const auto allow = Entry<TAllowDarkMode>(uxtheme_.Get(), MAKEINTRESOURCEA(133))) allow(control, dark);
  if (const auto setTheme = Entry<TSetWindowTheme>(uxtheme_.Get(), "SetWindowTheme"))
    setTheme(control, dark ? L"DarkMode_Explorer" : nullptr, nullptr);
  SendMessageW(control, WM_THEMECHANGED, 0, 0);
}

void TWindowThemer::RemoveVisualStyle(HWND control) const noexcept {
  if (!control) return;
  if (const auto setTheme = Entry<TSetWindowTheme>(uxtheme_.Get(), "SetWindowTheme")) setTheme(control, L" ", L" ");
}

}  // namespace qelvar
