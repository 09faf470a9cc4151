// The status bar's five texts (encoding, delimiter, comments, rows, current cell and modes) from the
// facts they show. Pure: no window needed.
#pragma once

#include <array>
#include <string>

namespace qelvar {

inline constexpr int kStatusParts = 5;

struct TStatusInput {
  bool loading = true;  // no document shown yet: "Loading" and nothing else
  std::u16string encoding;
  char16_t delimiter = 0;   // the document's
  bool autoDelimiter = true;
  int commentMode = 0;      // 0 parse, 1 do not parse, 2 hide
  bool autoComments = false;
  int hiddenComments = 0;
  int listedRows = 0;
  int documentRows = 0;     // the header line included
  bool headerRow = false;
  int currentRow = -1;      // list row and list-view column; -1: none
  int currentColumn = -1;
  bool editMode = false;
  bool modified = false;
  bool transformedView = false;
  bool follow = false;      // follow mode: the last row stays in view as rows arrive
  int selectedRows = 0;
  int visibleColumns = 0;   // data columns shown (width above 0); read only when selectedRows > 1
  std::u16string stats;     // the selection's totals (with selectedRows > 1), after the selection
  std::u16string note;      // a one-line notice (undo steps dropped, a setting not read), after the modes
  int loadPercent = -1;     // the rest of the file is being read: how much of it is (0..100); -1: all read
};

// `number` with a comma between each group of three digits ("5,412,000").
std::u16string GroupedNumber(long long number);

// The five texts, each beginning with a blank (an empty text stays empty), in the language now. Allocates.
std::array<std::u16string, kStatusParts> StatusTexts(const TStatusInput& input);

}  // namespace qelvar
