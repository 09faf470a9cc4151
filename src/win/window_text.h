// A window's text as the model's UTF-16 string. Header-only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/wide.h"

namespace qelvar {

// The whole text of `window` (empty for a null window or when it has none). Allocates.
inline std::u16string WindowText(HWND window) {
  if (!window) return {};
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(std::max(length, 0)) + 1, u'\0');
  const int copied = GetWindowTextW(window, AsWide(text.data()), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::clamp(copied, 0, static_cast<int>(text.size()) - 1)));
  return text;
}

}  // namespace qelvar
