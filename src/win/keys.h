// The keyboard state as the thread sees it now (GetKeyState follows the messages already handled, which
// is what a key handler must judge a shortcut by). Header-only.
#pragma once

#include <windows.h>

namespace qelvar {

// Whether the virtual key `key` (VK_CONTROL, VK_SHIFT, VK_MENU, ...) is held.
inline bool KeyHeld(int key) noexcept { return GetKeyState(key) < 0; }

}  // namespace qelvar
