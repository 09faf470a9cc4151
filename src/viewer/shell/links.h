// What the viewer hands to the shell's "open" verb. The shell runs whatever is registered for a scheme or
// a file type: callers pass a cell's link through the allowlist (grid/safe_link.h) first.
#pragma once

#include <windows.h>

#include <string>

namespace qelvar {

// Opens `target` (a link or a file) with the shell for `owner`; false when the shell refused.
bool OpenWithShell(HWND owner, const std::u16string& target) noexcept;

// Whether `path` names a file (not a folder).
bool IsFile(const std::u16string& path) noexcept;

}  // namespace qelvar
