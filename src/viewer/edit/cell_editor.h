// The in-place cell editor's box and the cell it edits. The edit is tied to the document row and column
// (and the document) it began on, never to a list position: a sort, the filter timer, a search or a column
// hidden while the box is open would otherwise send the text into whichever row then sits there.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/flag_held.h"

namespace qelvar {

class TCsvDocument;

class TCellEditor {
 public:
  enum class TOpened { Yes, NoBox, Refused };
  // Opens a multi-line box showing `value`, its whole text selected, over `cell` (client coordinates of
  // `listView`, its parent; as many rows tall as EditorLines gives) in `font`, for the cell (`row`, `column`) of `document`. NoBox when the box
  // cannot be made, Refused (and no box) when it would not give `value` back exactly.
  TOpened Open(HWND listView, const RECT& cell, const std::u16string& value, HFONT font, int row, int column,
            const TCsvDocument* document);
  // Forgets the box and the cell; the box, returned, is the caller's to destroy.
  HWND Release() noexcept;

  HWND Box() const noexcept { return box_; }
  int Row() const noexcept { return row_; }
  int Column() const noexcept { return column_; }
  // Whether the edit belongs to `document` (a reload's new document never gets the old one's edit).
  bool Edits(const TCsvDocument* document) const noexcept { return document_ == document; }

  // The re-entrancy guard of ending an edit (a failed commit shows a box, whose modal loop moves the focus).
  bool Ending() const noexcept { return ending_; }
  TFlagHeld HoldEnding() noexcept { return TFlagHeld(ending_); }

 private:
  HWND box_ = nullptr;
  int row_ = -1;
  int column_ = -1;
  const TCsvDocument* document_ = nullptr;
  bool ending_ = false;
};

}  // namespace qelvar
