// Choosing the field delimiter of a text and recognising comment lines.
#pragma once

#include <array>
#include <string_view>

namespace qelvar {

// Delimiter candidates in priority order: the order breaks ties in detection and is the order of the
// viewer's delimiter menu.
inline constexpr std::array<char16_t, 5> kDelimiterCandidates = {u',', u';', u'|', u'\t', u':'};

// Whether the line that starts at the 1-based position `pos` is a comment line: "#", a ";" with no
// further ";" on the line, or "sep=" in any letter case. False when `pos` lies past the end.
// Nothing before `pos` is looked at. Does not allocate.
bool IsCommentLine(std::u16string_view text, std::size_t pos);

// Samples the first five lines that hold a candidate outside quotes (skipping blank and comment lines)
// and returns the candidate whose per-line counts agree best; comma when nothing was sampled.
// Does not allocate.
char16_t DetectDelimiter(std::u16string_view text);

// The 0-based position up to which DetectDelimiter reads `text`: after the last line it samples, or the
// text's size when it samples fewer lines than it may. A change from there on cannot change its result.
// Does not allocate.
std::size_t DelimiterSampleEnd(std::u16string_view text);

}  // namespace qelvar
