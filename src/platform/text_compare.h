// A portable stand-in for the system's locale-aware comparison: letter case and character width are
// ignored and runs of decimal digits compare by their numeric value. Used by the POSIX seam; Windows
// asks CompareStringEx instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qelvar::platform {

using LowerFunction = char32_t (*)(char32_t);

// Returns <0, 0 or >0. Width folding maps full-width ASCII forms (U+FF01..U+FF5E) and the ideographic
// space to their ASCII counterparts before lower-casing. Does not allocate.
int CompareNatural(std::u16string_view a, std::u16string_view b, LowerFunction lower);

// Sort keys for CompareNatural: AppendNaturalKey appends `text` width-folded and lower-cased (surrogate
// pairs kept as pairs, lengths unchanged), and CompareNaturalKeys on two such keys returns exactly what
// CompareNatural returns on the original texts: folding and lowering are idempotent on a key, so the key
// comparison is the same walk without them. Neither allocates beyond growing `out`.
void AppendNaturalKey(std::u16string_view text, LowerFunction lower, std::u16string& out);
int CompareNaturalKeys(std::u16string_view a, std::u16string_view b);

// A 64-bit integer whose order agrees with CompareNaturalKeys on the keys it is made from, so that a sort
// can compare most keys without reading them: when PrefixA < PrefixB, CompareNaturalKeys(a, b) < 0
// (and the reverse); when they are equal and both keys are `complete`, the keys compare equal; otherwise
// only the keys themselves tell. It is the first 8 bytes (zero-padded, big-endian) of an order-preserving
// encoding of the key: each character as one byte (code point + 1, below U+007F) or three (0x80 | the
// plane, then the low 16 bits); each digit run as 0x31 (which falls where the digits do among the
// characters), its significant length and its digits two to a byte; then 0x00 and every run's count of
// leading zeros (fewer first, and only when all else is equal). Lengths above 239 take five bytes.
// Does not allocate.
std::uint64_t NaturalKeyPrefix(std::u16string_view key, bool& complete);

}  // namespace qelvar::platform
