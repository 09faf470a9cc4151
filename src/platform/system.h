// What each implementation of the platform seam (win32.cpp, posix.cpp) asks its own system for, before
// the test overrides of overrides.cpp are put in front of it. Internal to src/platform/.
#pragma once

#include <cstdint>
#include <string>

namespace qelvar::platform {

// The path of the module holding this code, as the system reports it; empty when it cannot tell.
std::u16string SystemModulePath();
// The user's UI language as a Windows LANGID, as the system reports it.
std::uint16_t SystemUiLanguage();

}  // namespace qelvar::platform
