// The structural invariants of a parsed or edited document, checked through its public interface.
// Shared by the unit tests and the fuzz target: returns an empty string when they hold, else what broke.
#pragma once

#include <string>

#include "document/csv_document.h"

namespace qelvar::testing {

inline bool IsLineBreakChar(char16_t c) { return c == u'\r' || c == u'\n'; }

inline std::string CheckDocumentInvariants(const TCsvDocument& doc) {
  const std::u16string& text = doc.Text();
  const auto len = static_cast<std::int64_t>(text.size());
  const auto& rows = doc.Rows();
  auto at = [&](std::int64_t pos) { return text[static_cast<std::size_t>(pos - 1)]; };  // 1-based
  auto fail = [](std::int64_t row, const std::string& what) { return "row " + std::to_string(row) + ": " + what; };

  if (static_cast<std::int64_t>(rows.size()) != doc.RowCount()) return "RowCount differs from the rows";
  if (doc.ColumnCount() < 0) return "negative ColumnCount";
  if (doc.DecodeRow() < 0 || doc.DecodeRow() > doc.RowCount() || doc.DecodeCol() < 0) return "decode cursor";
  std::int64_t prevEnd = 1;
  std::uint64_t nextCell = 0;
  for (std::int64_t r = 0; r < doc.RowCount(); ++r) {
    const TCsvRow& row = rows[static_cast<std::size_t>(r)];
    const std::int64_t start = row.LineStart;
    const std::int64_t end = start + row.LineLength;  // one past the row
    if (start < prevEnd) return fail(r, "overlaps the previous row");
    if (row.LineLength < 0 || end > len + 1) return fail(r, "extends past the text");
    // Whatever lies between two rows is whole hidden lines.
    if (start > prevEnd && !IsLineBreakChar(at(start - 1))) return fail(r, "gap before it is not whole lines");
    if (r > 0) {
      const TCsvRow& prev = rows[static_cast<std::size_t>(r - 1)];
      if (prev.LineLength == 0 || !IsLineBreakChar(at(prev.LineStart + prev.LineLength - 1)))
        return fail(r, "previous row has no line terminator");
    }
    if (row.FirstCell != nextCell) return fail(r, "cells are not row after row");
    nextCell += static_cast<std::uint64_t>(row.CellCount);
    if (row.CellCount < 0 || static_cast<std::size_t>(row.CellCount) != doc.Cells(static_cast<std::int32_t>(r)).size())
      return fail(r, "cell count");
    if (!row.IsComment && row.CellCount > doc.ColumnCount()) return fail(r, "more cells than ColumnCount");
    // The row's content ends before its terminator.
    std::int64_t contentEnd = end;
    if (contentEnd > start && IsLineBreakChar(at(contentEnd - 1))) {
      --contentEnd;
      if (at(contentEnd) == u'\n' && contentEnd > start && at(contentEnd - 1) == u'\r') --contentEnd;
    }
    std::int64_t prevCellEnd = 0;
    for (std::int32_t c = 0; c < row.CellCount; ++c) {
      const std::int32_t ri = static_cast<std::int32_t>(r);
      const TCsvCell& cell = doc.Cells(ri)[static_cast<std::size_t>(c)];
      const std::int64_t cs = doc.CellStart(ri, c);
      const std::string where = "cell " + std::to_string(c) + ": ";
      if (cell.Length < 0 || cs < start || cs + cell.Length > contentEnd) return fail(r, where + "outside its row");
      if (c == 0 && cs != start) return fail(r, where + "does not start the row");
      if (c > 0 && (cs != prevCellEnd + 1 || at(prevCellEnd) != doc.Delimiter()))
        return fail(r, where + "not one delimiter after the previous cell");
      const std::u16string_view raw = doc.CellRaw(ri, c);
      if (raw != std::u16string_view(text).substr(static_cast<std::size_t>(cs - 1), static_cast<std::size_t>(cell.Length)))
        return fail(r, where + "raw text is not its slice");
      const bool quoted = raw.size() > 1 && raw.front() == u'"' && raw.back() == u'"';
      if (cell.Quoted() != quoted) return fail(r, where + "Quoted disagrees with the raw text");
      if (cell.Decoded() && doc.CellValue(ri, c) != DecodeValue(raw, doc.TrimValues()))
        return fail(r, where + "value disagrees with the raw text");
      if (!cell.Decoded() && !doc.CellValue(ri, c).empty()) return fail(r, where + "undecoded cell has a value");
      prevCellEnd = cs + cell.Length;
    }
    prevEnd = end;
  }
  // Hidden lines after the last row are whole lines as well.
  if (doc.RowCount() > 0 && prevEnd <= len) {
    const TCsvRow& last = rows.back();
    if (last.LineLength == 0 || !IsLineBreakChar(at(last.LineStart + last.LineLength - 1)))
      return "last row has no terminator but text follows it";
  }
  return {};
}

// The document's structure (rows with positions and kinds, cells with positions and quoting, the width)
// as one string, for comparing two states of the same text exactly. Values are left out:
// CheckDocumentInvariants ties every decoded value to its raw text.
inline std::string DocumentShape(const TCsvDocument& doc) {
  std::string shape = "columns " + std::to_string(doc.ColumnCount()) + " rows " + std::to_string(doc.RowCount()) + " hidden " +
           std::to_string(doc.HiddenCommentCount()) + "\n";
  for (std::int32_t r = 0; r < doc.RowCount(); ++r) {
    const TCsvRow& row = doc.Rows()[static_cast<std::size_t>(r)];
    shape += std::to_string(row.LineStart) + "+" + std::to_string(row.LineLength) + (row.IsComment ? " #" : "") + " @" +
             std::to_string(row.FirstCell) + ":";
    for (const TCsvCell& cell : doc.Cells(r))
      shape += " " + std::to_string(cell.Offset) + "+" + std::to_string(cell.Length) + (cell.Quoted() ? "q" : "");
    shape += "\n";
  }
  return shape;
}

}  // namespace qelvar::testing
