#include "document/clipboard_text.h"

#include "document/csv_document.h"

namespace qelvar {

std::u16string ClipboardCell(std::u16string_view value) {
  return value.find_first_of(u"\t\r\n\"") == std::u16string_view::npos ? std::u16string(value) : QuoteValue(value);
}

std::u16string ClipboardRow(std::span<const std::u16string> cells) {
  std::u16string row;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) row += u'\t';
    row += ClipboardCell(cells[i]);
  }
  return row;
}

}  // namespace qelvar
