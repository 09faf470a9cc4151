// Following a growing file: a prefix loaded, the rest appended in pieces, must read what a load of the
// whole file reads; and what Check says of a file that grew, shrank, changed or went.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/append_read.h"
#include "document/progressive_load.h"
#include "document_invariants.h"
#include "test_support.h"

namespace qelvar {
namespace {

void AppendToFile(const std::u16string& path, std::string_view bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

struct TFollowCase {
  const char* Name;
  std::string Bytes;  // the whole file; it ends with a line break
  char16_t Delimiter = u',';
  int CommentMode = kCommentsParsed;
  std::u16string_view Encoding = u"";
  std::int64_t SampleRows = 1;
  std::size_t MinPrefix = 0;  // the first load holds at least this much, so that it samples what the whole file does
  int EmptyPrefix = -1;       // also a first load of this many bytes, whose text is empty (nothing sampled)
};

const std::vector<TFollowCase>& FollowCases() {
  static const std::vector<TFollowCase> cases = {
      {"CrLfRows", "id,name\r\n1,Ann\r\n2,Bob\r\n3,\"Cy\"\"x\"\r\n", u',', kCommentsParsed, u"", 1, 9, 0},
      {"QuotedLineBreaks", "h1,h2\n\"one\r\ntwo\nthree\",x\n\"a\"\"b\",\"\"\"\"\ny,z\n", u',', kCommentsParsed, u"", 1, 6},
      {"Utf8Detected", "n\xC3\xA4me;\xE2\x82\xAC\n\xF0\x9F\x98\x80;\xE6\x97\xA5\xE6\x9C\xAC\nx;\xC3\xA9\n", u';',
       kCommentsParsed, u"", 1, 11},
      // Given, UTF-8 decodes a load that ends inside a character as "?": that row is read again.
      {"Utf8GivenCutCharacter", "n\xC3\xA4me;\xE2\x82\xAC\n\xF0\x9F\x98\x80;\xE6\x97\xA5\xE6\x9C\xAC\nx;\xC3\xA9\n",
       u';', kCommentsParsed, u"UTF-8", 1, 11},
      {"Utf8MarkAtStart", "\xEF\xBB\xBFx,y\n1,2\n", u',', kCommentsParsed, u"", 1, 7, 3},
      // The bytes of a mark in the middle of a file are text, not a mark to skip.
      {"Utf8MarkInAppendedText", "a,b\n1,\xEF\xBB\xBFx\n\xEF\xBB\xBF,y\n", u',', kCommentsParsed, u"", 1, 4},
      {"Utf16LeOddCuts", Utf16(u"a\tb\r\n\U0001F600\tc\r\nd\t\u00E9\r\n", false), u'\t', kCommentsParsed, u"", 1, 12, 2},
      {"Utf16Be", Utf16(u"a,b\n\U0001F600x,c\n\r\n", true), u',', kCommentsParsed, u"", 1, 10},
      {"Ansi", "caf\xE9;na\xEFve\nb\xE4r;\xFC\n\xE9t\xE9;x\n", u';', kCommentsParsed, u"", 1, 12},
      {"CommentsParsed", "# note\na,b\n#,c\n1,2\n# end\n", u',', kCommentsParsed, u"", 1, 11},
      {"CommentsUnparsed", "# note, with \"quote\na,b\n1,2\n# c,\"d\n3,4\n", u',', kCommentsUnparsed, u"", 1, 24},
      // A hidden comment line without its line break at the load is counted once it is whole.
      {"CommentsHidden", "# one\n\n; two\na,b\n\n# mid\n1,2\n# end\n3,4\n", u',', kCommentsHidden, u"", 1, 18},
      // Before the first data row, empty and comment lines are hidden; after it they are rows.
      {"CommentsAutoAfterData", "# x\n\na,b,c\n# kept\n\n4,5,6\n", u',', kCommentsAuto, u"", 1, 11},
      // A ';' line as wide as the table is a row: the cut waits for its whole record.
      {"SemicolonRows", "a;b;c\nd;e;f\n;x;\"y\ny\"\n;lone\n1;2;3\n", u';', kCommentsHidden, u"", 1, 6},
      // Such a line whose line break is the file's last byte is whole: it was held back for a next line
      // that a followed file may never get.
      {"SemicolonCommentIsTheLastLine", "a;b;c\n1;2;3\n;lone\n", u';', kCommentsHidden, u"", 1, 6},
      {"LoneCrEndings", "a,b\r1,2\r3,4\r\r\n", u',', kCommentsParsed, u"", 1, 4},
      {"EmptyLinesAreRows", "a,b\n\n\n1,2\n\n", u',', kCommentsParsed, u"", 1, 4},
      // Rows wider than the sampled width lose their extra fields, as in the whole load.
      {"WiderLater", "a,b\n1,2\n3,4,5,6\n7,8\n", u',', kCommentsParsed, u"", 1, 4},
      {"OneColumnDetected", "alpha\nbeta, gamma\ndelta\n", 0, kCommentsParsed, u"", 3, 24},
  };
  return cases;
}

void ExpectSameRows(const TCsvDocument& expected, TCsvDocument& actual) {
  EXPECT_EQ(expected.Text(), actual.Text());
  EXPECT_EQ(expected.HiddenCommentCount(), actual.HiddenCommentCount());
  EXPECT_EQ(expected.ColumnCount(), actual.ColumnCount());
  ASSERT_EQ(expected.RowCount(), actual.RowCount());
  auto& whole = const_cast<TCsvDocument&>(expected);
  for (std::int32_t r = 0; r < expected.RowCount(); ++r) {
    const TCsvRow& a = expected.Rows()[static_cast<std::size_t>(r)];
    const TCsvRow& b = actual.Rows()[static_cast<std::size_t>(r)];
    ASSERT_EQ(a.LineStart, b.LineStart) << "row " << r;
    ASSERT_EQ(a.LineLength, b.LineLength) << "row " << r;
    ASSERT_EQ(a.IsComment, b.IsComment) << "row " << r;
    ASSERT_EQ(expected.CellCount(r), actual.CellCount(r)) << "row " << r;
    for (std::int32_t c = 0; c < expected.CellCount(r); ++c) {
      ASSERT_EQ(expected.CellRaw(r, c), actual.CellRaw(r, c)) << "row " << r << " col " << c;
      ASSERT_EQ(whole.GetCell(r, c), actual.GetCell(r, c)) << "row " << r << " col " << c;
    }
  }
}

// Null when the load fails (a file that ends inside quotes).
std::unique_ptr<TCsvDocument> Load(const std::u16string& path, const TFollowCase& c) {
  std::unique_ptr<TCsvDocument> doc;
  LoadFromFile(path, 0, c.Delimiter, c.CommentMode, c.Encoding, doc, true, c.SampleRows);
  return doc;
}

class FollowMatchesWholeLoad : public ::testing::TestWithParam<TFollowCase> {};

// Every length of the first load from MinPrefix on, the rest appended in pieces of 1, 2, 5 bytes and at
// once: every place a writer may stop (mid-line, inside a character, between CR and LF, inside quotes).
TEST_P(FollowMatchesWholeLoad, EveryPrefixAndPieceSize) {
  const TFollowCase& c = GetParam();
  test::TempDir dir;
  const auto wholePath = dir.File("whole.csv");
  test::WriteBytes(wholePath, c.Bytes);
  const auto whole = Load(wholePath, c);
  ASSERT_TRUE(whole);
  const auto path = dir.File("growing.csv");
  int compared = 0;
  std::vector<std::size_t> prefixes;
  if (c.EmptyPrefix >= 0) prefixes.push_back(static_cast<std::size_t>(c.EmptyPrefix));
  for (std::size_t prefix = c.MinPrefix; prefix <= c.Bytes.size(); ++prefix) prefixes.push_back(prefix);
  for (const std::size_t prefix : prefixes) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, c.Bytes.size()}) {
      SCOPED_TRACE(::testing::Message() << "first load " << prefix << " bytes, pieces of " << piece);
      test::WriteBytes(path, c.Bytes.substr(0, prefix));
      auto doc = Load(path, c);
      // A load that stops inside quotes fails, and a start cut inside a character may read as another
      // encoding: then there is nothing to follow.
      if (!doc || doc->Encoding().Name != whole->Encoding().Name || doc->Encoding().HasBom != whole->Encoding().HasBom ||
          doc->Delimiter() != whole->Delimiter() || doc->SingleColumn() != whole->SingleColumn())
        continue;
      const bool lossless = doc->Encoding().Lossless;
      TCsvAppendReader reader;
      ASSERT_TRUE(reader.Begin(path, *doc, c.CommentMode));
      for (std::size_t at = prefix; at < c.Bytes.size(); at += piece) {
        AppendToFile(path, std::string_view(c.Bytes).substr(at, piece));
        ASSERT_EQ(reader.Check(), TFileChange::Grew);
        ASSERT_GE(reader.ReadAppended(*doc), 0);
        ASSERT_EQ(testing::CheckDocumentInvariants(*doc), "");
        ASSERT_EQ(reader.Check(), TFileChange::Same);
      }
      ExpectSameRows(*whole, *doc);
      if (lossless) {
        EXPECT_EQ(whole->Encoding().Lossless, doc->Encoding().Lossless);
      }
      EXPECT_EQ(doc->SourceBytes(), static_cast<std::int64_t>(c.Bytes.size()));
      EXPECT_EQ(reader.BytesRead(), static_cast<std::int64_t>(c.Bytes.size()));
      EXPECT_EQ(reader.UnfinishedRow(), -1);
      if (::testing::Test::HasFatalFailure()) return;
      ++compared;
    }
  }
  EXPECT_GE(compared, static_cast<int>(c.Bytes.size() - c.MinPrefix));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, FollowMatchesWholeLoad, ::testing::ValuesIn(FollowCases()),
                         [](const auto& p) { return std::string(p.param.Name); });

