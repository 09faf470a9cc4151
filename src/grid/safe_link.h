// Which links a cell may open. A file that came from elsewhere chooses its own cell texts, and the shell's
// "open" verb runs whatever a scheme is registered to run: only web addresses pass.
#pragma once

#include <string>
#include <string_view>

namespace qelvar {

// The link to open for a cell text, or empty when nothing may be opened. ExtractLink's result passes when
// it is an http, https or ftp URL (scheme in any letter case) with a host, at most kMaxLinkLength
// characters long, without blanks, control characters or backslashes. Its "https://" fallback for text
// without a scheme passes only when the text is host-like: dot-separated labels of ASCII letters, digits
// and inner hyphens ending in a top-level domain of at least two letters, then optionally a port and a
// path, query or fragment. Allocates; does not throw except for memory exhaustion.
std::u16string SafeLinkToOpen(std::u16string_view cellText);

inline constexpr std::size_t kMaxLinkLength = 2048;

}  // namespace qelvar
