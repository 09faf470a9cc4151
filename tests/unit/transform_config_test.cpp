// The transformation model: identity initialisation, the name-to-value maps and the editing operations.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

using Names = std::vector<std::u16string>;

std::unique_ptr<TCsvDocument> Load(const std::string& utf8, char16_t delimiter = 0) {
  std::unique_ptr<TCsvDocument> document;
  EXPECT_TRUE(LoadFromBytes(utf8, delimiter, kCommentsParsed, u"UTF-8", document, false, 1000));
  return document;
}

TTransformConfig WithTargets(const Names& names) {
  TTransformConfig config;
  config.InitialHeaders = names;
  config.TargetOrder = names;
  return config;
}

TEST(TransformInit, IdentityOfTheDocument) {
  auto document = Load("a;;c\r\n1;2;3\r\n");
  TTransformConfig config;
  config.NumberFormat = u",";
  config.SetConstant(0, u"x");  // invalid index: ignored
  config.AddColumn(0, u"old");
  config.InitFromDocument(document.get(), true);
  EXPECT_EQ(config.InitialHeaders, (Names{u"a", u"Column 2", u"c"}));
  EXPECT_EQ(config.TargetOrder, config.InitialHeaders);
  EXPECT_TRUE(config.AddedHeaders.empty());
  EXPECT_EQ(config.ExportDelimiter, u';');
  EXPECT_EQ(config.NumberFormat, u",");  // kept

  config.InitFromDocument(document.get(), false);
  EXPECT_EQ(config.TargetOrder, (Names{u"Column 1", u"Column 2", u"Column 3"}));

  // Duplicate and non-Latin header names are taken as they are, and each still shows its own column.
  auto cyrillic = Load("\xd0\x98\xd0\xbc\xd1\x8f,\xd0\xb8\xd0\xbc\xd1\x8f,\xe6\x97\xa5\r\n1,2,3\r\n");
  config.InitFromDocument(cyrillic.get(), true);
  EXPECT_EQ(config.TargetOrder, (Names{u"\u0418\u043C\u044F", u"\u0438\u043C\u044F", u"\u65E5"}));
  EXPECT_EQ(config.ExportDelimiter, u',');
  for (std::int32_t i = 0; i < 3; ++i) EXPECT_EQ(config.CellValue(i, 1, 1, cyrillic.get()), cyrillic->GetCell(1, i));

  config.ExportDelimiter = u'|';
  config.InitFromDocument(nullptr, true);
  EXPECT_TRUE(config.TargetOrder.empty());
  EXPECT_TRUE(config.InitialHeaders.empty());
  EXPECT_EQ(config.ExportDelimiter, u'|');
}

TEST(TransformInit, RaggedHeaderRowAndEmptyDocument) {
  auto document = Load("a\r\n1,2,3\r\n", u',');
  TTransformConfig config;
  config.InitFromDocument(document.get(), true);
  EXPECT_EQ(config.TargetOrder, (Names{u"a", u"Column 2", u"Column 3"}));
  auto empty = Load("", u',');
  config.InitFromDocument(empty.get(), true);
  EXPECT_TRUE(config.TargetOrder.empty());
}

TEST(NameValueMap, CaseInsensitiveLookupSetInPlace) {
  TNameValueMap map;
  map.Set(u"Price", u"1");
  map.Set(u"qty", u"2");
  map.Set(u"PRICE", u"3");  // replaces in place and takes the new spelling
  ASSERT_EQ(map.Pairs().size(), 2u);
  EXPECT_EQ(map.Pairs()[0].Name, u"PRICE");
  EXPECT_EQ(map.Pairs()[0].Value, u"3");
  EXPECT_EQ(map.ValueOf(u"price"), u"3");
  EXPECT_EQ(map.ValueOf(u"none"), u"");
  map.Set(u"\u0426\u0435\u043D\u0430", u"4");  // Cyrillic letters compare without case too
  EXPECT_EQ(map.ValueOf(u"\u0446\u0435\u043D\u0430"), u"4");
  map.Set(u"qty", u"");  // an empty value stays as a pair
  EXPECT_EQ(map.Pairs().size(), 3u);
  EXPECT_EQ(map.ValueOf(u"QTY"), u"");

  EXPECT_TRUE(SameName(u"ABC", u"abc"));
  EXPECT_TRUE(SameName(u"\u00C4x", u"\u00E4X"));
  EXPECT_FALSE(SameName(u"ab", u"abc"));
  EXPECT_FALSE(SameName(u"a=b", u"a=c"));
  EXPECT_TRUE(SameName(u"", u""));
}

