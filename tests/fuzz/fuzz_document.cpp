// Arbitrary bytes with arbitrary load options: the load succeeds or fails cleanly, a loaded document keeps
// its invariants through decoding, a few edits and undo/redo steps, and a lossless load encodes back to the
// very bytes, again once every edit is undone (and redoing them all gives the edited document back).
// What is written reads back as written: an edited cell's row reads back as a data row with the same
// cells; a table whose rows are all alike reads back as the same rows after any edits; the export of
// the identity transformation reads back as the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../unit/document_invariants.h"
#include "document/csv_document.h"
#include "transform/transform.h"

namespace {

using qelvar::TCsvDocument;

void Check(const TCsvDocument& doc, const char* when) {
  const std::string broken = qelvar::testing::CheckDocumentInvariants(doc);
  if (!broken.empty()) {
    std::fprintf(stderr, "invariant broken %s: %s\n", when, broken.c_str());
    std::abort();
  }
}

void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

inline bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

std::u16string_view RowText(const TCsvDocument& doc, std::int32_t r) {
  const qelvar::TCsvRow& row = doc.Rows()[static_cast<std::size_t>(r)];
  return std::u16string_view(doc.Text()).substr(static_cast<std::size_t>(row.LineStart - 1),
                                                static_cast<std::size_t>(row.LineLength));
}

// A row just written by SetCell is a data line by itself (neither empty nor a comment line), and read
// alone with the document's options it gives the same cells. (A line of a list of values is one value by
// the list's rule, not by itself.)
void CheckRowReadsBack(TCsvDocument& doc, std::int32_t r, int mode) {
  if (doc.SingleColumn()) return;
  const std::u16string line(RowText(doc, r));
  if (line.empty() || IsBreak(line[0]) || qelvar::IsCommentLine(line, 1)) Fail("an edited row reads as no data line");
  TCsvDocument alone;
  if (!alone.Parse(line, doc.Delimiter(), mode, doc.TrimValues(), 1000)) Fail("an edited row does not parse alone");
  if (alone.RowCount() != 1 || alone.Rows()[0].IsComment || alone.CellCount(0) < doc.CellCount(r))
    Fail("an edited row does not read back as one data row");
  for (std::int32_t c = 0; c < doc.CellCount(r); ++c)
    if (alone.GetCell(0, c) != doc.GetCell(r, c)) Fail("an edited row reads back with other values");
}

// Every row a data row of ColumnCount cells, back to back over the whole text, none empty, none a comment
// line as written, no text beyond the cells: such a table has one reading, before and after any edit.
// (A list of values is not: deleting its lines can make its few wider lines the table's shape.)
bool IsPlainTable(const TCsvDocument& doc) {
  if (doc.RowCount() == 0 || doc.ColumnCount() < 1 || doc.SingleColumn()) return false;
  std::int64_t next = 1;
  for (std::int32_t r = 0; r < doc.RowCount(); ++r) {
    const qelvar::TCsvRow& row = doc.Rows()[static_cast<std::size_t>(r)];
    if (row.IsComment || row.CellCount != doc.ColumnCount() || row.LineStart != next) return false;
    const std::u16string_view text = RowText(doc, r);
    std::size_t content = text.size();
    while (content > 0 && IsBreak(text[content - 1])) --content;
    if (content == 0 || qelvar::IsCommentLine(text, 1)) return false;
    const qelvar::TCsvCell& last = doc.Cells(r)[static_cast<std::size_t>(row.CellCount - 1)];
    if (static_cast<std::size_t>(last.Offset + last.Length) != content) return false;
    next = row.LineStart + row.LineLength;
  }
  return next == static_cast<std::int64_t>(doc.Text().size()) + 1;
}

bool HasLoneSurrogate(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      ++i;
    } else if (s[i] >= 0xD800 && s[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// The identity transformation exported and loaded again is the table: the header line, then every row.
void CheckExportReadsBack(TCsvDocument& doc) {
  if (doc.ColumnCount() < 1 || doc.RowCount() < 1) return;
  for (std::int32_t r = 0; r < doc.RowCount(); ++r)
    for (std::int32_t c = 0; c < doc.CellCount(r); ++c)
      if (HasLoneSurrogate(doc.ValueView(r, c))) return;  // no UTF-8 form: written as U+FFFD
  qelvar::TTransformConfig config;
  config.InitFromDocument(&doc, true);
  const std::string bytes = config.ExportText(&doc, true);
  // As the next open reads it: encoding and delimiter detected, comment lines shown, values trimmed.
  std::unique_ptr<TCsvDocument> again;
  if (!qelvar::LoadFromBytes(bytes, 0, qelvar::kCommentsParsed, u"", again, true, 1000)) Fail("an export does not load");
  if (again->Encoding().Name != u"UTF-8") Fail("an export reads back in another encoding");
  if (again->RowCount() != doc.RowCount()) Fail("an export reads back with another number of rows");
  for (std::int32_t r = 0; r < again->RowCount(); ++r) {
    if (again->Rows()[static_cast<std::size_t>(r)].IsComment || again->CellCount(r) != config.TargetCount())
      Fail("an exported line reads back as no row of the table");
    for (std::int32_t i = 0; i < config.TargetCount(); ++i) {
      const std::u16string want = r == 0 ? config.OutputHeader(i) : doc.GetCell(r, i);
      if (again->GetCell(r, i) != want) Fail("an exported value reads back differently");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qelvar;
  if (size < 3) return 0;
  // Three option bytes, then the file.
  static constexpr std::u16string_view kEncodings[] = {u"", u"UTF-8", u"UTF-16LE", u"UTF-16BE", u"ANSI", u"x"};
  static constexpr char16_t kDelimiters[] = {0, u',', u';', u'|', u'\t', u':', u'"', u' ', u'a'};
  static constexpr std::int64_t kSamples[] = {1000, 0, 1, 2};
  const int mode = data[0] & 3;
  const bool trim = (data[0] & 4) != 0;
  const std::int64_t samples = kSamples[(data[0] >> 3) & 3];
  const std::u16string_view encoding = kEncodings[data[1] % 6];
  const char16_t delimiter = kDelimiters[data[2] % 9];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

  std::unique_ptr<TCsvDocument> doc;
  if (!LoadFromBytes(bytes, delimiter, mode, encoding, doc, trim, samples)) {
    if (doc) std::abort();
    return 0;
  }
  Check(*doc, "after load");
  const auto encodesBack = [&] {
    std::string back;
    return !doc->Lossless() || !EncodeText(doc->Text(), doc->Encoding(), back) || back == bytes;
  };
  if (!encodesBack()) Fail("an unedited lossless load does not encode back to its bytes");
  // Read again the way a save's check reads it (whatever was detected detected again), the text is the
  // same table: the pre-scan and the cutting pass agree with themselves.
  if (doc->Lossless()) {
    std::unique_ptr<TCsvDocument> fresh;
    const char16_t again = doc->DelimiterDetected() ? char16_t{0} : doc->Delimiter();
    const std::u16string_view name = doc->Encoding().Detected ? std::u16string_view{} : std::u16string_view(doc->Encoding().Name);
    if (!LoadFromBytes(bytes, again, mode, name, fresh, trim, samples)) Fail("a loaded file does not load again");
    if (CompareFreshReading(*doc, *fresh) != TFreshDifference::None) Fail("a loaded file reads differently the second time");
  }
  const std::u16string loaded = doc->Text();
  const std::string loadedShape = testing::DocumentShape(*doc);
  while (doc->DecodeNext(1 + static_cast<std::int32_t>(size % 7)) > 0) {
  }
  if (doc->HasUndecodedCells()) std::abort();
  Check(*doc, "after decoding");

  CheckExportReadsBack(*doc);

  // A few edits chosen by the bytes themselves.
  const bool plain = IsPlainTable(*doc);
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  for (int op = 0; op < 6 && doc->RowCount() > 0; ++op) {
    h = h * 1103515245u + 12345u;
    const auto row = static_cast<std::int32_t>((h >> 8) % static_cast<std::uint32_t>(doc->RowCount() + 1)) - (op == 5);
    const auto col = static_cast<std::int32_t>((h >> 20) % static_cast<std::uint32_t>(doc->ColumnCount() + 2)) - 1;
    switch ((h >> 4) % 6) {
      case 0: {
        // Values that would start a comment line or leave an empty line among them.
        static constexpr std::u16string_view kValues[] = {u"", u"x", u" y", u"a,b", u"q\"", u"l\r\nm", u"\u00e9",
                                                          u"#5", u";x", u"sep=1", u"SeP=", u"a;b", u"\t"};
        const std::u16string_view value = kValues[(h >> 12) % std::size(kValues)];
        const std::u16string before = doc->Text();
        if (doc->SetCell(row, col, value)) {
          if (doc->GetCell(row, col) != value) Fail("SetCell stored another value");
          // (Setting a cell to its value writes nothing: a blank line stays one.)
          if (doc->Text() != before) CheckRowReadsBack(*doc, row, mode);
        }
        break;
      }
      case 1: doc->InsertRowAfter(row); break;
      case 2: doc->DeleteRow(row); break;
      case 3: {
        // Every row whose index has none of the chosen bits, and one index out of range.
        std::vector<std::int32_t> rows{doc->RowCount()};
        for (std::int32_t r = doc->RowCount(); r-- > 0;)
          if ((static_cast<std::uint32_t>(r) & (h >> 24)) == 0) rows.push_back(r);
        doc->DeleteRows(rows);
        break;
      }
      case 4: {
        // An undo/redo pair changes nothing.
        const std::u16string text = doc->Text();
        const std::string shape = testing::DocumentShape(*doc);
        if (doc->Undo().Done) {
          Check(*doc, "after an undo");
          if (!doc->Redo().Done) Fail("an undone edit cannot be redone");
        }
        if (doc->Text() != text || testing::DocumentShape(*doc) != shape) Fail("an undo/redo pair changed the document");
        break;
      }
      default:
        // Deleting the only column leaves empty lines, which read back as blank lines.
        if (!plain || doc->ColumnCount() > 1) doc->DeleteColumn(col);
        break;
    }
    Check(*doc, "after an edit");
  }
  if (plain && doc->RowCount() > 0) {
    TCsvDocument again;
    // With the document's delimiter: deleting rows may leave other lines for detection to sample (the
    // save's check refuses what then reads otherwise).
    if (!again.Parse(doc->Text(), doc->Delimiter(), mode, trim, samples)) Fail("an edited table does not parse");
    if (again.RowCount() != doc->RowCount()) Fail("an edited table reads back with another number of rows");
    for (std::int32_t r = 0; r < doc->RowCount(); ++r) {
      if (again.Rows()[static_cast<std::size_t>(r)].IsComment || again.CellCount(r) != doc->CellCount(r) ||
          again.Rows()[static_cast<std::size_t>(r)].LineStart != doc->Rows()[static_cast<std::size_t>(r)].LineStart)
        Fail("an edited table reads back with other rows");
      for (std::int32_t c = 0; c < doc->CellCount(r); ++c)
        if (again.GetCell(r, c) != doc->GetCell(r, c)) Fail("an edited table reads back with other values");
    }
  }
  CheckExportReadsBack(*doc);

  // Undoing every edit gives back the loaded document, redoing them all the edited one.
  const std::u16string edited = doc->Text();
  const std::string editedShape = testing::DocumentShape(*doc);
  int undone = 0;
  for (; doc->CanUndo(); ++undone) {
    if (!doc->Undo().Done) Fail("an edit cannot be undone");
    Check(*doc, "after an undo");
  }
  if (doc->Text() != loaded || testing::DocumentShape(*doc) != loadedShape)
    Fail("undoing every edit does not give back the loaded document");
  if (doc->IsModified()) Fail("modified after undoing every edit");
  if (!encodesBack()) Fail("undoing every edit does not give back the loaded bytes");
  for (int k = 0; k < undone; ++k) {
    if (!doc->Redo().Done) Fail("an undone edit cannot be redone");
    Check(*doc, "after a redo");
  }
  if (doc->CanRedo() || doc->Text() != edited || testing::DocumentShape(*doc) != editedShape)
    Fail("redoing every edit does not give back the edited document");
  return 0;
}
