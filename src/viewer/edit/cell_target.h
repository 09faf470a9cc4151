// Which cells the in-place editor may open on. Pure: no window needed.
#pragma once

#include <string_view>

namespace qelvar {

class TCsvDocument;

// Whether a one-line edit box gives `value` back unchanged: it shows a line break as nothing and returns
// it as nothing (and a NUL ends its text), so such a value would be cut by a commit nobody asked for.
bool FitsOneLineBox(std::u16string_view value) noexcept;

// Whether the document takes a new value for the cell (document row and column): a data row, not a comment
// row, that has the field.
bool CellTakesValue(const TCsvDocument& document, int row, int column);

}  // namespace qelvar
