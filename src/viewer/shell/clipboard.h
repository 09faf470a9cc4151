// The clipboard: text written as CF_UNICODETEXT.
#pragma once

#include <windows.h>

#include <string_view>

namespace qelvar {

// Writes `text` as CF_UNICODETEXT for `owner`. The memory is filled before the clipboard is opened, so a
// failure (no memory, the clipboard held by another program) leaves the clipboard as it was: false.
bool SetClipboardText(HWND owner, std::u16string_view text) noexcept;

}  // namespace qelvar
