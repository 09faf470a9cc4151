// Editing by splicing: each operation's effect on the text, and what it refuses.
#include <gtest/gtest.h>

#include <functional>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "unit/document_invariants.h"

namespace qelvar {
namespace {

using Edit = std::function<bool(TCsvDocument&)>;

struct EditCase {
  const char* name;
  const char* input;
  int mode;
  bool trim;
  Edit edit;
  bool result;
  const char16_t* text;  // the document's text afterwards
  bool sameKinds = true;  // a fresh parse gives every row its kind again (false: the edit changed the shape)
};

class EditTable : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditTable, SplicesTheText) {
  const EditCase& c = GetParam();
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes(c.input, 0, c.mode, u"UTF-8", doc, c.trim, 1000));
  EXPECT_EQ(c.edit(*doc), c.result);
  EXPECT_EQ(doc->Text(), c.text);
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
  // What the edit left must read back the same after a fresh parse of the text: the same rows of the same
  // kinds. (A comment row keeps its cells when a column is deleted, so a fresh parse may cut it to the
  // narrower width; a row that lost its only cell reads back as an empty line.)
  std::unique_ptr<TCsvDocument> again = std::make_unique<TCsvDocument>();
  ASSERT_TRUE(again->Parse(doc->Text(), doc->Delimiter(), c.mode, c.trim, 1000));
  if (again->RowCount() == doc->RowCount()) {
    for (std::int32_t r = 0; r < doc->RowCount(); ++r) {
      if (c.sameKinds) {
        EXPECT_EQ(again->Rows()[static_cast<std::size_t>(r)].IsComment, doc->Rows()[static_cast<std::size_t>(r)].IsComment)
            << "kind of row " << r;
      }
      for (std::int32_t col = 0; col < doc->CellCount(r); ++col) {
        if (col >= again->CellCount(r) && doc->Rows()[static_cast<std::size_t>(r)].IsComment) continue;
        EXPECT_EQ(again->GetCell(r, col), doc->GetCell(r, col)) << r << "," << col;
      }
    }
  }
}

Edit Set(int row, int col, std::u16string value) {
  return [=](TCsvDocument& d) { return d.SetCell(row, col, value); };
}
Edit Insert(int row) {
  return [=](TCsvDocument& d) { return d.InsertRowAfter(row); };
}
Edit DelRow(int row) {
  return [=](TCsvDocument& d) { return d.DeleteRow(row); };
}
Edit DelCol(int col) {
  return [=](TCsvDocument& d) { return d.DeleteColumn(col); };
}
Edit Both(Edit a, Edit b) {
  return [=](TCsvDocument& d) { return a(d) && b(d); };
}

