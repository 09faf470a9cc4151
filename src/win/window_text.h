// A window's text as the model's UTF-16 string. Header-only and free of the rest of the project, like the
// whole kit.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

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

}  // namespace qelvar
