// Deleting a set of rows in one pass, and taking every kind of edit back and doing it again: the text
// returns byte for byte, and the rows, cells and values with it.
#include <gtest/gtest.h>

#include <functional>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "unit/document_invariants.h"

namespace qelvar {
namespace {

using testing::CheckDocumentInvariants;
using testing::DocumentShape;

std::unique_ptr<TCsvDocument> Load(const char* bytes, int mode, bool trim = true) {
  std::unique_ptr<TCsvDocument> doc;
  if (!LoadFromBytes(bytes, 0, mode, u"UTF-8", doc, trim, 1000)) ADD_FAILURE() << "load failed: " << bytes;
  return doc;
}

// Every cell's value, row by row.
std::vector<std::vector<std::u16string>> Values(TCsvDocument& doc) {
  std::vector<std::vector<std::u16string>> values(static_cast<std::size_t>(doc.RowCount()));
  for (std::int32_t r = 0; r < doc.RowCount(); ++r)
    for (std::int32_t c = 0; c < doc.CellCount(r); ++c) values[static_cast<std::size_t>(r)].push_back(doc.GetCell(r, c));
  return values;
}

// ---- DeleteRows ---------------------------------------------------------------------------------

struct DeleteRowsCase {
  const char* name;
  const char* input;
  int mode;
  std::vector<std::int32_t> rows;
  std::int32_t deleted;
  const char16_t* text;  // afterwards
};

void PrintTo(const DeleteRowsCase& c, std::ostream* os) { *os << c.name; }

class DeleteRowsTable : public ::testing::TestWithParam<DeleteRowsCase> {};

TEST_P(DeleteRowsTable, DeletesLikeDeleteRowFromTheLastAndUndoes) {
  const DeleteRowsCase& c = GetParam();
  auto doc = Load(c.input, c.mode);
  auto oneByOne = Load(c.input, c.mode);
  ASSERT_TRUE(doc && oneByOne);
  const std::u16string loaded = doc->Text();
  const std::string loadedShape = DocumentShape(*doc);
  const auto loadedValues = Values(*doc);

  EXPECT_EQ(doc->DeleteRows(c.rows), c.deleted);
  EXPECT_EQ(doc->Text(), c.text);
  EXPECT_EQ(CheckDocumentInvariants(*doc), "");
  std::vector<std::int32_t> sorted = c.rows;
  std::sort(sorted.rbegin(), sorted.rend());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (const std::int32_t row : sorted) oneByOne->DeleteRow(row);
  EXPECT_EQ(oneByOne->Text(), doc->Text());
  EXPECT_EQ(DocumentShape(*oneByOne), DocumentShape(*doc));
  EXPECT_EQ(Values(*oneByOne), Values(*doc));
  EXPECT_EQ(doc->IsModified(), c.deleted > 0);
  EXPECT_EQ(doc->CanUndo(), c.deleted > 0);
  if (c.deleted == 0) return;

  const std::u16string after = doc->Text();
  const std::string afterShape = DocumentShape(*doc);
  const TCsvUndoResult undone = doc->Undo();
  EXPECT_TRUE(undone.Done);
  EXPECT_EQ(undone.Kind, ekDeleteRows);
  EXPECT_FALSE(undone.ColumnsChanged);
  EXPECT_EQ(doc->Text(), loaded);
  EXPECT_EQ(DocumentShape(*doc), loadedShape);
  EXPECT_EQ(Values(*doc), loadedValues);
  EXPECT_EQ(CheckDocumentInvariants(*doc), "");
  EXPECT_FALSE(doc->IsModified());

  EXPECT_TRUE(doc->Redo().Done);
  EXPECT_EQ(doc->Text(), after);
  EXPECT_EQ(DocumentShape(*doc), afterShape);
  EXPECT_EQ(CheckDocumentInvariants(*doc), "");
}

INSTANTIATE_TEST_SUITE_P(
    Document, DeleteRowsTable,
    ::testing::Values(
        DeleteRowsCase{"First", "a,b\r\nc,d\r\ne,f\r\n", 0, {0}, 1, u"c,d\r\ne,f\r\n"},
        DeleteRowsCase{"LastWithoutBreak", "a\nb\nc", 0, {2}, 1, u"a\nb\n"},
        DeleteRowsCase{"LastTwoWithoutBreak", "a\nb\nc", 0, {2, 1}, 2, u"a\n"},
        DeleteRowsCase{"All", "a,1\nb,2\nc,3", 0, {2, 0, 1}, 3, u""},
        DeleteRowsCase{"UnsortedDuplicatesAndInvalid", "1\n2\n3\n4\n5\n", 0, {3, -1, 1, 3, 99, 1, 5}, 2,
                       u"1\n3\n5\n"},
        DeleteRowsCase{"NoneValid", "1\n2\n", 0, {-1, 2, 99}, 0, u"1\n2\n"},
        DeleteRowsCase{"EmptyList", "1\n2\n", 0, {}, 0, u"1\n2\n"},
        DeleteRowsCase{"CommentRows", "#c\na,b\n#d\nc,d\n", 0, {0, 2}, 2, u"a,b\nc,d\n"},
        DeleteRowsCase{"PreambleRow", "Title\na,b\n1,2\n", 0, {0}, 1, u"a,b\n1,2\n"},
        // Hidden lines between kept rows are not rows: they stay where they were.
        DeleteRowsCase{"KeepsHiddenLines", "a\n#x\nb\n#y\nc\n", 2, {1}, 1, u"a\n#x\n#y\nc\n"},
        DeleteRowsCase{"AroundHiddenLines", "a\n#x\nb\n#y\nc\n", 2, {0, 2}, 2, u"#x\nb\n#y\n"},
        DeleteRowsCase{"CrEndings", "a\rb\rc\r", 0, {1}, 1, u"a\rc\r"},
        DeleteRowsCase{"MixedEndings", "a\r\nb\nc\rd\r\n", 0, {0, 2}, 2, u"b\nd\r\n"},
        DeleteRowsCase{"QuotedLineBreaks", "a,b\n\"x\r\ny\",z\nc,d\n\"p\nq\",r", 0, {1, 3}, 2, u"a,b\nc,d\n"},
        DeleteRowsCase{"EmptyLines", "a,b\n\nc,d\n\n", 0, {1, 3}, 2, u"a,b\nc,d\n"}),
    [](const ::testing::TestParamInfo<DeleteRowsCase>& p) { return std::string(p.param.name); });

TEST(DocumentDeleteRows, KeepsStoredValuesOfTheRowsThatStay) {
  auto doc = Load("\"a\"\"1\",x\n\"b\"\"2\",y\n\"c\"\"3\",z\n", 0);
  ASSERT_EQ(doc->DeleteRows(std::vector<std::int32_t>{1}), 1);
  EXPECT_EQ(doc->GetCell(0, 0), u"a\"1");
  EXPECT_EQ(doc->GetCell(1, 0), u"c\"3");
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_EQ(doc->GetCell(1, 0), u"b\"2");
  EXPECT_EQ(doc->GetCell(2, 0), u"c\"3");
  EXPECT_EQ(CheckDocumentInvariants(*doc), "");
}

// ---- undo and redo of each kind -----------------------------------------------------------------

using Edit = std::function<bool(TCsvDocument&)>;

Edit Set(int row, int col, std::u16string value) {
  return [=](TCsvDocument& d) { return d.SetCell(row, col, value); };
}
Edit Insert(int row) {
  return [=](TCsvDocument& d) { return d.InsertRowAfter(row); };
}
Edit DelRow(int row) {
  return [=](TCsvDocument& d) { return d.DeleteRow(row); };
}
Edit DelRows(std::vector<std::int32_t> rows) {
  return [=](TCsvDocument& d) { return d.DeleteRows(rows) > 0; };
}
Edit DelCol(int col) {
  return [=](TCsvDocument& d) { return d.DeleteColumn(col); };
}

struct UndoCase {
  const char* name;
  const char* input;
  int mode;
  Edit edit;
  const char16_t* edited;  // the text after the edit
  TCsvEditKind kind;
  bool columnsChanged;
  std::int32_t undoRow;  // TCsvUndoResult::Row of the undo and of the redo
  std::int32_t redoRow;
  std::int32_t column;
  Edit before = nullptr;  // done first, not undone
};

void PrintTo(const UndoCase& c, std::ostream* os) { *os << c.name; }

class UndoTable : public ::testing::TestWithParam<UndoCase> {};

TEST_P(UndoTable, UndoRestoresAndRedoRepeats) {
  const UndoCase& c = GetParam();
  auto doc = Load(c.input, c.mode);
  ASSERT_TRUE(doc);
  if (c.before) {
    ASSERT_TRUE(c.before(*doc));
    doc->MarkSaved();
  }
  const std::u16string text0 = doc->Text();
  const std::string shape0 = DocumentShape(*doc);
  const auto values0 = Values(*doc);
  ASSERT_TRUE(c.edit(*doc));
  ASSERT_EQ(doc->Text(), c.edited);
  EXPECT_EQ(doc->UndoKind(), c.kind);
  const std::string shape1 = DocumentShape(*doc);
  const auto values1 = Values(*doc);

  for (int round = 0; round < 2; ++round) {
    const TCsvUndoResult undone = doc->Undo();
    EXPECT_TRUE(undone.Done);
    EXPECT_EQ(undone.Kind, c.kind);
    EXPECT_EQ(undone.ColumnsChanged, c.columnsChanged);
    EXPECT_EQ(undone.Row, c.undoRow);
    EXPECT_EQ(undone.Column, c.column);
    EXPECT_EQ(doc->Text(), text0);
    EXPECT_EQ(DocumentShape(*doc), shape0);
    EXPECT_EQ(CheckDocumentInvariants(*doc), "");
    EXPECT_EQ(Values(*doc), values0);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->RedoKind(), c.kind);

    const TCsvUndoResult redone = doc->Redo();
    EXPECT_TRUE(redone.Done);
    EXPECT_EQ(redone.Kind, c.kind);
    EXPECT_EQ(redone.ColumnsChanged, c.columnsChanged);
    EXPECT_EQ(redone.Row, c.redoRow);
    EXPECT_EQ(redone.Column, c.column);
    EXPECT_EQ(doc->Text(), c.edited);
    EXPECT_EQ(DocumentShape(*doc), shape1);
    EXPECT_EQ(CheckDocumentInvariants(*doc), "");
    EXPECT_EQ(Values(*doc), values1);
    EXPECT_TRUE(doc->IsModified());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Document, UndoTable,
    ::testing::Values(
        UndoCase{"SetPlain", "a,b\r\nc,d\r\n", 0, Set(1, 0, u"xyz"), u"a,b\r\nxyz,d\r\n", ekSetCell, false, 1, 1, 0},
        UndoCase{"SetDoublesQuotes", "a,b\nc,d\n", 0, Set(0, 1, u"q\"r"), u"a,\"q\"\"r\"\nc,d\n", ekSetCell, false, 0, 0, 1},
        // The old value is stored apart from the text (doubled quotes): it must come back.
        UndoCase{"SetOverStoredValue", "\"x\"\"y\",b\n", 0, Set(0, 0, u"z"), u"\"z\",b\n", ekSetCell, false, 0, 0, 0},
        UndoCase{"SetOverTrimmedValue", " a ,b\n", 0, Set(0, 0, u"long value"), u"long value,b\n", ekSetCell, false, 0,
                 0, 0},
        UndoCase{"SetHashFirst", "id,v\n1,a\n", 0, Set(1, 0, u"#5"), u"id,v\n\"#5\",a\n", ekSetCell, false, 1, 1, 0},
        // The edit also quoted the empty first field so that the line does not read as a comment.
        UndoCase{"SetAlsoQuotesFirst", "id;v\n;\"a;b\"\n", 0, Set(1, 1, u"c"), u"id;v\n\"\";\"c\"\n", ekSetCell, false,
                 1, 1, 1},
        UndoCase{"SetMultiLine", "a,b\nc,d\n", 0, Set(0, 0, u"1\r\n2"), u"\"1\r\n2\",b\nc,d\n", ekSetCell, false, 0, 0,
                 0},

        UndoCase{"InsertAfterCrLfRow", "a,b,c\r\nd,e,f\r\n", 0, Insert(0), u"a,b,c\r\n,,\r\nd,e,f\r\n", ekInsertRow,
                 false, 0, 1, -1},
        // The row above had no terminator: the insert gave it one, and undo takes it away again.
        UndoCase{"InsertAfterLastRowWithoutBreak", "a,b\r\nc,d", 0, Insert(1), u"a,b\r\nc,d\r\n,", ekInsertRow, false,
                 1, 2, -1},
        UndoCase{"InsertInFileWithoutBreaks", "a,b", 0, Insert(0), u"a,b\r\n,", ekInsertRow, false, 0, 1, -1},
        UndoCase{"InsertOneColumn", "a\nb\n", 0, Insert(0), u"a\n\"\"\nb\n", ekInsertRow, false, 0, 1, -1},
        UndoCase{"InsertBeforeHiddenLines", "a,b\n#c\nd,e\n", 2, Insert(0), u"a,b\n,\n#c\nd,e\n", ekInsertRow, false, 0,
                 1, -1},
        // After the only column went, an inserted row makes the width 1 again.
        UndoCase{"InsertFirstRow", "a,b\nc,d\n", 0, Insert(-1), u",\na,b\nc,d\n", ekInsertRow, false, 0, 0, -1},
        UndoCase{"InsertFirstAfterHiddenLineWithoutBreak", "#c", 2, Insert(-1), u"#c\r\n\"\"", ekInsertRow, true,
                 -1, 0, -1},
        UndoCase{"InsertIntoNoColumns", "a\nb\n", 0, Insert(0), u"\n\"\"\n\n", ekInsertRow, true, 0, 1, -1, DelCol(0)},

        UndoCase{"DeleteRowMiddle", "a\r\nb\r\nc", 0, DelRow(1), u"a\r\nc", ekDeleteRows, false, 1, 1, -1},
        UndoCase{"DeleteRowLastWithoutBreak", "a\nb", 0, DelRow(1), u"a\n", ekDeleteRows, false, 1, -1, -1},
        UndoCase{"DeleteRowComment", "#x\na\n", 0, DelRow(0), u"a\n", ekDeleteRows, false, 0, 0, -1},
        UndoCase{"DeleteRowsSpread", "h\n1\n2\n3\n4\n", 0, DelRows({4, 1, 3}), u"h\n2\n", ekDeleteRows, false, 1, 1, -1},
        UndoCase{"DeleteRowsAll", "h\n1", 0, DelRows({0, 1}), u"", ekDeleteRows, false, 0, -1, -1},

        UndoCase{"DeleteColumnMiddle", "a,b,c\n1,2,3\n", 0, DelCol(1), u"a,c\n1,3\n", ekDeleteColumn, true, -1, -1, 1},
        UndoCase{"DeleteColumnLast", "a,b,c\r\n1,2,3", 0, DelCol(2), u"a,b\r\n1,2", ekDeleteColumn, true, -1, -1, 2},
        UndoCase{"DeleteColumnFirst", "a,b,c\n1,2,3\n", 0, DelCol(0), u"b,c\n2,3\n", ekDeleteColumn, true, -1, -1, 0},
        UndoCase{"DeleteOnlyColumn", "a\nb\n", 0, DelCol(0), u"\n\n", ekDeleteColumn, true, -1, -1, 0},
        UndoCase{"DeleteColumnSkipsShortRowsAndComments", "#c,d,e\na,b,c\nx\n", 0, DelCol(1), u"#c,d,e\na,c\nx\n",
                 ekDeleteColumn, true, -1, -1, 1},
        UndoCase{"DeleteColumnOfQuotedFields", "\"a,1\",\"b\nc\",\"d\"\"\"\n1,2,3\n", 0, DelCol(1),
                 u"\"a,1\",\"d\"\"\"\n1,3\n", ekDeleteColumn, true, -1, -1, 1},
        UndoCase{"DeleteColumnLastOfQuotedFields", "a,\"x\"\"y\"\n1,\"2\n3\"\n", 0, DelCol(1), u"a\n1\n",
                 ekDeleteColumn, true, -1, -1, 1},
        // The deletion quoted the new first fields (a comment start, an empty line): undo unquotes them.
        UndoCase{"DeleteFirstColumnBeforeHash", "a,b\n1,#x\n2,y\n", 0, DelCol(0), u"b\n\"#x\"\ny\n", ekDeleteColumn,
                 true, -1, -1, 0},
        UndoCase{"DeleteColumnLeavingEmptyLines", "a,b\n,x\n,y\n", 0, DelCol(1), u"a\n\"\"\n\"\"\n", ekDeleteColumn,
                 true, -1, -1, 1},
        UndoCase{"DeleteColumnLeavingSemicolonLine", "a;b;c\n1;;x\n", 0, DelCol(0), u"b;c\n\"\";x\n", ekDeleteColumn,
                 true, -1, -1, 0},
        UndoCase{"DeleteColumnTrimmedSep", "a,b\n1,sep=x  \n", 0, DelCol(0), u"b\n\"sep=x\"\n", ekDeleteColumn, true,
                 -1, -1, 0}),
    [](const ::testing::TestParamInfo<UndoCase>& p) { return std::string(p.param.name); });

// ---- the history ----------------------------------------------------------------------------------

TEST(DocumentHistory, NothingToUndoOrRedoChangesNothing) {
  auto doc = Load("a,b\n", 0);
  EXPECT_FALSE(doc->CanUndo());
  EXPECT_FALSE(doc->CanRedo());
  EXPECT_EQ(doc->UndoKind(), ekNone);
  EXPECT_FALSE(doc->Undo().Done);
  EXPECT_FALSE(doc->Redo().Done);
  EXPECT_EQ(doc->Text(), u"a,b\n");
}

TEST(DocumentHistory, RefusedAndUnchangedEditsRecordNothing) {
  auto doc = Load("#c\na,b\n", 0);
  EXPECT_FALSE(doc->SetCell(0, 0, u"x"));         // a comment row
  EXPECT_FALSE(doc->SetCell(1, 5, u"x"));         // no such cell
  EXPECT_TRUE(doc->SetCell(1, 0, u"a"));          // the value it has
  EXPECT_FALSE(doc->InsertRowAfter(2));
  EXPECT_FALSE(doc->DeleteRow(-1));
  EXPECT_EQ(doc->DeleteRows(std::vector<std::int32_t>{7}), 0);
  EXPECT_FALSE(doc->DeleteColumn(2));
  EXPECT_FALSE(doc->CanUndo());
  EXPECT_FALSE(doc->IsModified());
}

TEST(DocumentHistory, NewEditDropsWhatCouldBeRedone) {
  auto doc = Load("a,b\nc,d\n", 0);
  ASSERT_TRUE(doc->SetCell(1, 0, u"x"));
  ASSERT_TRUE(doc->InsertRowAfter(1));
  ASSERT_TRUE(doc->Undo().Done);
  ASSERT_TRUE(doc->CanRedo());
  ASSERT_TRUE(doc->SetCell(1, 1, u"y"));
  EXPECT_FALSE(doc->CanRedo());
  EXPECT_EQ(doc->Text(), u"a,b\nx,y\n");
  ASSERT_TRUE(doc->Undo().Done);
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_EQ(doc->Text(), u"a,b\nc,d\n");
  EXPECT_FALSE(doc->CanUndo());
}

TEST(DocumentHistory, ModifiedFollowsTheSavedPoint) {
  auto doc = Load("a,b\nc,d\n", 0);
  ASSERT_TRUE(doc->SetCell(1, 0, u"1"));
  EXPECT_TRUE(doc->IsModified());
  ASSERT_TRUE(doc->SetCell(1, 0, u"2"));
  doc->MarkSaved();
  EXPECT_FALSE(doc->IsModified());
  ASSERT_TRUE(doc->Undo().Done);  // past the save: the file holds "2"
  EXPECT_TRUE(doc->IsModified());
  ASSERT_TRUE(doc->Undo().Done);  // back at the load, but the file was saved since
  EXPECT_TRUE(doc->IsModified());
  ASSERT_TRUE(doc->Redo().Done);
  ASSERT_TRUE(doc->Redo().Done);
  EXPECT_FALSE(doc->IsModified());

  // Once the saved state cannot be reached again, no position of the history is unmodified.
  ASSERT_TRUE(doc->Undo().Done);
  ASSERT_TRUE(doc->SetCell(1, 0, u"3"));
  EXPECT_TRUE(doc->IsModified());
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_TRUE(doc->IsModified());
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_TRUE(doc->IsModified());
}

TEST(DocumentHistory, ClearingKeepsWhetherModified) {
  auto doc = Load("a,b\n", 0);
  ASSERT_TRUE(doc->SetCell(0, 0, u"x"));
  doc->ClearHistory();
  EXPECT_FALSE(doc->CanUndo());
  EXPECT_TRUE(doc->IsModified());
  doc->MarkSaved();
  EXPECT_FALSE(doc->IsModified());
  ASSERT_TRUE(doc->SetCell(0, 0, u"y"));
  ASSERT_TRUE(doc->Undo().Done);
  doc->ClearHistory();
  EXPECT_FALSE(doc->IsModified());
  EXPECT_FALSE(doc->CanRedo());
}

TEST(DocumentHistory, UndoesAMixedSequenceBackToTheLoadedText) {
  const char* input = "id,name,city\r\n1,Ann,Oslo\r\n# note\r\n2,\"Bo, B\",Rome\r\n3,Cid,\"Par\r\nis\"";
  auto doc = Load(input, 0);
  const std::u16string loaded = doc->Text();
  const std::string shape = DocumentShape(*doc);
  ASSERT_TRUE(doc->SetCell(1, 1, u"Anna \"A\""));
  ASSERT_TRUE(doc->InsertRowAfter(4));
  ASSERT_TRUE(doc->SetCell(5, 2, u"new"));
  ASSERT_EQ(doc->DeleteRows(std::vector<std::int32_t>{2, 0}), 2);
  ASSERT_TRUE(doc->DeleteColumn(0));
  ASSERT_TRUE(doc->SetCell(0, 0, u"#x"));
  ASSERT_TRUE(doc->DeleteRow(1));
  EXPECT_EQ(doc->Text(), u"\"#x\",Oslo\r\nCid,\"Par\r\nis\"\r\n,new");
  int steps = 0;
  while (doc->CanUndo()) {
    ASSERT_TRUE(doc->Undo().Done);
    ASSERT_EQ(CheckDocumentInvariants(*doc), "") << "after undo " << steps;
    ++steps;
  }
  EXPECT_EQ(steps, 7);
  EXPECT_EQ(doc->Text(), loaded);
  EXPECT_EQ(DocumentShape(*doc), shape);
  EXPECT_FALSE(doc->IsModified());
  while (doc->CanRedo()) ASSERT_TRUE(doc->Redo().Done);
  EXPECT_EQ(doc->Text(), u"\"#x\",Oslo\r\nCid,\"Par\r\nis\"\r\n,new");
  EXPECT_EQ(CheckDocumentInvariants(*doc), "");
}

// Undo memory was unbounded: beyond the bound the oldest steps go, the newest stays, the document stays
// modified at the bottom of what is left, and the caller learns it once.
TEST(DocumentHistory, UndoMemoryIsBoundedOldestStepsFirst) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a,b\n1,2\n", 0, 0, u"UTF-8", doc, true, 1000));
  doc->SetUndoMemoryLimit(8);
  ASSERT_TRUE(doc->SetCell(1, 0, u"aaaa"));  // keeps "1": 2 bytes
  EXPECT_FALSE(doc->DroppedUndoSteps());
  ASSERT_TRUE(doc->SetCell(1, 0, u"bbbb"));  // keeps "aaaa": 8 bytes, 10 in all
  EXPECT_TRUE(doc->DroppedUndoSteps());
  doc->AcknowledgeDroppedUndoSteps();
  EXPECT_FALSE(doc->DroppedUndoSteps());
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_EQ(doc->Text(), u"a,b\naaaa,2\n");
  EXPECT_FALSE(doc->CanUndo());
  EXPECT_TRUE(doc->IsModified());
  // The bound counts every step kept: the next edit drops the older one again.
  ASSERT_TRUE(doc->Redo().Done);
  ASSERT_TRUE(doc->SetCell(1, 1, u"cccccccccc"));
  ASSERT_TRUE(doc->Undo().Done);
  EXPECT_EQ(doc->Text(), u"a,b\nbbbb,2\n");
  EXPECT_FALSE(doc->CanUndo());
}

}  // namespace
}  // namespace qelvar
