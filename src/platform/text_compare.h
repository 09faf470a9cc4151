// A portable stand-in for the system's locale-aware comparison: letter case and character width are
// ignored and runs of decimal digits compare by their numeric value. Used by the POSIX seam; Windows
// asks CompareStringEx instead.
#pragma once

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

}  // namespace qelvar::platform
