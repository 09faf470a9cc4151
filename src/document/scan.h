// Finding the next character that matters to the CSV scanners, several characters at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qelvar::scan {

// The first index in [i, n) whose character is a double quote, CR, LF or `delimiter`; n when none is.
inline std::size_t NextSpecial(const char16_t* t, std::size_t i, std::size_t n, char16_t delimiter) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi16(0x22);
  const __m128i cr = _mm_set1_epi16(0x0D);
  const __m128i lf = _mm_set1_epi16(0x0A);
  const __m128i delim = _mm_set1_epi16(static_cast<short>(delimiter));
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, delim)),
                                     _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)) / 2);
  }
#endif
  for (; i < n; ++i) {
    const char16_t c = t[i];
    if (c == u'"' || c == u'\r' || c == u'\n' || c == delimiter) return i;
  }
  return n;
}

// Walks the positions of the quotes, CRs, LFs and delimiters of a text in order, eight characters per
// load, remembering the rest of the current block between calls.
class SpecialScanner {
 public:
  SpecialScanner(const char16_t* t, std::size_t n, char16_t delimiter) : t_(t), n_(n), delimiter_(delimiter) {}

  // The first special index at or after `from`; n when none is.
  std::size_t Next(std::size_t from) {
    if (!loaded_ || from >= base_ + 8 || from < base_) {
      loaded_ = true;
      base_ = from;
      mask_ = Load(from);
    } else {
      mask_ &= ~0u << (from - base_);
    }
    while (mask_ == 0) {
      base_ += 8;
      if (base_ >= n_) return n_;
      mask_ = Load(base_);
    }
    return base_ + static_cast<std::size_t>(__builtin_ctz(mask_));
  }

 private:
  // One bit per character of [pos, pos + 8) that is special (characters past the end are not).
  unsigned Load(std::size_t pos) const {
#if defined(__SSE2__)
    if (pos + 8 <= n_) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t_ + pos));
      const __m128i hit = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(0x22)), _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(delimiter_)))),
          _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(0x0D)), _mm_cmpeq_epi16(v, _mm_set1_epi16(0x0A))));
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(hit, _mm_setzero_si128())));
    }
#endif
    unsigned mask = 0;
    for (std::size_t k = 0; k < 8 && pos + k < n_; ++k) {
      const char16_t c = t_[pos + k];
      if (c == u'"' || c == u'\r' || c == u'\n' || c == delimiter_) mask |= 1u << k;
    }
    return mask;
  }

  const char16_t* t_;
  std::size_t n_;
  char16_t delimiter_;
  std::size_t base_ = 0;
  unsigned mask_ = 0;
  bool loaded_ = false;
};

// The first index in [i, n) whose character is a double quote, CR or LF; n when none is.
inline std::size_t NextQuoteOrBreak(const char16_t* t, std::size_t i, std::size_t n) {
  return NextSpecial(t, i, n, u'"');
}

// The first index in [i, n) whose character is a double quote; n when none is.
inline std::size_t NextQuote(const char16_t* t, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi16(0x22);
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, quote));
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)) / 2);
  }
#endif
  for (; i < n; ++i)
    if (t[i] == u'"') return i;
  return n;
}

// An upper bound of the number of records in [i, n): line breaks (CR LF counted once) plus one.
inline std::size_t RecordBound(const char16_t* t, std::size_t i, std::size_t n) {
  std::size_t breaks = 0;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi16(0x0D);
  const __m128i lf = _mm_set1_epi16(0x0A);
  while (i + 9 <= n) {
    // Eight 16-bit counters, each matching lane subtracting -1; emptied before they can overflow.
    __m128i counts = _mm_setzero_si128();
    for (int round = 0; round < 8192 && i + 9 <= n; ++round, i += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
      const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + 1));
      const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi16(next, lf), _mm_cmpeq_epi16(v, cr));  // CR, no LF
      counts = _mm_sub_epi16(counts, _mm_or_si128(_mm_cmpeq_epi16(v, lf), lone));
    }
    alignas(16) std::uint16_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
    for (std::uint16_t lane : lanes) breaks += lane;
  }
#endif
  for (; i < n; ++i) {
    const char16_t c = t[i];
    breaks += (c == u'\n') | (c == u'\r' && (i + 1 >= n || t[i + 1] != u'\n'));
  }
  return breaks + 1;
}

}  // namespace qelvar::scan
