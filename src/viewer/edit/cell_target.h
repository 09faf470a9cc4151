// Which cells the in-place editor may open on. Pure: no window needed.
#pragma once

#include <string_view>

namespace qelvar {

class TCsvDocument;

// Whether the editor's box gives `value` back unchanged: a NUL would end its text, so such a value would be
// cut by a commit nobody asked for. Line breaks are kept (the box is a multi-line one).
bool FitsEditBox(std::u16string_view value) noexcept;

// How many lines the editor shows `value` in: one per line break (CR LF, CR or LF) and one, at most
// kMaxEditorLines; a longer value scrolls inside the box.
inline constexpr int kMaxEditorLines = 6;
int EditorLines(std::u16string_view value) noexcept;

// Whether the document takes a new value for the cell (document row and column): a data row, not a comment
// row, that has the field.
bool CellTakesValue(const TCsvDocument& document, int row, int column);

}  // namespace qelvar