// Lossy bytes that arrive later make the document lossy, so that a save does not write "?" over them.
TEST(AppendRead, BrokenUtf8InAppendedBytesMakesTheDocumentLossy) {
  test::TempDir dir;
  const auto path = dir.File("lossy.csv");
  test::WriteBytes(path, "a,b\n\xC3\xA9,1\n");
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, u',', kCommentsParsed, doc, true, 1));
  ASSERT_TRUE(doc->Lossless());
  TCsvAppendReader reader;
  ASSERT_TRUE(reader.Begin(path, *doc, kCommentsParsed));
  AppendToFile(path, "x\xC3,2\n");
  EXPECT_EQ(reader.ReadAppended(*doc), 1);
  EXPECT_FALSE(doc->Lossless());
  EXPECT_EQ(doc->GetCell(2, 0), u"x?");
}

// The last row of a load that caught the writer mid-line stays as loaded until its line is complete,
// then is replaced (and counted among the new rows).
TEST(AppendRead, HalfWrittenLastRowIsReplacedOnceItsLineBreakComes) {
  test::TempDir dir;
  const auto path = dir.File("half.csv");
  test::WriteBytes(path, "a,b\n1,2");
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, u',', kCommentsParsed, doc, true, 1));
  TCsvAppendReader reader;
  ASSERT_TRUE(reader.Begin(path, *doc, kCommentsParsed));
  EXPECT_EQ(reader.UnfinishedRow(), 1);
  AppendToFile(path, "5");
  EXPECT_EQ(reader.ReadAppended(*doc), 0);
  EXPECT_EQ(doc->GetCell(1, 1), u"2");
  EXPECT_EQ(reader.UnfinishedRow(), 1);
  AppendToFile(path, "\n3,4\n9");
  EXPECT_EQ(reader.ReadAppended(*doc), 2);
  EXPECT_EQ(reader.UnfinishedRow(), -1);
  ASSERT_EQ(doc->RowCount(), 3);
  EXPECT_EQ(doc->GetCell(1, 1), u"25");
  EXPECT_EQ(doc->GetCell(2, 0), u"3");
  EXPECT_EQ(doc->SourceBytes(), 13);  // the "9" is held back
  EXPECT_EQ(reader.BytesRead(), 14);
}