INSTANTIATE_TEST_SUITE_P(
    Document, EditTable,
    ::testing::Values(
        EditCase{"SetPlain", "a,b\r\nc,d\r\n", 0, true, Set(1, 0, u"xyz"), true, u"a,b\r\nxyz,d\r\n"},
        EditCase{"SetWithDelimiterQuotes", "a,b\n", 0, true, Set(0, 1, u"1,5"), true, u"a,\"1,5\"\n"},
        EditCase{"QuotedStaysQuoted", "a,b\n", 0, true, Both(Set(0, 1, u"1,5"), Set(0, 1, u"7")), true,
                 u"a,\"7\"\n"},
        EditCase{"SetDoublesQuotes", "a,b\n", 0, true, Set(0, 0, u"a\"b"), true, u"\"a\"\"b\",b\n"},
        EditCase{"SetLineBreakQuotes", "a,b\n", 0, true, Set(0, 0, u"1\r\n2"), true, u"\"1\r\n2\",b\n"},
        EditCase{"SetLeadingSpaceQuotes", "a,b\n", 0, true, Set(0, 0, u" x"), true, u"\" x\",b\n"},
        EditCase{"SetTrailingTabQuotes", "a,b\n", 0, false, Set(0, 0, u"x\t"), true, u"\"x\t\",b\n"},
        EditCase{"SetInnerSpaceNoQuotes", "a,b\n", 0, true, Set(0, 0, u"x y"), true, u"x y,b\n"},
        EditCase{"SetEmptyNoQuotes", "a,b\n", 0, true, Set(0, 0, u""), true, u",b\n"},
        EditCase{"SetEmptyQuotedKeepsQuotes", "\"a\",b\n", 0, true, Set(0, 0, u""), true, u"\"\",b\n"},
        EditCase{"SetSameValueTouchesNothing", " a ,\"b\"\n", 0, true, Set(0, 0, u"a"), true, u" a ,\"b\"\n"},
        EditCase{"SetSameQuotedValue", "\"x\"\"y\",b\n", 0, true, Set(0, 0, u"x\"y"), true, u"\"x\"\"y\",b\n"},
        EditCase{"SetShiftsLaterCellsAndRows", "a,b,c\nd,e,f\n", 0, true,
                 Both(Set(0, 0, u"long"), Set(1, 2, u"z")), true, u"long,b,c\nd,e,z\n"},
        EditCase{"SetOtherDelimiter", "a;b\n1;2\n", 0, true, Set(1, 1, u"1,5"), true, u"a;b\n1;1,5\n"},
        EditCase{"SetOnCommentRefused", "#c,d\na,b\n", 0, true, Set(0, 0, u"x"), false, u"#c,d\na,b\n"},
        EditCase{"SetOnPreambleRefused", "Title\na,b\n", 0, true, Set(0, 0, u"x"), false, u"Title\na,b\n"},
        EditCase{"SetOutOfRangeRefused", "a,b\nc\n", 0, true, Set(1, 1, u"x"), false, u"a,b\nc\n"},
        EditCase{"SetNegativeRefused", "a,b\n", 0, true, Set(-1, 0, u"x"), false, u"a,b\n"},

        EditCase{"InsertAfterCrLfRow", "a,b,c\r\nd,e,f\r\n", 0, true, Insert(0), true, u"a,b,c\r\n,,\r\nd,e,f\r\n"},
        EditCase{"InsertAfterLfRowInCrLfFile", "a,b\r\nc,d\ne,f\r\n", 0, true, Insert(1), true,
                 u"a,b\r\nc,d\n,\ne,f\r\n"},
        EditCase{"InsertAfterCrRow", "a,b\rc,d\r", 0, true, Insert(0), true, u"a,b\r,\rc,d\r"},
        EditCase{"InsertAfterLastRowWithoutBreak", "a,b\r\nc,d", 0, true, Insert(1), true, u"a,b\r\nc,d\r\n,"},
        EditCase{"InsertInFileWithoutBreaks", "a,b", 0, true, Insert(0), true, u"a,b\r\n,"},
        EditCase{"InsertUsesFirstBreakOfText", "\"x\ny\",b", 0, true, Insert(0), true, u"\"x\ny\",b\n,"},
        // A bare empty line would read back as a blank line (or be dropped): the new field is "".
        EditCase{"InsertOneColumnWritesQuotedEmptyField", "a\nb\n", 0, true, Insert(1), true, u"a\nb\n\"\"\n"},
        EditCase{"InsertThenDeleteFormerLast", "a,b\nc,d", 0, true, Both(Insert(1), DelRow(1)), true, u"a,b\n,"},
        EditCase{"InsertBeforeHiddenLines", "a,b\n#c\nd,e\n", 2, true, Insert(0), true, u"a,b\n,\n#c\nd,e\n"},
        EditCase{"InsertOutOfRangeRefused", "a,b\n", 0, true, Insert(1), false, u"a,b\n"},
        EditCase{"InsertIntoEmptyRefused", "", 0, true, Insert(0), false, u""},
        // Row -1: before the first row (after hidden lines), or into a table without rows.
        EditCase{"InsertFirstBeforeRowZero", "a,b\r\nc,d\r\n", 0, true, Insert(-1), true, u",\r\na,b\r\nc,d\r\n"},
        EditCase{"InsertFirstAfterHiddenLines", "#c\na,b\n", 2, true, Insert(-1), true, u"#c\n,\na,b\n"},
        EditCase{"InsertFirstIntoEmptyText", "", 0, true, Insert(-1), true, u"\"\"\r\n"},
        EditCase{"InsertFirstAfterHiddenLineWithoutBreak", "#c", 2, true, Insert(-1), true, u"#c\r\n\"\""},
        EditCase{"InsertBeforeMinusOneRefused", "a,b\n", 0, true, Insert(-2), false, u"a,b\n"},

        EditCase{"DeleteRowWithTerminator", "a\r\nb\r\nc", 0, true, DelRow(1), true, u"a\r\nc"},
        EditCase{"DeleteLastRow", "a\nb", 0, true, DelRow(1), true, u"a\n"},
        EditCase{"DeleteCommentRow", "#x\na\n", 0, true, DelRow(0), true, u"a\n"},
        EditCase{"DeleteRowKeepsHiddenLines", "a\n#x\nb\n", 2, true, DelRow(1), true, u"a\n#x\n"},
        EditCase{"DeleteRowOutOfRange", "a\n", 0, true, DelRow(1), false, u"a\n"},

        EditCase{"DeleteMiddleColumn", "a,b,c\n", 0, true, DelCol(1), true, u"a,c\n"},
        EditCase{"DeleteLastColumn", "a,b,c\n", 0, true, DelCol(2), true, u"a,b\n"},
        EditCase{"DeleteFirstColumn", "a,b,c\r\n1,2,3", 0, true, DelCol(0), true, u"b,c\r\n2,3"},
        EditCase{"DeleteOnlyColumnLeavesEmptyLine", "a\nb\n", 0, true, DelCol(0), true, u"\n\n"},
        EditCase{"DeleteColumnSkipsShortRowsAndComments", "#c,d,e\na,b,c\nx\n", 0, true, DelCol(1), true,
                 u"#c,d,e\na,c\nx\n"},
        EditCase{"DeleteColumnOfQuotedFields", "\"a,1\",\"b\nc\",d\n", 0, true, DelCol(1), true, u"\"a,1\",d\n"},
        EditCase{"DeleteColumnSkipsPreamble", "Title\na,b,c\nd,e,f\n", 0, true, DelCol(1), true,
                 u"Title\na,c\nd,f\n"},
        // A narrower first row above a wider one is the header, not preamble: it loses its field too. (Read
        // again, the one-field line above a three-field row is a title.)
        EditCase{"DeleteColumnTakesTheNarrowerHeader", "a,b\nc,d,e,f\n", 0, true, DelCol(1), true, u"a\nc,e,f\n",
                 false},
        EditCase{"DeleteColumnOutOfRange", "a,b\n", 0, true, DelCol(2), false, u"a,b\n"},
        EditCase{"DeleteColumnBelowOneWiderRow",
                 "name,city,age\nAnn,Oslo,30\nBob,Rome,41\nCid,Paris, France,25\nDan,Kiev,33\n", 0, true, DelCol(1),
                 true, u"name,age\nAnn,30\nBob,41\nCid, France,25\nDan,33\n"},

        // What an edit writes reads back as the same data row: a first field that would start a comment
        // line, and a line that would be empty, are written in quotes.
        EditCase{"SetHashFirstIsQuoted", "id,v\n1,a\n", 0, true, Set(1, 0, u"#5"), true, u"id,v\n\"#5\",a\n"},
        EditCase{"SetSepFirstIsQuoted", "id,v\n1,a\n", 0, true, Set(1, 0, u"SeP=1"), true, u"id,v\n\"SeP=1\",a\n"},
        EditCase{"SetSemicolonFirstIsQuoted", "id,v\n1,a\n", 0, true, Set(1, 0, u";x"), true, u"id,v\n\";x\",a\n"},
        EditCase{"SetHashLaterIsBare", "id,v\n1,a\n", 0, true, Set(1, 1, u"#5"), true, u"id,v\n1,#5\n"},
        EditCase{"SetSemicolonWithAnotherIsBare", "id,v\n1,a;b\n", 0, true, Set(1, 0, u";x"), true,
                 u"id,v\n;x,a;b\n"},
        EditCase{"SetHashInHiddenModeIsQuoted", "id\n1\n", 2, true, Set(1, 0, u"# x"), true, u"id\n\"# x\"\n"},
        EditCase{"SetOneColumnEmptyIsQuoted", "id\n1\n2", 0, true, Set(2, 0, u""), true, u"id\n1\n\"\""},
        EditCase{"SetEmptyBesideDelimiterIsBare", "id,v\n1,a\n", 0, true, Set(1, 0, u""), true, u"id,v\n,a\n"},
        // Emptying the first field of a semicolon line, or the field beside an empty first one, would
        // leave ";a" (a comment line as written): the first field becomes "".
        EditCase{"SetSemicolonFileEmptyFirstIsQuoted", "id;v\n1;a\n", 0, true, Set(1, 0, u""), true,
                 u"id;v\n\"\";a\n"},
        EditCase{"SetBesideEmptySemicolonFirstQuotesIt", "id;v\n;\"a;b\"\n", 0, true, Set(1, 1, u"c"), true,
                 u"id;v\n\"\";\"c\"\n"},
        // U+FEFF first in the text would be read back as a byte-order mark.
        EditCase{"SetMarkCharacterFirstInTextIsQuoted", "a,b\n1,2\n", 0, true, Set(0, 0, u"\uFEFFx"), true,
                 u"\"\uFEFFx\",b\n1,2\n"},
        EditCase{"SetMarkCharacterLaterIsBare", "a,b\n1,2\n", 0, true, Set(1, 0, u"\uFEFFx"), true,
                 u"a,b\n\uFEFFx,2\n"},
        EditCase{"InsertTwoColumnSemicolonQuotesFirst", "name;amount\nAnn;5\n", 0, true, Insert(1), true,
                 u"name;amount\nAnn;5\n\"\";\n"},
        EditCase{"InsertThreeColumnSemicolonIsBare", "a;b;c\n", 0, true, Insert(0), true, u"a;b;c\n;;\n"},
        EditCase{"InsertOneColumnAtEnd", "a\nb", 2, true, Insert(1), true, u"a\nb\n\"\""},
        EditCase{"DeleteFirstColumnBeforeHash", "a,b\n1,#x\n2,y\n", 0, true, DelCol(0), true, u"b\n\"#x\"\ny\n"},
        EditCase{"DeleteFirstColumnBeforeTrimmedSep", "a,b\n1,sep=x  \n", 0, true, DelCol(0), true,
                 u"b\n\"sep=x\"\n"},
        EditCase{"DeleteColumnLeavingEmptyLine", "a,b\n,x\n", 0, true, DelCol(1), true, u"a\n\"\"\n"},
        EditCase{"DeleteColumnLeavingSemicolonLine", "a;b;c\n1;;x\n", 0, true, DelCol(0), true,
                 u"b;c\n\"\";x\n"}),
    [](const ::testing::TestParamInfo<EditCase>& p) { return std::string(p.param.name); });

