// Parsing and loading: how text becomes rows and cells, in every comment mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "test_support.h"
#include "document/csv_document.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "unit/document_invariants.h"

namespace qelvar {
namespace {

// A document rendered compactly: rows separated by " / ", cells by "|", comment rows prefixed "#:",
// values in brackets. Values are fully decoded.
std::string Render(TCsvDocument& doc) {
  std::string out;
  for (std::int32_t r = 0; r < doc.RowCount(); ++r) {
    if (r > 0) out += " / ";
    if (doc.Rows()[static_cast<std::size_t>(r)].IsComment) out += "#:";
    for (std::int32_t c = 0; c < doc.CellCount(r); ++c) {
      if (c > 0) out += "|";
      out += "[" + Utf16ToUtf8(doc.GetCell(r, c)) + "]";
    }
  }
  return out;
}

template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

std::unique_ptr<TCsvDocument> Load(std::string_view bytes, int mode = kCommentsParsed, char16_t delimiter = 0,
                                   bool trim = true, std::int64_t samples = 1000) {
  std::unique_ptr<TCsvDocument> doc;
  if (!LoadFromBytes(bytes, delimiter, mode, u"", doc, trim, samples)) return nullptr;
  return doc;
}

struct ParseCase {
  const char* name;
  const char* input;
  int mode;
  const char* rows;  // Render() of the result
  int columns;
  int hidden;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, RowsCellsAndCounts) {
  const ParseCase& c = GetParam();
  auto doc = Load(c.input, c.mode);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Render(*doc), c.rows);
  EXPECT_EQ(doc->ColumnCount(), c.columns);
  EXPECT_EQ(doc->HiddenCommentCount(), c.hidden);
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

INSTANTIATE_TEST_SUITE_P(
    Document, ParseTable,
    ::testing::Values(
        ParseCase{"Empty", "", 0, "", 0, 0},
        ParseCase{"TrailingEmptyField", "a,b,", 0, "[a]|[b]|[]", 3, 0},
        ParseCase{"QuotedLineBreak", "x,y\r\ny,\"3\r\n4\"\r\n", 0, "[x]|[y] / [y]|[3\r\n4]", 2, 0},
        ParseCase{"DoubledQuotes", "\"a\"\"b\",\"\"", 0, "[a\"b]|[]", 2, 0},
        ParseCase{"SpacesAroundQuotesAreNotQuoting", " \"x\" ,y", 0, "[\"x\"]|[y]", 2, 0},
        ParseCase{"QuoteInsideFieldOpensQuoting", "a\"b,c\"d", 0, "[a\"b,c\"d]", 1, 0},
        ParseCase{"CrAloneEndsLines", "a,b\rc,d\r", 0, "[a]|[b] / [c]|[d]", 2, 0},
        ParseCase{"MixedLineEnds", "a,b\nc,d\r\ne,f\rg,h", 0, "[a]|[b] / [c]|[d] / [e]|[f] / [g]|[h]", 2, 0},
        ParseCase{"PreambleMode0", "Report\nA,B,C\n1,2,3\n", 0, "#:[Report] / [A]|[B]|[C] / [1]|[2]|[3]", 3, 0},
        ParseCase{"PreambleMode1", "Report x,y\nA,B,C\n1,2,3\n", 1, "#:[Report x,y] / [A]|[B]|[C] / [1]|[2]|[3]", 3,
                  0},
        ParseCase{"PreambleMode2", "Report\nA,B,C\n1,2,3\n", 2, "[A]|[B]|[C] / [1]|[2]|[3]", 3, 1},
        ParseCase{"PreambleMode3", "Report\nA,B,C\n1,2,3\n", 3, "[A]|[B]|[C] / [1]|[2]|[3]", 3, 1},
        ParseCase{"BlankLineMode0", "a,b\n\nc,d\n", 0, "[a]|[b] / [] / [c]|[d]", 2, 0},
        ParseCase{"BlankLineMode1", "a,b\n\nc,d\n", 1, "[a]|[b] / [] / [c]|[d]", 2, 0},
        ParseCase{"BlankLineMode2", "a,b\n\nc,d\n", 2, "[a]|[b] / [c]|[d]", 2, 0},
        ParseCase{"BlankLineMode3AfterData", "a,b\n\nc,d\n", 3, "[a]|[b] / [] / [c]|[d]", 2, 0},
        // Blank lines before the first widest record lie before the data start: hidden preamble lines.
        ParseCase{"BlankLineMode3BeforeData", "\n\na,b\nc,d\n", 3, "[a]|[b] / [c]|[d]", 2, 2},
        ParseCase{"CommentsMode0", "#x,y\na,b\n", 0, "#:[#x]|[y] / [a]|[b]", 2, 0},
        ParseCase{"CommentsMode1KeepQuotesWhole", "#x,\"y\na,b\n", 1, "#:[#x,\"y] / [a]|[b]", 2, 0},
        ParseCase{"CommentsMode2Everywhere", "#c\na,b\n#d\nc,d\n", 2, "[a]|[b] / [c]|[d]", 2, 2},
        ParseCase{"CommentsMode3OnlyBeforeData", "sep=,\n#c\na,b\n#d\nc,d\n", 3, "[a]|[b] / #:[#d] / [c]|[d]", 2, 2},
        // One wider row (an unquoted delimiter too many) does not make the rows above it preamble.
        ParseCase{"WiderRowDoesNotMakePreamble", "a,b\nc,d\ne,f,g\n", 0, "[a]|[b] / [c]|[d] / [e]|[f]|[g]", 3, 0},
        ParseCase{"CommentAtEndMode1EndsWithDelimiter", "a,b\n#c,", 1, "[a]|[b] / #:[#c,]", 2, 0},
        ParseCase{"HiddenCommentAtEndWithDelimiter", "a,b\n#c,", 2, "[a]|[b]", 2, 1},
        ParseCase{"TrimmedUnquotedOnly", " a\t,\" b \"", 0, "[a]|[ b ]", 2, 0},

        // The table starts at the first record as wide as the table usually is: one row with an unquoted
        // delimiter too many, or rows ending with a delimiter, leave the header and the rows above alone.
        ParseCase{"HeaderStaysAboveOneWiderRow", "name,city,age\nAnn,Oslo,30\nCid,Paris, France,25\nDan,Kiev,33\n", 3,
                  "[name]|[city]|[age] / [Ann]|[Oslo]|[30] / [Cid]|[Paris]|[France]|[25] / [Dan]|[Kiev]|[33]", 4, 0},
        ParseCase{"HeaderStaysAboveTrailingDelimiters", "id,name\n1,Ann,\n2,Bob,\n", 3,
                  "[id]|[name] / [1]|[Ann]|[] / [2]|[Bob]|[]", 3, 0},
        ParseCase{"TitleAboveTrailingDelimiters", "Report\nid,name,age\n1,Ann,5,\n2,Bob,6,\n", 3,
                  "[id]|[name]|[age] / [1]|[Ann]|[5]|[] / [2]|[Bob]|[6]|[]", 4, 1},
        // Real preambles stay preamble: a title with or without a delimiter, two titles, a sep= line.
        ParseCase{"TitleWithDelimiterIsPreamble", "Sales report, 2024\nA,B,C\n1,2,3\n", 3,
                  "[A]|[B]|[C] / [1]|[2]|[3]", 3, 1},
        ParseCase{"TwoTitlesArePreambleMode0", "Report\nMade today\nA,B,C\n1,2,3\n", 0,
                  "#:[Report] / #:[Made today] / [A]|[B]|[C] / [1]|[2]|[3]", 3, 0},
        ParseCase{"TwoTitlesArePreambleMode2", "Report, 2024\nMade today, by Bob\nsep=,\nA,B,C\n1,2,3\n4,5,6\n", 2,
                  "[A]|[B]|[C] / [1]|[2]|[3] / [4]|[5]|[6]", 3, 3},
        // As many narrower records as wider ones: the narrower width is the table's (no row is hidden).
        ParseCase{"TieGoesToTheNarrowerWidth", "a,b\nc,d,e,f\n", 3, "[a]|[b] / [c]|[d]|[e]|[f]", 4, 0},
        ParseCase{"TitleAboveRaggedTableWithShortFooter", "Report\nA,B,C\n1,2,3\n4,5,6\nTotal 15\n", 0,
                  "#:[Report] / [A]|[B]|[C] / [1]|[2]|[3] / [4]|[5]|[6] / [Total 15]", 3, 0},

        // A quote on a comment line means nothing, in the pre-scan as in the cutting pass, in every mode.
        ParseCase{"QuotesOnCommentLinesMode0", "# 12\" records\nartist,title\nA,B\n# 7\" singles\nE,F\n", 0,
                  "#:[# 12\" records] / [artist]|[title] / [A]|[B] / #:[# 7\" singles] / [E]|[F]", 2, 0},
        ParseCase{"QuotesOnCommentLinesMode2", "# 12\" records\nartist,title\nA,B\nC,D\n# 7\" singles\nE,F\n", 2,
                  "[artist]|[title] / [A]|[B] / [C]|[D] / [E]|[F]", 2, 2},
        ParseCase{"QuotesOnCommentLinesMode3", "# 12\" records\nartist,title\nA,B\n# 7\" singles\nE,F\n", 3,
                  "[artist]|[title] / [A]|[B] / #:[# 7\" singles] / [E]|[F]", 2, 1},
        ParseCase{"QuotedDelimiterOnCommentLineSplits", "#x,\"y,z\"\na,b,c\n", 0, "#:[#x]|[\"y]|[z\"] / [a]|[b]|[c]", 3, 0},

        // In a semicolon file a ';'-led line is a row when it is as wide as the table, else a comment.
        ParseCase{"SemicolonLineOfTableWidthIsARow", "name;amount\nAnn;5\n;7\nBob;9\n", 2,
                  "[name]|[amount] / [Ann]|[5] / []|[7] / [Bob]|[9]", 2, 0},
        ParseCase{"SemicolonLineWithQuotedBreakIsARow", "a;b;c\n;\"x\ny\";z\n", 0, "[a]|[b]|[c] / []|[x\ny]|[z]", 3, 0},
        ParseCase{"SemicolonLineNarrowerThanTableIsAComment", ";note\na;b;c\n;\"x\n1;2;3\n", 2,
                  "[a]|[b]|[c] / [1]|[2]|[3]", 3, 2},
        ParseCase{"SemicolonLineInCommaFileIsAComment", "a,b\n;7\nc,d\n", 0, "[a]|[b] / #:[;7] / [c]|[d]", 2, 0}),
    [](const ::testing::TestParamInfo<ParseCase>& p) { return std::string(p.param.name); });

// ";note" is a comment (parsed like data in mode 0); ";b;c" is a data line with an empty first field, for
// the detector as well.
TEST(DocumentParse, SemicolonDataLineWithEmptyFirstField) {
  auto doc = Load(";note\n;b;c\n1;2;3\n");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->Delimiter(), u';');
  EXPECT_EQ(Render(*doc), "#:[]|[note] / []|[b]|[c] / [1]|[2]|[3]");
}

// Only the sampled records set the width: a wider row after them keeps ColumnCount cells, and the rest
// of its text stays in the row but in no cell.
TEST(DocumentParse, RowWiderThanTheSampleIsCut) {
  auto doc = Load("a,b\nc,d\ne,f,g,h\n", kCommentsParsed, 0, true, 2);
  ASSERT_TRUE(doc);
  EXPECT_EQ(Render(*doc), "[a]|[b] / [c]|[d] / [e]|[f]");
  EXPECT_EQ(doc->ColumnCount(), 2);
  EXPECT_EQ(doc->Rows()[2].LineLength, 8);
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

TEST(DocumentParse, LineLengthsAndPositions) {
  struct Case {
    const char* input;
    std::vector<std::pair<int, int>> rows;  // LineStart, LineLength
  };
  const Case cases[] = {
      {"a,b,c", {{1, 5}}},
      {"a,b,c\r\n", {{1, 7}}},
      {"a\r\nb\nc\rd", {{1, 3}, {4, 2}, {6, 2}, {8, 1}}},
      {"x,\"1\r\n2\"\r\ny\r\n", {{1, 10}, {11, 3}}},
  };
  for (const Case& c : cases) {
    auto doc = Load(c.input);
    ASSERT_TRUE(doc) << c.input;
    ASSERT_EQ(doc->RowCount(), static_cast<int>(c.rows.size())) << c.input;
    for (std::size_t r = 0; r < c.rows.size(); ++r) {
      EXPECT_EQ(doc->Rows()[r].LineStart, c.rows[r].first) << c.input << " row " << r;
      EXPECT_EQ(doc->Rows()[r].LineLength, c.rows[r].second) << c.input << " row " << r;
    }
  }
}

TEST(DocumentParse, UnbalancedQuoteFailsTheLoad) {
  for (const char* input : {"a\"b", "a,b\n\"c,d\n", "\"\"\"", "x,\"y\"\"\n"}) {
    std::unique_ptr<TCsvDocument> doc = std::make_unique<TCsvDocument>();
    EXPECT_FALSE(LoadFromBytes(input, 0, kCommentsParsed, u"", doc, true, 1000)) << input;
    EXPECT_EQ(doc, nullptr);
  }
}

// Regression: the cutting loop took a field for quoted only when its last opening quote was its first
// character, so a field that quotes again after its closing quote lost its Quoted flag.
TEST(DocumentParse, AFieldThatQuotesAgainAfterItsClosingQuoteIsQuoted) {
  struct Case {
    const char* bytes;
    std::vector<bool> quoted;  // of the first row's cells
  };
  const Case cases[] = {
      {"\"\"L\"\",x\n", {true, false}},
      {"\"a\"b\"c\",\"d\"\n", {true, true}},
      {"x,\"a\"\"b\"\n", {false, true}},
      {"\"a\"b,c\"d\"\n", {false, false}},
      {"\"\"\"\"\"\"\r\n", {true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    auto doc = Load(c.bytes, kCommentsParsed, u',', false, 0);
    ASSERT_TRUE(doc);
    EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
    ASSERT_EQ(doc->CellCount(0), static_cast<std::int32_t>(c.quoted.size()));
    for (std::size_t k = 0; k < c.quoted.size(); ++k)
      EXPECT_EQ(doc->Cells(0)[k].Quoted(), c.quoted[k]) << "cell " << k;
  }
}

TEST(DocumentParse, QuotedAndDecodedFlags) {
  auto doc = Load("\"\",\"x\",\"a\"\"b\",x\"\"y\n", kCommentsParsed, u',', false, 0);
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->CellCount(0), 4);
  EXPECT_FALSE(doc->Cells(0)[0].Decoded());
  EXPECT_TRUE(doc->Cells(0)[0].Quoted());   // "" is quoted
  EXPECT_TRUE(doc->Cells(0)[1].Quoted());
  EXPECT_FALSE(doc->Cells(0)[3].Quoted());  // quotes inside a field do not make it quoted
  EXPECT_EQ(doc->CellValue(0, 2), u"");     // nothing until decoded
  doc->DecodeCell(0, 2);
  EXPECT_TRUE(doc->Cells(0)[2].Decoded());
  EXPECT_EQ(doc->CellValue(0, 2), u"a\"b");
  EXPECT_EQ(doc->CellRaw(0, 2), u"\"a\"\"b\"");
}

TEST(DocumentParse, OutOfRangeReadsAreEmpty) {
  auto doc = Load("a,b,c\nd\n");
  ASSERT_TRUE(doc);
  for (auto [r, c] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {2, 0}, {0, 3}, {1, 1}, {1, 2}}) {
    EXPECT_EQ(doc->GetCell(r, c), u"") << r << "," << c;
    EXPECT_EQ(doc->CellRaw(r, c), u"");
    doc->DecodeCell(r, c);  // ignored
  }
  EXPECT_EQ(doc->GetCell(1, 0), u"d");
}

TEST(DocumentParse, SampleAndBackgroundDecoding) {
  std::string input;
  for (int i = 0; i < 100; ++i) input += std::to_string(i) + ",x,\"q\"\"\"\n";
  auto doc = Load(input, kCommentsParsed, 0, true, 3);  // rows 0, 49 and 99 are decoded at load
  ASSERT_TRUE(doc);
  auto decodedRows = [&] {
    std::vector<int> rows;
    for (int r = 0; r < doc->RowCount(); ++r)
      if (doc->Cells(r)[0].Decoded()) rows.push_back(r);
    return rows;
  };
  EXPECT_EQ(decodedRows(), (std::vector<int>{0, 49, 99}));
  EXPECT_TRUE(doc->HasUndecodedCells());
  EXPECT_EQ(doc->DecodeNext(0), 0);
  EXPECT_EQ(doc->DecodeNext(5), 5);  // row 0 is decoded: rows 1 and 2 (3 + 2 cells)
  EXPECT_EQ(doc->DecodeRow(), 2);
  EXPECT_EQ(doc->DecodeCol(), 2);
  int total = 5;
  while (int n = doc->DecodeNext(100)) total += n;
  EXPECT_EQ(total, 97 * 3);
  EXPECT_FALSE(doc->HasUndecodedCells());
  EXPECT_EQ(doc->GetCell(50, 2), u"q\"");
  EXPECT_EQ(testing::CheckDocumentInvariants(*doc), "");
}

TEST(DocumentParse, SampleOfOneRowAndOfMoreRowsThanExist) {
  auto doc = Load("a\nb\nc\n", kCommentsParsed, 0, true, 1);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->Cells(0)[0].Decoded());
  EXPECT_FALSE(doc->Cells(1)[0].Decoded());
  doc->DecodeSample(50);
  EXPECT_FALSE(doc->HasUndecodedCells());
}

TEST(DocumentParse, NoSamplesMeansWidthFromRows) {
  auto doc = Load("a\nb,c,d\n", kCommentsParsed, u',', true, 0);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->ColumnCount(), 3);
  EXPECT_FALSE(doc->Rows()[0].IsComment);  // no sample, no preamble
}

