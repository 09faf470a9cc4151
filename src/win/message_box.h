// The plug-in's message boxes: one caption, one way to show text in the model's UTF-16. Header-only and
// free of the rest of the project, like the whole kit.
#pragma once

#include <windows.h>

#include <string>

#include "win/focus.h"

namespace qelvar {

// A box with `type`'s buttons and icon over `owner` (null: no owner), caption "qelvar". Runs a modal
// loop; the answer, or 0 when the box could not be shown. The focus goes back to the owner's control that
// had it (TFocusKeeper). Never throws.
inline int ShowMessageBox(HWND owner, const std::u16string& text, UINT type) noexcept {
  const TFocusKeeper focus(owner);
  return MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), L"qelvar", type);
}

}  // namespace qelvar