TEST(DocumentEdit, SetCellKeepsLaterPositionsAndValues) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a,\"b\"\"\",c\r\nd,e,f\r\n", 0, 0, u"", doc, true, 0));
  ASSERT_TRUE(doc->SetCell(0, 0, u"\"x\""));
  EXPECT_EQ(doc->Text(), u"\"\"\"x\"\"\",\"b\"\"\",c\r\nd,e,f\r\n");
  EXPECT_EQ(doc->CellStart(0, 1), 9);
  EXPECT_EQ(doc->CellStart(1, 0), 18);
  EXPECT_EQ(doc->Rows()[0].LineLength, 17);
  EXPECT_EQ(doc->GetCell(0, 0), u"\"x\"");
  EXPECT_EQ(doc->GetCell(0, 1), u"b\"");
  EXPECT_EQ(doc->GetCell(1, 2), u"f");
  EXPECT_TRUE(doc->Cells(0)[0].Quoted());
  EXPECT_TRUE(doc->Cells(0)[0].Decoded());
  // A value taken from the document itself is safe to pass back (the text moves under it).
  ASSERT_TRUE(doc->SetCell(1, 0, doc->ValueView(0, 0)));
  EXPECT_EQ(doc->GetCell(1, 0), u"\"x\"");
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

// A row wider than the sample keeps its extra fields as text in no cell; deleting its last kept column
// takes the delimiter before it and leaves that text alone.
TEST(DocumentEdit, DeleteColumnKeepsTextBeyondTheCells) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a,b\nc,d,e,f\n", 0, 0, u"", doc, true, 1));
  ASSERT_EQ(doc->CellCount(1), 2);
  ASSERT_TRUE(doc->DeleteColumn(1));
  EXPECT_EQ(doc->Text(), u"a\nc,e,f\n");
  EXPECT_EQ(doc->Rows()[1].LineLength, 6);
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