TEST(DocumentParse, DetectedAndForcedDelimiter) {
  auto detected = Load("a;b;c\n1;2;3\n");
  ASSERT_TRUE(detected);
  EXPECT_EQ(detected->Delimiter(), u';');
  EXPECT_EQ(detected->ColumnCount(), 3);
  auto forced = Load("a;b;c\n1;2;3\n", kCommentsParsed, u',');
  ASSERT_TRUE(forced);
  EXPECT_EQ(forced->Delimiter(), u',');
  EXPECT_EQ(forced->ColumnCount(), 1);
}

TEST(DocumentParse, EmptyFileIsCommaWithNoRows) {
  auto doc = Load("");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->RowCount(), 0);
  EXPECT_EQ(doc->ColumnCount(), 0);
  EXPECT_EQ(doc->Delimiter(), u',');
  EXPECT_FALSE(doc->HasUndecodedCells());
  EXPECT_EQ(doc->DecodeNext(10), 0);
}

TEST(DocumentParse, LossyDecodeIsRecorded) {
  struct Case {
    std::string bytes;
    std::u16string forced;
    bool lossless;
  };
  const Case cases[] = {
      {"a,b\n", u"", true},
      {"\xEF\xBB\xBF" "a,\xC3\xA9\n", u"", true},
      {"a,\xC0\xAF\n", u"", true},           // overlong only: read as ANSI
      {"a,\xED\xA0\x80\n", u"", true},       // a surrogate only: read as ANSI
      {"\xC3\xA9,\xC0\xAF\n", u"", false},  // overlong beside UTF-8: "?"
      {Bytes("\xFF\xFE" "a\0b"), u"", false},  // odd UTF-16 length
      {"a,\xE9\n", u"", true},               // ANSI
      {"a,\xE9\n", u"UTF-8", false},         // forced UTF-8 over ANSI bytes
  };
  for (const Case& c : cases) {
    std::unique_ptr<TCsvDocument> doc;
    ASSERT_TRUE(LoadFromBytes(c.bytes, 0, 0, c.forced, doc, true, 1000));
    EXPECT_EQ(doc->Lossless(), c.lossless) << ::testing::PrintToString(c.bytes);
  }
}

class DocumentLoadFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.path();
  }
  test::TempDir temp_;
  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).u16string();
  }
  std::filesystem::path dir_;
};

TEST_F(DocumentLoadFile, SizeLimitMessageAndNoLimit) {
  const std::u16string path = Write("big.csv", std::string(2000, 'a'));
  std::unique_ptr<TCsvDocument> doc;
  TLoadFailure failure;
  EXPECT_FALSE(LoadFromFile(path, 1999, 0, 0, doc, true, 1000, &failure));
  EXPECT_EQ(doc, nullptr);
  EXPECT_TRUE(failure.TooLarge);
  EXPECT_EQ(failure.FileSize, 2000);
  EXPECT_EQ(failure.Limit, 1999);
  // Exactly at the limit, and with no limit at all, the file loads and the reason is cleared.
  EXPECT_TRUE(LoadFromFile(path, 2000, 0, 0, doc, true, 1000, &failure));
  EXPECT_FALSE(failure.TooLarge);
  EXPECT_TRUE(LoadFromFile(path, 0, 0, 0, doc, true, 1000));
  EXPECT_TRUE(LoadFromFile(path, -5, 0, 0, doc, true, 1000));
}

TEST_F(DocumentLoadFile, MissingFileAndUnbalancedQuoteHaveNoMessage) {
  std::unique_ptr<TCsvDocument> doc;
  TLoadFailure failure;
  EXPECT_FALSE(LoadFromFile(Write("big.csv", "aaa"), 1, 0, 0, doc, true, 1000, &failure));
  EXPECT_TRUE(failure.TooLarge);
  EXPECT_FALSE(LoadFromFile((dir_ / "missing.csv").u16string(), 0, 0, 0, doc, true, 1000, &failure));
  EXPECT_FALSE(failure.TooLarge);
  EXPECT_FALSE(LoadFromFile(Write("q.csv", "a,\"b\n"), 0, 0, 0, doc, true, 1000, &failure));
  EXPECT_FALSE(failure.TooLarge);
  EXPECT_FALSE(LoadFromFile(dir_.u16string(), 0, 0, 0, doc, true, 1000));  // a folder
  EXPECT_EQ(doc, nullptr);
}

