// The private-profile (ini) file format as the system's profile functions read and write it, on bytes.
// The POSIX seam writes and reads through these; Windows uses its own profile functions.
#pragma once

#include <string>
#include <string_view>

namespace qelvar::platform::profile {

// Produces in `out` the file `bytes` with key=value set in [section]: the first matching key (ASCII case
// ignored, surrounding spaces ignored) of the first matching section is replaced, a missing key is
// appended after the section's last entry, a missing section is appended at the end. The file's text
// encoding (UTF-8 when valid or new, else ANSI) and line ending (CR LF for new files) are kept.
// False when the value cannot be represented in the file's encoding.
bool SetValue(std::string_view bytes, std::u16string_view section, std::u16string_view key,
              std::u16string_view value, std::string& out);

// Looks up key in [section] like GetPrivateProfileStringW: first match, value trimmed, one pair of
// enclosing quotes (" or ') removed. False when the section or key is missing.
bool GetValue(std::string_view bytes, std::u16string_view section, std::u16string_view key,
              std::u16string& value);

}  // namespace qelvar::platform::profile
