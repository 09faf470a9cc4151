// Decimal alignment of the grid's numeric columns: which list-view columns hold numbers and how wide their
// widest integer part is, so that the separators of a column line up. Pure: the viewer measures the
// pixels, this decides.
#pragma once

#include <cstddef>
#include <vector>

namespace qelvar {

class TDecimalColumns {
 public:
  // The setting decimal-align; off, no column aligns.
  void SetEnabled(bool enabled) noexcept { enabled_ = enabled; }
  bool Enabled() const noexcept { return enabled_; }

  // `columns` list-view columns, none numeric yet (measured anew after a change of the columns or font).
  void Reset(std::size_t columns);
  // A sampled cell of `column` holds a number whose integer part is `integerWidth` pixels wide.
  void NoteNumber(std::size_t column, int integerWidth) noexcept;
  // Whether the cells of `column` that hold numbers are drawn aligned.
  bool Aligns(std::size_t column) const noexcept;

  // A number to draw in `column`: its integer part `integerWidth` and its separator and fraction
  // `tailWidth` pixels wide, in `room` pixels. The widths were measured on sampled rows only, so a wider
  // integer part widens the column's alignment when the number then still fits: true when it did (the
  // cells drawn before must move to the new edge).
  bool Widen(std::size_t column, int integerWidth, int tailWidth, int room) noexcept;
  // Where the separator goes, from the cell's left margin; -1 when the number is drawn as plain text (its
  // integer part is wider than the alignment, or the aligned number would not fit).
  int SeparatorAt(std::size_t column, int integerWidth, int tailWidth, int room) const noexcept;

 private:
  bool enabled_ = true;
  std::vector<int> integerWidths_;  // per list-view column, pixels
  std::vector<bool> numeric_;       // per list-view column
};

}  // namespace qelvar