// Values with doubled quotes are kept by the position of their raw text: the replaced row's cell starts
// where the old one did, so a value read before must not outlive the replacement.
TEST(AppendRead, ValueReadFromTheHalfWrittenRowIsNotKeptForItsReplacement) {
  test::TempDir dir;
  const auto path = dir.File("quoted.csv");
  test::WriteBytes(path, "a,b\n1,\"x\"\"y\"");
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, u',', kCommentsParsed, doc, true, 1));
  EXPECT_EQ(doc->GetCell(1, 1), u"x\"y");
  TCsvAppendReader reader;
  ASSERT_TRUE(reader.Begin(path, *doc, kCommentsParsed));
  AppendToFile(path, "\"z\"\n");
  ASSERT_EQ(reader.ReadAppended(*doc), 1);
  EXPECT_EQ(doc->GetCell(1, 1), u"x\"y\"z");
}

struct TChangeCase {
  const char* Name;
  const char* After;  // the file's bytes then; nullptr: deleted
  TFileChange Expected;
};

TEST(AppendRead, CheckTellsWhatBecameOfTheFile) {
  const TChangeCase cases[] = {
      {"unchanged", "a,b\n1,2\n", TFileChange::Same},
      {"appended to", "a,b\n1,2\n3,4\n", TFileChange::Grew},
      {"shorter", "a,b\n", TFileChange::Rewritten},
      {"changed before the end, same size", "a,b\n1,3\n", TFileChange::Rewritten},
      {"changed before the end and longer", "a,c\n1,2\n3,4\n", TFileChange::Rewritten},
      {"deleted", nullptr, TFileChange::Gone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TempDir dir;
    const auto path = dir.File("t.csv");
    test::WriteBytes(path, "a,b\n1,2\n");
    std::unique_ptr<TCsvDocument> doc;
    ASSERT_TRUE(LoadFromFile(path, 0, 0, kCommentsParsed, doc, true, 1000));
    TCsvAppendReader reader;
    ASSERT_TRUE(reader.Begin(path, *doc, kCommentsParsed));
    if (c.After) {
      test::WriteBytes(path, c.After);
    } else {
      std::filesystem::remove(std::filesystem::path(path));
    }
    EXPECT_EQ(reader.Check(), c.Expected);
    // Only growth is read; otherwise the document stays as it was.
    const std::int64_t rows = reader.ReadAppended(*doc);
    EXPECT_EQ(rows, c.Expected == TFileChange::Grew ? 1 : c.Expected == TFileChange::Same ? 0 : -1);
    EXPECT_EQ(doc->RowCount(), c.Expected == TFileChange::Grew ? 3 : 2);
  }
}

TEST(AppendRead, BeginRefusesADocumentWithoutItsFileBytesOrEdited) {
  test::TempDir dir;
  const auto path = dir.File("t.csv");
  test::WriteBytes(path, "a,b\n1,2\n");
  TCsvAppendReader reader;
  TCsvDocument parsed;
  ASSERT_TRUE(parsed.Parse(u"a,b\n1,2\n", u',', kCommentsParsed, true, 10));
  EXPECT_FALSE(reader.Begin(path, parsed, kCommentsParsed));
  EXPECT_EQ(reader.Check(), TFileChange::Rewritten);

  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, 0, kCommentsParsed, doc, true, 10));
  ASSERT_TRUE(reader.Begin(path, *doc, kCommentsParsed));
  ASSERT_TRUE(doc->SetCell(1, 0, u"9"));
  AppendToFile(path, "3,4\n");
  EXPECT_EQ(reader.ReadAppended(*doc), -1);
  EXPECT_EQ(doc->RowCount(), 2);
  EXPECT_FALSE(reader.Begin(path, *doc, kCommentsParsed));
}

