// Finding a text inside one cell's text: the matching rules of the host's search (find next / previous,
// match case, whole words). Pure functions over UTF-16 text; positions are 1-based, 0 means "no match".
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace qelvar {

// False for the codes 0-47, 58-64, 91-94, 96 and 123-127, true for everything else: letters, digits, the
// underscore and every character from code 128 upward are word characters.
constexpr bool IsWordChar(char16_t c) noexcept {
  if (c <= 47) return false;
  if (c >= 58 && c <= 64) return false;
  if (c >= 91 && c <= 94) return false;
  if (c == 96) return false;
  if (c >= 123 && c <= 127) return false;
  return true;
}

namespace detail {

// The search proper on texts already brought to the same case.
inline int FindFrom(std::u16string_view s, std::u16string_view pattern, int start, bool wholeWords) noexcept {
  if (pattern.empty()) return 0;
  std::size_t from = static_cast<std::size_t>(start < 1 ? 1 : start) - 1;
  while (from <= s.size()) {
    const std::size_t found = s.find(pattern, from);
    if (found == std::u16string_view::npos) return 0;
    if (!wholeWords) return static_cast<int>(found) + 1;
    const std::size_t end = found + pattern.size();
    const bool wordBefore = found > 0 && IsWordChar(s[found - 1]);
    const bool wordAfter = end < s.size() && IsWordChar(s[end]);
    if (!wordBefore && !wordAfter) return static_cast<int>(found) + 1;
    from = found + 1;
  }
  return 0;
}

}  // namespace detail

// Position of the first match of `pattern` in `s` at or after `start` (below 1 counts as 1), or 0. Without
// `matchCase` both texts are compared in lower case; with `wholeWords` a match must neither follow nor be
// followed by a word character. Allocates only to lower-case.
inline int FindInText(std::u16string_view s, std::u16string_view pattern, int start, bool matchCase,
                      bool wholeWords) {
  if (matchCase) return detail::FindFrom(s, pattern, start, wholeWords);
  const std::u16string lowerText = platform::ToLower(s);
  const std::u16string lowerPattern = platform::ToLower(pattern);
  return detail::FindFrom(lowerText, lowerPattern, start, wholeWords);
}

// Position of the last match that starts before `limit` (0 or less: anywhere), or 0: the matches that
// FindInText finds from 1, then from each match + 1, are walked and the last one below the limit is kept.
inline int FindLastInText(std::u16string_view s, std::u16string_view pattern, int limit, bool matchCase,
                          bool wholeWords) {
  const long long bound = limit <= 0 ? static_cast<long long>(s.size()) + 1 : limit;
  std::u16string lowerText;
  std::u16string lowerPattern;
  if (!matchCase) {
    lowerText = platform::ToLower(s);
    lowerPattern = platform::ToLower(pattern);
    s = lowerText;
    pattern = lowerPattern;
  }
  int last = 0;
  for (int p = detail::FindFrom(s, pattern, 1, wholeWords); p > 0 && p < bound;
       p = detail::FindFrom(s, pattern, p + 1, wholeWords)) {
    last = p;
  }
  return last;
}

}  // namespace qelvar
