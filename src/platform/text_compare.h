// Locale-aware comparison for the POSIX seam (Windows asks CompareStringEx instead): ICU's collator set to
// compare as Windows does, and a portable natural comparison (letter case and width ignored, digit runs
// by value) that needs no library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qelvar::platform {

// ---- ICU (POSIX builds only: posix_collation.cpp) ------------------------------------------------------

// The user's locale's collation (the root order for the C locale) at secondary strength with numeric
// ordering of digit runs: accents differ, letter case and width do not, "a2" < "a10". <0, 0 or >0, or
// nullopt when ICU could not open a collator. Does not allocate once the thread's collator is open.
std::optional<int> CollateCompare(std::u16string_view a, std::u16string_view b);
// Whether this thread has a collator (ICU opened it), so that the functions below make and compare keys.
bool CollationAvailable();

// Appends the collation key of `text` to `keys`: ICU's sort key bytes, closing 0 included, two to a UTF-16
// unit (the first as the high byte, an odd last byte padded with 0). CompareCollationKeys on two keys gives
// the sign that CollateCompare gives on their texts. False (nothing appended) when there is no collator.
bool AppendCollationKey(std::u16string_view text, std::u16string& keys);
int CompareCollationKeys(std::u16string_view a, std::u16string_view b);

// The first four units of a collation key as one integer (missing units as 0), ordered as the keys are;
// `complete` when the key has no more units, so that equal complete prefixes mean equal keys. Does not
// allocate.
std::uint64_t CollationKeyPrefix(std::u16string_view key, bool& complete);

// ---- the portable natural comparison ----------------------------------------------------------------------

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
