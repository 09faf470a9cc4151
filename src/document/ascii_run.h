// Widening runs of ASCII bytes to UTF-16 in registers, shared by the decoder of a whole file and the
// decoder of a file read in blocks. Internal to the document.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qelvar {

// Widens the ASCII bytes of p[i, n) into out[o, ...) sixteen a step while sixteen bytes are left and
// sixteen units fit below `room`; a step that meets a non-ASCII byte keeps the ASCII before it and ends
// the run. Advances `i` and `o` past what it kept; each step stores sixteen units from `o` on, so out must
// hold them. Without SSE2 it does nothing (the callers' own loops take the bytes). Does not allocate.
inline void WidenAsciiRun(const unsigned char* p, std::size_t n, char16_t* out, std::size_t room, std::size_t& i,
                          std::size_t& o) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= n && o + 16 <= room) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int high = _mm_movemask_epi8(v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o + 8), _mm_unpackhi_epi8(v, zero));
    if (high != 0) {
      const auto ascii = static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(high)));
      i += ascii;
      o += ascii;
      return;
    }
    i += 16;
    o += 16;
  }
#else
  (void)p, (void)n, (void)out, (void)room, (void)i, (void)o;
#endif
}

}  // namespace qelvar
