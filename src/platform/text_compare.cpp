#include "platform/text_compare.h"

namespace qelvar::platform {

namespace {

char32_t FoldWidth(char32_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFF01 + 0x21;
  if (c == 0x3000) return 0x20;
  return c;
}

char32_t NoFold(char32_t c) { return c; }
char32_t NoLower(char32_t c) { return c; }

// The next character (a surrogate pair counts as one), width-folded.
template <char32_t (*Fold)(char32_t)>
char32_t Next(std::u16string_view s, std::size_t& i) {
  char32_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00u);
  return Fold(c);
}

template <char32_t (*Fold)(char32_t)>
bool IsDigitAt(std::u16string_view s, std::size_t i) {
  return i < s.size() && Fold(s[i]) >= U'0' && Fold(s[i]) <= U'9';
}

// One walk for both forms: over original texts it folds and lowers as it goes, over keys it does neither.
template <char32_t (*Fold)(char32_t), typename Lower>
int CompareWalk(std::u16string_view a, std::u16string_view b, Lower lower) {
  std::size_t i = 0, j = 0;
  int zeroTieBreak = 0;  // fewer leading zeros sorts first when the numbers are equal
  while (i < a.size() && j < b.size()) {
    if (IsDigitAt<Fold>(a, i) && IsDigitAt<Fold>(b, j)) {
      std::size_t zi = 0, zj = 0;
      while (IsDigitAt<Fold>(a, i) && Fold(a[i]) == U'0') ++i, ++zi;
      while (IsDigitAt<Fold>(b, j) && Fold(b[j]) == U'0') ++j, ++zj;
      const std::size_t si = i, sj = j;
      while (IsDigitAt<Fold>(a, i)) ++i;
      while (IsDigitAt<Fold>(b, j)) ++j;
      const std::size_t li = i - si, lj = j - sj;
      if (li != lj) return li < lj ? -1 : 1;
      for (std::size_t k = 0; k < li; ++k) {
        const char32_t da = Fold(a[si + k]), db = Fold(b[sj + k]);
        if (da != db) return da < db ? -1 : 1;
      }
      if (zeroTieBreak == 0 && zi != zj) zeroTieBreak = zi < zj ? -1 : 1;
      continue;
    }
    const char32_t ca = lower(Next<Fold>(a, i));
    const char32_t cb = lower(Next<Fold>(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return zeroTieBreak;
}

}  // namespace

int CompareNatural(std::u16string_view a, std::u16string_view b, LowerFunction lower) {
  return CompareWalk<FoldWidth>(a, b, lower);
}

void AppendNaturalKey(std::u16string_view text, LowerFunction lower, std::u16string& out) {
  const std::size_t n = text.size();
  out.reserve(out.size() + n);
  for (std::size_t i = 0; i < n;) {
    const char32_t c = lower(Next<FoldWidth>(text, i));
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
}

int CompareNaturalKeys(std::u16string_view a, std::u16string_view b) {
  // Sorting compares many keys with long common prefixes: skip equal plain code units (no digit, no
  // surrogate) first. For them the walk would do the same, one character at a time; at the first other
  // unit the walk takes over where a digit run or a character begins in both keys.
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  std::size_t p = 0;
  while (p < n) {
    const char16_t c = a[p];
    if (c != b[p] || (c >= u'0' && c <= u'9') || (c >= 0xD800 && c <= 0xDFFF)) break;
    ++p;
  }
  return CompareWalk<NoFold>(a.substr(p), b.substr(p), NoLower);
}

}  // namespace qelvar::platform
