#include "document/delimiter.h"

#include <cstdint>

namespace qelvar {

namespace {

constexpr std::size_t kSampleLines = 5;

inline bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

int CandidateIndex(char16_t c) {
  switch (c) {
    case u',': return 0;
    case u';': return 1;
    case u'|': return 2;
    case u'\t': return 3;
    case u':': return 4;
    default: return -1;
  }
}

}  // namespace

bool IsCommentLine(std::u16string_view text, std::size_t pos) {
  if (pos < 1 || pos > text.size()) return false;
  const std::size_t i = pos - 1;
  const char16_t c = text[i];
  if (c == u'#') return true;
  if (c == u';') {
    for (std::size_t k = i + 1; k < text.size() && !IsLineBreak(text[k]); ++k)
      if (text[k] == u';') return false;
    return true;
  }
  if (text.size() - i >= 4 && (text[i] | 0x20) == u's' && (text[i + 1] | 0x20) == u'e' &&
      (text[i + 2] | 0x20) == u'p' && text[i + 3] == u'=')
    return true;
  return false;
}

namespace {

using TCounts = std::int64_t[kSampleLines][kDelimiterCandidates.size()];

// Fills the counts of the sampled lines; returns how many there are, `end` where sampling stopped.
std::size_t SampleLines(std::u16string_view text, TCounts& counts, std::size_t& end) {
  std::size_t sampled = 0;
  const std::size_t n = text.size();
  std::size_t i = 0;  // 0-based here; IsCommentLine takes 1-based positions
  while (i < n && sampled < kSampleLines) {
    while (i < n && IsLineBreak(text[i])) ++i;
    if (i >= n) break;
    if (IsCommentLine(text, i + 1)) {
      while (i < n && !IsLineBreak(text[i])) ++i;
      continue;
    }
    bool inQuotes = false;
    bool any = false;
    std::int64_t* row = counts[sampled];
    for (; i < n; ++i) {
      const char16_t c = text[i];
      if (c == u'"') {
        if (inQuotes && i + 1 < n && text[i + 1] == u'"') {
          ++i;  // a doubled quote inside quotes is stepped over as a pair
        } else {
          inQuotes = !inQuotes;
        }
      } else if (!inQuotes) {
        if (IsLineBreak(c)) break;
        const int k = CandidateIndex(c);
        if (k >= 0) {
          ++row[k];
          any = true;
        }
      }
    }
    while (i < n && IsLineBreak(text[i])) ++i;
    if (any) {
      ++sampled;
    } else {
      for (std::size_t k = 0; k < kDelimiterCandidates.size(); ++k) row[k] = 0;
    }
  }
  end = sampled < kSampleLines ? n : i;
  return sampled;
}

}  // namespace

std::size_t DelimiterSampleEnd(std::u16string_view text) {
  TCounts counts = {};
  std::size_t end = 0;
  SampleLines(text, counts, end);
  return end;
}

char16_t DetectDelimiter(std::u16string_view text) {
  TCounts counts = {};
  std::size_t end = 0;
  const std::size_t sampled = SampleLines(text, counts, end);
  std::size_t best = 0;
  std::int64_t bestScore = -1;
  for (std::size_t c = 0; c < kDelimiterCandidates.size(); ++c) {
    std::int64_t score = 0;
    for (std::size_t l = 0; l < sampled; ++l) {
      if (counts[l][c] <= 0) continue;
      for (std::size_t m = 0; m < sampled; ++m)
        score += counts[l][c] == counts[m][c] ? counts[l][c] + 10 : 5;
    }
    if (score > bestScore) {
      best = c;
      bestScore = score;
    }
  }
  return kDelimiterCandidates[best];
}

}  // namespace qelvar