// The bytes behind the document, whichever way it was loaded: what a follow starts from.
TEST(AppendRead, SourceBytesIsWhatTheLoadRead) {
  test::TempDir dir;
  const auto path = dir.File("t.csv");
  const std::string bytes = "id,name\n1,\"a\nb\"\n2,half";
  test::WriteBytes(path, bytes);
  const auto size = static_cast<std::int64_t>(bytes.size());
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(path, 0, 0, kCommentsParsed, doc, true, 10));
  EXPECT_EQ(doc->SourceBytes(), size);
  ASSERT_TRUE(LoadFromBytes(bytes, 0, kCommentsParsed, u"", doc, true, 10));
  EXPECT_EQ(doc->SourceBytes(), size);
  TProgressiveOptions options;
  options.BlockBytes = 3;
  ASSERT_TRUE(LoadFromFileInBlocks(path, 0, 0, kCommentsParsed, u"", doc, true, 10, options));
  EXPECT_EQ(doc->SourceBytes(), size);
  TCsvProgressiveLoad load;
  options.StartBytes = 10;
  ASSERT_TRUE(load.Start(path, 0, u',', kCommentsParsed, u"", true, 1, options, doc));
  EXPECT_EQ(doc->SourceBytes(), -1);  // not at the file's end yet
  TCsvDocument parsed;
  ASSERT_TRUE(parsed.Parse(u"a\n", 0, kCommentsParsed, true, 10));
  EXPECT_EQ(parsed.SourceBytes(), -1);
}

}  // namespace
}  // namespace qelvar
