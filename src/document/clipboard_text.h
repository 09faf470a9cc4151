// The text the viewer puts on the clipboard for copied cells and rows: tab-separated, quoted the way
// spreadsheets read pasted text, so that a value with a tab or a line break stays one cell.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qelvar {

// A cell as pasted text: a value holding a tab, CR, LF or double quote in double quotes with inner quotes
// doubled; any other value unchanged. Allocates the result.
std::u16string ClipboardCell(std::u16string_view value);

// A row as pasted text: its cells by ClipboardCell, separated by tabs, without a line break.
std::u16string ClipboardRow(std::span<const std::u16string> cells);

}  // namespace qelvar
