// Texts of windows and device contexts in the model's UTF-16 strings, and the id of a child control.
// Header-only and free of the rest of the project, like the whole kit.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16 on Windows");

namespace qelvar {

// The whole text of `window` (empty for a null window or when it has none). Allocates.
inline std::u16string WindowText(HWND window) {
  if (!window) return {};
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
  const int copied = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::clamp(copied, 0, static_cast<int>(text.size()) - 1)));
  return text;
}

// Sets the whole text of `window`; nothing for a null window.
inline void SetText(HWND window, const std::u16string& text) noexcept {
  if (window) SetWindowTextW(window, reinterpret_cast<const wchar_t*>(text.c_str()));
}

// The width in pixels of `text` in the font selected into `dc`; 0 for an empty text or when it cannot be
// measured.
inline int TextWidth(HDC dc, std::u16string_view text) noexcept {
  if (text.empty()) return 0;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &size))
    return 0;
  return size.cx;
}

// A child control's id where CreateWindowExW takes it: in the menu parameter.
inline HMENU ControlId(int id) noexcept { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

}  // namespace qelvar
