// Pure functions over cell texts shared by the grid model, the viewer and the transformation: number
// recognition, value comparison, link extraction and evenly spread row sampling.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qelvar {

// Number recognition, the one parser behind numeric filters and numeric sorting.
//
// Characters with a code below 33 (space and the controls) are ignored at both ends. What remains must be,
// in full, a decimal literal with '.' as the separator whatever the user's locale:
//   [+|-] ( digits [ '.' [digits] ] | '.' digits ) [ (e|E) [+|-] digits ]
// with ASCII digits only. So "5.", ".5", "+1", "-0", "1e5" and "1.5E-3" are numbers, while "", ".", "+",
// "1e", "1,5" (a comma never belongs to a number), "1 000", "0x10", "inf", "nan", "١" (non-ASCII digits)
// and full-width digits are not. The value is the correctly rounded double; a literal too large for a
// double is an infinity of its sign and one too small is a zero of its sign, so a number never yields NaN.
// Does not throw; allocates only for literals longer than 256 characters.
bool TryParseNumber(std::u16string_view text, double& value);

// Compares UTF-16 code units as unsigned numbers; a proper prefix is less. Returns -1, 0 or 1.
int CompareOrdinal(std::u16string_view a, std::u16string_view b);

// The sort comparison of two cell texts: both numbers compare as numbers; otherwise the user's
// locale-aware comparison (case and width ignored, digit runs as numbers), and the ordinal comparison
// when the system cannot compare. Returns -1, 0 or 1.
int CompareValues(std::u16string_view a, std::u16string_view b);

// The link to open for a cell text: the first "scheme://..." it contains, else "https://" and the
// trimmed text when it contains a dot, else empty.
std::u16string ExtractLink(std::u16string_view text);

// How many rows to sample: 0 when total <= 0 or limit <= 0, else min(total, limit).
int SampleCount(int total, int limit);

// The j-th of `samples` evenly spread rows of `total`: (total - 1) * j div (samples - 1) in 64 bits when
// total > 1 and samples > 1, else 0.
int SampleRow(int j, int samples, int total);

}  // namespace qelvar