// A file that the process could never hold decoded is refused before it is read, as a failure without a
// reason of its own (the viewer then says the file could not be loaded), and the next load works. Only a
// 32-bit process has so little room that a test can make such a file: a sparse one, nothing written.
TEST_F(DocumentLoadFile, FileBeyondTheAddressSpaceIsRefused) {
  const std::uint64_t room = platform::AvailableAddressSpace();
  if (room > (std::uint64_t{8} << 30)) GTEST_SKIP() << "this process can address more than a test file could hold";
  // Just over the third the load allows itself (with a margin: the free room changes as the test runs),
  // and the whole free room.
  for (const std::uint64_t size : {room / 3 + (std::uint64_t{64} << 20), room}) {
    const std::filesystem::path path = dir_ / "huge.csv";
    std::ofstream(path, std::ios::binary) << "a,b\r\n";
    std::error_code error;
    std::filesystem::resize_file(path, size, error);
    if (error) GTEST_SKIP() << "cannot make a file of " << size << " bytes here";
    std::unique_ptr<TCsvDocument> doc;
    TLoadFailure failure;
    EXPECT_FALSE(LoadFromFile(path.u16string(), 0, 0, 0, doc, true, 1000, &failure)) << size;
    EXPECT_EQ(doc, nullptr);
    EXPECT_FALSE(failure.TooLarge);
    std::filesystem::remove(path, error);
    EXPECT_TRUE(LoadFromFile(Write("small.csv", "a,b\r\n1,2\r\n"), 0, 0, 0, doc, true, 1000));
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->RowCount(), 2);
  }
}

TEST_F(DocumentLoadFile, ForcedEncodingIsKept) {
  const std::u16string path = Write("e.csv", Bytes("\xFF\xFE" "a\0,\0b\0"));
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, 0, 0, u"UTF-16BE", doc, true, 1000));
  EXPECT_EQ(doc->Encoding().Name, u"UTF-16BE");
  EXPECT_FALSE(doc->Encoding().HasBom);
  EXPECT_EQ(doc->Text().substr(0, 1), std::u16string(1, char16_t{0xFFFE}));
}

}  // namespace
}  // namespace qelvar
