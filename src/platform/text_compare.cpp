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

namespace {

// Collects the first 8 bytes of an encoding and how long it is in all.
class PrefixWriter {
 public:
  void Put(unsigned byte) {
    if (length_ < 8) prefix_ |= std::uint64_t{byte & 0xFFu} << (56 - 8 * length_);
    ++length_;
  }
  // Order-preserving lengths: below 0xF0 one byte, else 0xF0 and four bytes.
  void PutLength(std::size_t value) {
    if (value < 0xF0) return Put(static_cast<unsigned>(value));
    Put(0xF0);
    for (int shift = 24; shift >= 0; shift -= 8) Put(static_cast<unsigned>(value >> shift));
  }
  bool Full() const { return length_ > 8; }
  std::uint64_t Prefix() const { return prefix_; }
  bool Complete() const { return length_ <= 8; }

 private:
  std::uint64_t prefix_ = 0;
  std::size_t length_ = 0;
};

}  // namespace

std::uint64_t NaturalKeyPrefix(std::u16string_view key, bool& complete) {
  PrefixWriter out;
  std::size_t zeros[8];  // leading zeros of the first runs, while the encoding can still fit
  std::size_t runs = 0;
  const std::size_t n = key.size();
  std::size_t i = 0;
  while (i < n && !out.Full()) {
    if (IsDigitAt<NoFold>(key, i)) {
      std::size_t z = 0;
      while (i < n && key[i] == u'0') ++i, ++z;
      const std::size_t start = i;
      while (IsDigitAt<NoFold>(key, i)) ++i;
      out.Put(0x31);
      out.PutLength(i - start);
      for (std::size_t k = start; k < i && !out.Full(); k += 2) {
        const unsigned high = static_cast<unsigned>(key[k] - u'0');
        const unsigned low = k + 1 < i ? static_cast<unsigned>(key[k + 1] - u'0') : 0u;
        out.Put((high << 4) | low);
      }
      if (runs < 8) zeros[runs] = z;
      ++runs;
      continue;
    }
    const char32_t c = Next<NoFold>(key, i);
    if (c < 0x7F) {
      out.Put(static_cast<unsigned>(c) + 1);
    } else {
      out.Put(0x80u | static_cast<unsigned>(c >> 16));
      out.Put(static_cast<unsigned>(c >> 8));
      out.Put(static_cast<unsigned>(c));
    }
  }
  if (i >= n) {
    out.Put(0x00);
    for (std::size_t r = 0; r < runs && r < 8 && !out.Full(); ++r) out.PutLength(zeros[r]);
  }
  complete = i >= n && runs <= 8 && out.Complete();
  return out.Prefix();
}

}  // namespace qelvar::platform
