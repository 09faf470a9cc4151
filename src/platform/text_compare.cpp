#include "platform/text_compare.h"

namespace qelvar::platform {

namespace {

char32_t FoldWidth(char32_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFF01 + 0x21;
  if (c == 0x3000) return 0x20;
  return c;
}

// The next character (a surrogate pair counts as one), width-folded.
char32_t Next(std::u16string_view s, std::size_t& i) {
  char32_t c = s[i++];
  if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
    c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00u);
  return FoldWidth(c);
}

bool IsDigitAt(std::u16string_view s, std::size_t i) {
  return i < s.size() && FoldWidth(s[i]) >= U'0' && FoldWidth(s[i]) <= U'9';
}

}  // namespace

int CompareNatural(std::u16string_view a, std::u16string_view b, LowerFunction lower) {
  std::size_t i = 0, j = 0;
  int zeroTieBreak = 0;  // fewer leading zeros sorts first when the numbers are equal
  while (i < a.size() && j < b.size()) {
    if (IsDigitAt(a, i) && IsDigitAt(b, j)) {
      std::size_t zi = 0, zj = 0;
      while (IsDigitAt(a, i) && FoldWidth(a[i]) == U'0') ++i, ++zi;
      while (IsDigitAt(b, j) && FoldWidth(b[j]) == U'0') ++j, ++zj;
      const std::size_t si = i, sj = j;
      while (IsDigitAt(a, i)) ++i;
      while (IsDigitAt(b, j)) ++j;
      const std::size_t li = i - si, lj = j - sj;
      if (li != lj) return li < lj ? -1 : 1;
      for (std::size_t k = 0; k < li; ++k) {
        const char32_t da = FoldWidth(a[si + k]), db = FoldWidth(b[sj + k]);
        if (da != db) return da < db ? -1 : 1;
      }
      if (zeroTieBreak == 0 && zi != zj) zeroTieBreak = zi < zj ? -1 : 1;
      continue;
    }
    const char32_t ca = lower(Next(a, i));
    const char32_t cb = lower(Next(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return zeroTieBreak;
}

}  // namespace qelvar::platform
