// The load in blocks against the load in one piece: for every block size, the same document.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "document/progressive_load.h"
#include "test_support.h"

namespace qelvar {
namespace {

struct TLoadCase {
  const char* Name;
  std::string Bytes;
  int CommentMode = kCommentsParsed;
  char16_t Delimiter = 0;
  std::u16string_view Encoding = u"";
};

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

const std::vector<TLoadCase>& Cases() {
  static const std::vector<TLoadCase> cases = {
      {"CrLfSplit", "a,b\r\nc,d\r\ne,f\r\n"},
      {"QuotedLineBreaks", "h1,h2\n\"one\r\ntwo\nthree\",x\n\"a\"\"b\",\"\"\"\"\ny,z\n"},
      {"DoubledQuoteSplit", "a,\"\"\"\"\"\"\n\"x\"\"\",y\n"},
      {"Utf8Multibyte", "n\xC3\xA4me;\xE2\x82\xAC\n\xF0\x9F\x98\x80;\xE6\x97\xA5\xE6\x9C\xAC\n"},
      {"Utf8Bom", "\xEF\xBB\xBFx,y\n1,2\n"},
      {"Utf16LeSurrogate", Utf16(u"a\tb\r\n\U0001F600\tc\r\nd\t\u00E9\r\n", false)},
      {"Utf16BeSurrogate", Utf16(u"a,b\n\U0001F600x,c\n", true)},
      {"Ansi", "caf\xE9;na\xEFve\nb\xE4r;\xFC\n"},
      {"AnsiForced", "a,\x80\n\xFF,b\n", kCommentsParsed, 0, u"ANSI"},
      {"CommentsParsed", "# note\na,b\n#,c\n1,2\n", kCommentsParsed},
      {"CommentsUnparsed", "# note, with \"quote\na,b\n1,2\n", kCommentsUnparsed},
      {"CommentsHidden", "# one\n\n; two\na,b\n\n# mid\n1,2\n", kCommentsHidden},
      {"CommentsAuto", "Report of today\n\n# x\na,b,c\n1,2,3\n# kept\n\n4,5,6\n", kCommentsAuto},
      {"PreambleAuto", "title line\nsecond line\nname;age;city\nann;3;x\nbob;4;y\n", kCommentsAuto},
      {"SemicolonCommentQuote", "; a \"quoted\nx,y\n1,2\n", kCommentsHidden},
      {"EmptyLines", "a,b\n\n\n1,2\n\n"},
      {"NoFinalTerminator", "a,b\n1,2"},
      {"LoneCrEndings", "a,b\r1,2\r3,4"},
      {"HeaderOnly", "id,name,value\n"},
      {"Empty", ""},
      {"OneColumn", "alpha\nbeta\ngamma\n"},
      {"WiderLater", "a,b\n1,2\n3,4,5,6\n7,8\n"},
      {"DelimiterGiven", "a;b,c\n1;2,3\n", kCommentsParsed, u','},
      {"OpenQuoteAtEnd", "a,b\n\"1,2\n3,4\n"},
      // A ';' line as wide as the table is a row: its quote spans the CR, so a block must not end in it.
      {"SemicolonLineCutByABlock", "a;b;c\nd;e;f\n;lies\"\rx;y\";z\n", kCommentsHidden, u';'},
  };
  return cases;
}

void ExpectSameDocument(const TCsvDocument& expected, const TCsvDocument& actual) {
  EXPECT_EQ(expected.Text(), actual.Text());
  EXPECT_EQ(expected.Delimiter(), actual.Delimiter());
  EXPECT_EQ(expected.DelimiterDetected(), actual.DelimiterDetected());
  EXPECT_EQ(expected.SingleColumn(), actual.SingleColumn());
  EXPECT_EQ(expected.Encoding().Name, actual.Encoding().Name);
  EXPECT_EQ(expected.Encoding().HasBom, actual.Encoding().HasBom);
  EXPECT_EQ(expected.Encoding().Lossless, actual.Encoding().Lossless);
  EXPECT_EQ(expected.Encoding().Detected, actual.Encoding().Detected);
  EXPECT_EQ(expected.HiddenCommentCount(), actual.HiddenCommentCount());
  EXPECT_EQ(expected.ColumnCount(), actual.ColumnCount());
  EXPECT_FALSE(actual.CanUndo());
  EXPECT_FALSE(actual.IsModified());
  ASSERT_EQ(expected.RowCount(), actual.RowCount());
  for (std::int32_t r = 0; r < expected.RowCount(); ++r) {
    const TCsvRow& a = expected.Rows()[static_cast<std::size_t>(r)];
    const TCsvRow& b = actual.Rows()[static_cast<std::size_t>(r)];
    ASSERT_EQ(a.LineStart, b.LineStart) << "row " << r;
    ASSERT_EQ(a.LineLength, b.LineLength) << "row " << r;
    ASSERT_EQ(a.IsComment, b.IsComment) << "row " << r;
    ASSERT_EQ(expected.CellCount(r), actual.CellCount(r)) << "row " << r;
    for (std::int32_t c = 0; c < expected.CellCount(r); ++c) {
      ASSERT_EQ(expected.CellStart(r, c), actual.CellStart(r, c)) << "row " << r << " col " << c;
      ASSERT_EQ(expected.CellRaw(r, c), actual.CellRaw(r, c)) << "row " << r << " col " << c;
      ASSERT_EQ(expected.CellValue(r, c), actual.CellValue(r, c)) << "row " << r << " col " << c;
    }
  }
}

// Loads `path` both ways for every block size and compares; the full load's failure must be the
// block load's too.
void CompareLoads(const std::u16string& path, const TLoadCase& c, std::int64_t sampleRows = 1000) {
  std::unique_ptr<TCsvDocument> whole;
  const bool wholeOk = LoadFromFile(path, 0, c.Delimiter, c.CommentMode, c.Encoding, whole, true, sampleRows);
  for (std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{9}, std::size_t{64},
                            TProgressiveOptions{}.BlockBytes}) {
    SCOPED_TRACE(testing::Message() << c.Name << " block " << block);
    std::unique_ptr<TCsvDocument> blocks;
    TProgressiveOptions options;
    options.BlockBytes = block;
    const bool blocksOk =
        LoadFromFileInBlocks(path, 0, c.Delimiter, c.CommentMode, c.Encoding, blocks, true, sampleRows, options);
    ASSERT_EQ(wholeOk, blocksOk);
    if (wholeOk) ExpectSameDocument(*whole, *blocks);
  }
}

class ProgressiveLoadMatchesWhole : public testing::TestWithParam<TLoadCase> {};

TEST_P(ProgressiveLoadMatchesWhole, EveryBlockSize) {
  test::TempDir dir;
  const auto path = dir.File("in.csv");
  test::WriteBytes(path, GetParam().Bytes);
  CompareLoads(path, GetParam());
  CompareLoads(path, GetParam(), 1);  // a sample of one record: the start settles within the first line
}

INSTANTIATE_TEST_SUITE_P(Boundaries, ProgressiveLoadMatchesWhole, testing::ValuesIn(Cases()),
                         [](const auto& p) { return std::string(p.param.Name); });

TEST(ProgressiveLoad, RegressionFilesMatchWhole) {
  const std::filesystem::path data = std::filesystem::path(QELVAR_SOURCE_DIR) / "tests" / "data";
  std::vector<std::filesystem::path> files;
  for (const auto& folder : {std::filesystem::path("/work/shared/regressions"), data / "cli", data / "real"}) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
      if (entry.is_regular_file()) files.push_back(entry.path());
  }
  ASSERT_GT(files.size(), 20u);
  for (const auto& file : files) {
    for (int mode : {kCommentsParsed, kCommentsUnparsed, kCommentsHidden, kCommentsAuto}) {
      const std::string name = file.filename().string();
      CompareLoads(file.u16string(), TLoadCase{name.c_str(), "", mode});
    }
  }
}

