// The plug-in's message boxes: one caption, one way to show text in the model's UTF-16. Header-only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/wide.h"

namespace qelvar {

// A box with `type`'s buttons and icon over `owner` (null: no owner), caption "qelvar". Runs a modal
// loop; the answer, or 0 when the box could not be shown. Never throws.
inline int ShowMessageBox(HWND owner, const std::u16string& text, UINT type) noexcept {
  return MessageBoxW(owner, Wide(text), L"qelvar", type);
}

}  // namespace qelvar