TEST(DocumentEdit, DecodingCursorFollowsRowEdits) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a\nb\nc\nd\n", 0, 0, u"", doc, true, 0));
  EXPECT_EQ(doc->DecodeNext(3), 3);  // a, b, c: cursor after row 2's only cell
  EXPECT_EQ(doc->DecodeRow(), 2);
  ASSERT_TRUE(doc->InsertRowAfter(0));
  EXPECT_EQ(doc->DecodeRow(), 3);
  ASSERT_TRUE(doc->DeleteRow(0));
  EXPECT_EQ(doc->DecodeRow(), 2);
  ASSERT_TRUE(doc->DeleteRow(2));
  EXPECT_EQ(doc->DecodeCol(), 0);
  EXPECT_TRUE(doc->HasUndecodedCells());
  EXPECT_EQ(doc->DecodeNext(10), 1);  // d
  EXPECT_FALSE(doc->HasUndecodedCells());
  ASSERT_TRUE(doc->DeleteColumn(0));
  EXPECT_EQ(doc->DecodeRow(), 0);
  EXPECT_EQ(doc->ColumnCount(), 0);
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

TEST(DocumentEdit, InsertedRowCellsAreEmptyAndDecoded) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a,b,c\n", 0, 0, u"", doc, true, 1000));
  ASSERT_TRUE(doc->InsertRowAfter(0));
  ASSERT_EQ(doc->CellCount(1), 3);
  for (int c = 0; c < 3; ++c) {
    EXPECT_TRUE(doc->Cells(1)[static_cast<std::size_t>(c)].Decoded());
    EXPECT_EQ(doc->CellStart(1, c), 7 + c);
  }
  EXPECT_FALSE(doc->Rows()[1].IsComment);
  ASSERT_TRUE(doc->SetCell(1, 2, u"z"));
  EXPECT_EQ(doc->Text(), u"a,b,c\n,,z\n");
}

TEST(DocumentEdit, StoredValuesAreReleasedAndReused) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("\"a\"\"\",\"b\"\"\"\n\"c\"\"\",d\n", 0, 0, u"", doc, true, 1000));
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(doc->SetCell(0, 0, i % 2 ? u"x\"" : u"y\"\""));
  ASSERT_TRUE(doc->DeleteColumn(1));
  ASSERT_TRUE(doc->DeleteRow(1));
  EXPECT_EQ(doc->GetCell(0, 0), u"x\"");
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

}  // namespace
}  // namespace qelvar