TEST(TransformEdit, AddRemoveRenameAndSettings) {
  TTransformConfig config = WithTargets({u"a", u"b", u"c"});
  config.AddColumn(1, u"B");  // differs only in case: refused
  config.AddColumn(1, u"");
  EXPECT_EQ(config.TargetOrder, (Names{u"a", u"b", u"c"}));
  config.AddColumn(1, u"new");
  config.AddColumn(-1, u"end");
  config.AddColumn(99, u"end2");
  config.AddColumn(6, u"last");  // position == count appends
  EXPECT_EQ(config.TargetOrder, (Names{u"a", u"new", u"b", u"c", u"end", u"end2", u"last"}));
  EXPECT_EQ(config.AddedHeaders, (Names{u"new", u"end", u"end2", u"last"}));

  config.RenameColumn(0, u"");
  EXPECT_TRUE(config.RenameHeaders.Pairs().empty());
  config.RenameColumn(0, u"Alpha");
  EXPECT_EQ(config.OutputHeader(0), u"Alpha");
  EXPECT_EQ(config.OutputHeader(1), u"new");
  EXPECT_EQ(config.OutputHeader(7), u"");

  config.SetConstant(2, u"");  // stored, but without effect
  EXPECT_EQ(config.ConstantVars.Pairs().size(), 1u);
  EXPECT_EQ(config.DisplayText(2), u"3. b");
  config.SetConstant(2, u"K");
  config.SetEnumeration(3, -5, 9223372036854775807);
  EXPECT_EQ(config.EnumerationVars.ValueOf(u"c"), u"-5:9223372036854775807");

  // Removing keeps the settings; adding the name again brings them back.
  config.RemoveColumn(2);
  EXPECT_EQ(config.TargetOrder, (Names{u"a", u"new", u"c", u"end", u"end2", u"last"}));
  config.RemoveColumn(6);
  config.RemoveColumn(-1);
  EXPECT_EQ(config.TargetCount(), 6);
  config.AddColumn(0, u"b");
  EXPECT_EQ(config.DisplayText(0), u"1. b (+) [const]");
}