// Lines that start with ';' under the ';' delimiter are rows when as wide as the sampled table: with the
// first block ending inside a quoted record of that sample, the start took the width from the cut record
// and settled too early, so those lines became rows where the whole file makes them comments.
TEST(ProgressiveLoad, SemicolonLinesJudgedByTheWholeRecordNotTheOneABlockCut) {
  test::TempDir dir;
  const auto path = dir.File("semicolon.csv");
  test::WriteBytes(path, std::string(";\n\0\2hx\ry\r;xa\rynama\r?y;Linz;1en\n\"\";,\"tw;nam\r\n2\"\0\0\0\0;", 51));
  std::unique_ptr<TCsvDocument> whole;
  ASSERT_TRUE(LoadFromFile(path, 0, u';', kCommentsUnparsed, u"", whole, false, 6));
  std::unique_ptr<TCsvDocument> blocks;
  TProgressiveOptions options;
  options.BlockBytes = 50;
  ASSERT_TRUE(LoadFromFileInBlocks(path, 0, u';', kCommentsUnparsed, u"", blocks, false, 6, options));
  ExpectSameDocument(*whole, *blocks);
}

// Once the text is not ASCII the UTF-8 test runs while the blocks are decoded: a byte far into the file
// that rules UTF-8 out (or an overlong form beside well-formed ones, which does not) must still be seen.
TEST(ProgressiveLoad, TheUtf8TestFollowsEveryBlockAfterTheFirstNonAsciiText) {
  struct Case {
    const char* name;
    std::string later;  // a row far behind the start
    bool mismatch;
  };
  const Case cases[] = {
      {"well-formed", "\xC3\xA9t\xC3\xA9,2\n", false},
      {"a broken sequence", "\xFF,2\n", true},
      {"a lead byte without its continuation", "\xC3x,2\n", true},
      {"an overlong form beside well-formed ones", "\xC0\xAF,2\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const auto path = dir.File("utf8.csv");
    std::string text = "name,n\nJos\xC3\xA9,1\n";
    for (int i = 0; i < 200; ++i) text += "row" + std::to_string(i) + "," + std::to_string(i) + "\n";
    test::WriteBytes(path, text + c.later);
    for (const std::size_t block : {std::size_t{16}, std::size_t{4096}}) {
      TProgressiveOptions options;
      options.BlockBytes = block;
      options.StartBytes = 16;
      TCsvProgressiveLoad load;
      std::unique_ptr<TCsvDocument> doc;
      ASSERT_TRUE(load.Start(path, 0, 0, kCommentsParsed, u"", true, 1, options, doc));
      TCsvBatch batch;
      while (load.Next(batch)) ASSERT_TRUE(doc->AppendBatch(std::move(batch)));
      EXPECT_EQ(load.Mismatch(), c.mismatch) << "block " << block;
    }
  }
}

// A file beyond the room given (the 32-bit address space) keeps the rows that fit, each whole and as the
// load in one piece reads it, and ends Truncated with a last batch.
TEST(ProgressiveLoad, BeyondTheRoomTheRowsThatFitStayAndTheLoadSaysTruncated) {
  test::TempDir dir;
  const auto path = dir.File("room.csv");
  std::string text = "id,name\n";
  for (int i = 0; i < 400; ++i) text += std::to_string(i) + ",\"name\n" + std::to_string(i) + "\"\n";
  test::WriteBytes(path, text);
  std::unique_ptr<TCsvDocument> whole;
  ASSERT_TRUE(LoadFromFile(path, 0, 0, kCommentsParsed, u"", whole, true, 10));

  TProgressiveOptions options;
  options.BlockBytes = 64;
  options.Room = 6 * 1000;  // a sixth of the room for the bytes: about 1,000 of the file's 5,000
  TCsvProgressiveLoad load;
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(load.Start(path, 0, 0, kCommentsParsed, u"", true, 10, options, doc));
  TCsvBatch batch;
  bool last = false;
  while (load.Next(batch)) {
    last = batch.Last;
    ASSERT_TRUE(doc->AppendBatch(std::move(batch)));
  }
  EXPECT_EQ(load.State(), TLoadState::Truncated);
  EXPECT_TRUE(last);
  ASSERT_GT(doc->RowCount(), 10);
  ASSERT_LT(doc->RowCount(), whole->RowCount());
  for (std::int32_t r = 0; r < doc->RowCount(); ++r)
    for (std::int32_t c = 0; c < 2; ++c) ASSERT_EQ(doc->GetCell(r, c), whole->GetCell(r, c)) << r << " " << c;
}

}  // namespace
}  // namespace qelvar
