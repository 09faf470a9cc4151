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

// One bit per character of [pos, pos + 16) that is a double quote, CR, LF or `delimiter` (bit k for
// t[pos + k]); characters past n are not.
inline std::uint32_t SpecialMask16(const char16_t* t, std::size_t n, std::size_t pos, char16_t delimiter) {
#if defined(__SSE2__)
  if (pos + 16 <= n) {
    const __m128i quote = _mm_set1_epi16(0x22);
    const __m128i cr = _mm_set1_epi16(0x0D);
    const __m128i lf = _mm_set1_epi16(0x0A);
    const __m128i delim = _mm_set1_epi16(static_cast<short>(delimiter));
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos + 8));
    const __m128i hitA = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(a, quote), _mm_cmpeq_epi16(a, delim)),
                                      _mm_or_si128(_mm_cmpeq_epi16(a, cr), _mm_cmpeq_epi16(a, lf)));
    const __m128i hitB = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(b, quote), _mm_cmpeq_epi16(b, delim)),
                                      _mm_or_si128(_mm_cmpeq_epi16(b, cr), _mm_cmpeq_epi16(b, lf)));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(hitA, hitB)));
  }
#endif
  std::uint32_t mask = 0;
  for (std::size_t k = 0; k < 16 && pos + k < n; ++k) {
    const char16_t c = t[pos + k];
    if (c == u'"' || c == u'\r' || c == u'\n' || c == delimiter) mask |= 1u << k;
  }
  return mask;
}

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
  // Sixteen characters per step, narrowed to bytes with saturation (a character above 255 becomes 255, so
  // only CR and LF compare equal to them). A line break is an LF, or a CR that no LF follows; each lane
  // counts its own in a byte, summed before it can overflow.
  const __m128i cr = _mm_set1_epi8(0x0D);
  const __m128i lf = _mm_set1_epi8(0x0A);
  const auto bytes = [t](std::size_t at) {
    return _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + at + 8)));
  };
  while (i + 17 <= n) {
    __m128i counts = _mm_setzero_si128();
    for (int round = 0; round < 255 && i + 17 <= n; ++round, i += 16) {
      const __m128i v = bytes(i);
      const __m128i next = bytes(i + 1);
      const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(v, cr));
      counts = _mm_sub_epi8(counts, _mm_or_si128(_mm_cmpeq_epi8(v, lf), lone));
    }
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    breaks += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
              static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  for (; i < n; ++i) {
    const char16_t c = t[i];
    breaks += (c == u'\n') | (c == u'\r' && (i + 1 >= n || t[i + 1] != u'\n'));
  }
  return breaks + 1;
}

}  // namespace qelvar::scan