TEST(TransformEdit, DisplayText) {
  TTransformConfig config = WithTargets({u"Name", u"Price"});
  config.AddColumn(2, u"Total");
  config.SetEnumeration(2, 1, 10);
  config.RenameColumn(0, u"\u0418\u043C\u044F");
  config.SetFill(1, u"0");
  config.SetConstant(1, u"x");
  struct Case {
    std::int32_t index;
    std::u16string text;
  };
  const Case cases[] = {
      {0, u"1. Name -> \u0418\u043C\u044F"},
      {1, u"2. Price [const] [fill]"},
      {2, u"3. Total (+) [enum]"},
      {3, u""},
      {-1, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(config.DisplayText(c.index), c.text) << c.index;
}

TEST(TransformEdit, MoveTargetTo) {
  struct Case {
    std::int32_t index, gap, result;
    Names order;
  };
  const Case cases[] = {
      {0, 3, 2, {u"b", u"c", u"a", u"d", u"e"}},
      {0, 1, 0, {u"a", u"b", u"c", u"d", u"e"}},
      {0, 0, 0, {u"a", u"b", u"c", u"d", u"e"}},
      {0, 99, 4, {u"b", u"c", u"d", u"e", u"a"}},
      {4, 0, 0, {u"e", u"a", u"b", u"c", u"d"}},
      {4, -7, 0, {u"e", u"a", u"b", u"c", u"d"}},
      {2, 5, 4, {u"a", u"b", u"d", u"e", u"c"}},
      {3, 2, 2, {u"a", u"b", u"d", u"c", u"e"}},
      {5, 0, -1, {u"a", u"b", u"c", u"d", u"e"}},
      {-1, 0, -1, {u"a", u"b", u"c", u"d", u"e"}},
  };
  for (const auto& c : cases) {
    TTransformConfig config = WithTargets({u"a", u"b", u"c", u"d", u"e"});
    EXPECT_EQ(config.MoveTargetTo(c.index, c.gap), c.result) << c.index << " to gap " << c.gap;
    EXPECT_EQ(config.TargetOrder, c.order) << c.index << " to gap " << c.gap;
  }
}

TEST(TransformEdit, MoveTargetByStep) {
  TTransformConfig config = WithTargets({u"a", u"b", u"c"});
  config.MoveTarget(0, 1);
  EXPECT_EQ(config.TargetOrder, (Names{u"b", u"a", u"c"}));
  config.MoveTarget(2, -1);
  EXPECT_EQ(config.TargetOrder, (Names{u"b", u"c", u"a"}));
  config.MoveTarget(0, -1);
  config.MoveTarget(2, 1);
  config.MoveTarget(1, 2147483647);
  EXPECT_EQ(config.TargetOrder, (Names{u"b", u"c", u"a"}));
}

TEST(Sequence, ParseTextForms) {
  struct Case {
    std::u16string text;
    std::int64_t start, stop;
  };
  const Case cases[] = {
      {u"1:3", 1, 3},     {u"5:3", 5, 3},   {u"-2:2", -2, 2},  {u":4", 1, 4},    {u"7:", 7, 7},
      {u"x:y", 1, 1},     {u"7", 7, 7},     {u"+3:+4", 3, 4},  {u"1:2:3", 1, 1}, {u" 1:2", 1, 2},
      {u"9223372036854775807:-9223372036854775808", 9223372036854775807, INT64_MIN},
      {u"9223372036854775808:1", 1, 1},  // beyond 64 bits: not a number
  };
  for (const auto& c : cases) {
    std::int64_t start = 0, stop = 0;
    ParseSequence(c.text, start, stop);
    EXPECT_EQ(start, c.start) << Utf16ToUtf8(c.text);
    EXPECT_EQ(stop, c.stop) << Utf16ToUtf8(c.text);
  }
}

// The panel's sequence input: without a stop the sequence runs to the last row of whichever table it is
// applied to, so that a recipe replayed on a longer file numbers its rows too.
TEST(Sequence, PanelInputForms) {
  struct Case {
    std::u16string input;
    std::int64_t start, stop;
  };
  const Case cases[] = {
      {u"", 1, kSequenceToEnd},
      {u"5", 1, 5},  // a lone number is the stop
      {u"3:1", 3, 1},  // start after stop: no numbers at all
      {u"10:", 10, kSequenceToEnd},
      {u":7", 1, 7},
      {u" 4 : 6 ", 4, 6},  // blanks around the numbers are no part of them
      {u"x", 1, kSequenceToEnd},  // unreadable stop: every row
      {u"x:y", 1, kSequenceToEnd},
      {u"-2:", -2, kSequenceToEnd},
      {u"-9223372036854775808:", INT64_MIN, kSequenceToEnd},
  };
  for (const auto& c : cases) {
    std::int64_t start = 0, stop = 0;
    SequenceFromInput(c.input, start, stop);
    EXPECT_EQ(start, c.start) << Utf16ToUtf8(c.input);
    EXPECT_EQ(stop, c.stop) << Utf16ToUtf8(c.input);
    std::int64_t oldStart = 0, oldStop = 0;
    SequenceFromInput(c.input, 3, oldStart, oldStop);  // the row count no longer decides the stop
    EXPECT_EQ(oldStop, c.stop) << Utf16ToUtf8(c.input);
  }
}

// A sequence to the end numbers rows beyond those of the table it was made on.
TEST(Sequence, ToTheEndNumbersEveryRowOfALongerTable) {
  const auto document = Load("h\na\nb\nc\n");
  TTransformConfig config = WithTargets({u"h"});
  config.SetEnumeration(0, 10, kSequenceToEnd);
  EXPECT_EQ(config.CellValue(0, 3, 1, document.get()), u"12");
  config.SetEnumeration(0, kSequenceToEnd - 1, kSequenceToEnd);  // numbers stay within 64 bits
  EXPECT_EQ(config.CellValue(0, 2, 1, document.get()), u"9223372036854775807");
  EXPECT_EQ(config.CellValue(0, 3, 1, document.get()), u"");
}

// A recipe's source columns are found by name in the table it is applied to.
TEST(TransformMapping, SourcesByName) {
  struct Case {
    const char* what;
    Names initial, targets, headers;
    Names missing;
    std::vector<std::int32_t> sources;  // SourceColumn of each output column afterwards
  };
  const Case cases[] = {
      {"same order", {u"id", u"Stadt"}, {u"Stadt", u"id"}, {u"id", u"Stadt"}, {}, {1, 0}},
      {"reordered", {u"id", u"Stadt"}, {u"Stadt", u"id"}, {u"Stadt", u"id"}, {}, {0, 1}},
      {"case ignored, extra column", {u"id", u"Stadt"}, {u"id"}, {u"x", u"STADT", u"ID"}, {}, {2}},
      {"a missing name", {u"id", u"Stadt", u"Land"}, {u"Land", u"id", u"Stadt"}, {u"id", u"x"},
       {u"Land", u"Stadt"}, {}},
      {"a dropped column may be missing", {u"id", u"notes"}, {u"id"}, {u"id"}, {}, {0}},
      {"added column without source", {u"id"}, {u"id", u"new"}, {u"id"}, {}, {0, -1}},
      {"k-th repeat to the k-th", {u"a", u"a", u"b"}, {u"a", u"b", u"a"}, {u"b", u"a", u"x", u"a"}, {}, {1, 0, 3}},
      {"a repeat too few", {u"a", u"a"}, {u"a", u"a"}, {u"a", u"b"}, {u"a"}, {}},
      {"one source, two outputs", {u"a"}, {u"a", u"a"}, {u"a"}, {}, {0, 0}},
  };
  for (const auto& c : cases) {
    TTransformConfig config;
    config.InitialHeaders = c.initial;
    config.TargetOrder = c.targets;
    const TTransformConfig before = config;
    EXPECT_EQ(config.MapSourcesByName(c.headers), c.missing) << c.what;
    if (!c.missing.empty()) {
      EXPECT_EQ(config, before) << c.what << ": nothing changes";
      continue;
    }
    EXPECT_EQ(config.InitialHeaders, c.headers) << c.what;
    for (std::size_t i = 0; i < c.sources.size(); ++i)
      EXPECT_EQ(config.SourceColumn(static_cast<std::int32_t>(i)), c.sources[i]) << c.what << " column " << i;
  }
}

// A transformation has at most kMaxOutputColumns output columns, unless the document has more of its own.
TEST(TransformEdit, OutputColumnsAreCapped) {
  TTransformConfig config;
  for (std::int32_t i = 0; i < kMaxOutputColumns + 5; ++i)
    config.AddColumn(-1, u"c" + Utf8ToUtf16(std::to_string(i)));
  EXPECT_EQ(config.TargetCount(), kMaxOutputColumns);
  EXPECT_EQ(config.AddedHeaders.size(), static_cast<std::size_t>(kMaxOutputColumns));

  Names wide;
  for (std::int32_t i = 0; i < kMaxOutputColumns + 2; ++i)
    wide.push_back(u"w" + Utf8ToUtf16(std::to_string(i)));
  TTransformConfig document = WithTargets(wide);
  EXPECT_EQ(document.MaxOutputColumns(), kMaxOutputColumns + 2);
  document.RemoveColumn(0);
  document.AddColumn(0, u"new");
  EXPECT_EQ(document.TargetCount(), kMaxOutputColumns + 2);
  document.AddColumn(0, u"newer");
  EXPECT_EQ(document.TargetCount(), kMaxOutputColumns + 2);
}

}  // namespace
}  // namespace qelvar
