// The transformation engine: output cell values, field quoting, number formats and the exported bytes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "test_support.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

std::unique_ptr<TCsvDocument> Load(const std::string& utf8) {
  std::unique_ptr<TCsvDocument> document;
  EXPECT_TRUE(LoadFromBytes(utf8, u',', kCommentsParsed, u"UTF-8", document, false, 1000));
  return document;
}

std::vector<std::u16string> ColumnValues(const TTransformConfig& config, std::int32_t index, TCsvDocument* document,
                                         std::int32_t startRow) {
  std::vector<std::u16string> out;
  for (std::int32_t r = startRow; r < document->RowCount(); ++r)
    out.push_back(config.CellValue(index, r, startRow, document));
  return out;
}

TEST(DecimalNumber, RecognitionAndFormats) {
  struct Case {
    std::u16string value, toDot, toComma;
  };
  const Case cases[] = {
      {u"1,5", u"1.5", u"1,5"},
      {u"2.75", u"2.75", u"2,75"},
      {u",5", u".5", u",5"},
      {u"5.", u"5.", u"5,"},
      {u"1.234,5", u"1.234,5", u"1.234,5"},  // two separators
      {u"-1,5", u"-1,5", u"-1,5"},           // a sign
      {u"1 5", u"1 5", u"1 5"},
      {u"15", u"15", u"15"},                 // no separator
      {u",", u".", u","},                    // a separator alone has no digit but passes the rule
      {u"", u"", u""},
      {u"\uFF11,5", u"\uFF11,5", u"\uFF11,5"},
  };
  EXPECT_TRUE(IsDecimalNumber(u"1,5"));
  EXPECT_TRUE(IsDecimalNumber(u"."));
  EXPECT_FALSE(IsDecimalNumber(u"1..5"));
  EXPECT_FALSE(IsDecimalNumber(u""));
  EXPECT_FALSE(IsDecimalNumber(u"1e5"));
  for (const auto& c : cases) {
    auto document = Load("v\n\"" + Utf16ToUtf8(c.value) + "\"\n");
    TTransformConfig config;
    config.InitFromDocument(document.get(), true);
    for (const auto& [format, expected] : {std::pair{u".", c.toDot}, {u",", c.toComma}, {u"original", c.value},
                                           {u"x", c.value}}) {
      config.NumberFormat = format;
      EXPECT_EQ(config.CellValue(0, 1, 1, document.get()), expected) << Utf16ToUtf8(c.value) << " " << Utf16ToUtf8(format);
    }
  }
}

TEST(CellValue, SourceFillConstantSequence) {
  // A header row, five data rows, one ragged.
  auto document = Load("id,name,price\n1,a,1.5\n2,,2\n3,c\n4,d,\n5,e,7\n");
  TTransformConfig config;
  config.InitFromDocument(document.get(), true);
  config.RemoveColumn(0);
  config.AddColumn(-1, u"Seq");
  config.AddColumn(-1, u"Blank");
  config.AddColumn(-1, u"ID");  // equals an initial header without regard to case: shows that source
  ASSERT_EQ(config.TargetOrder, (std::vector<std::u16string>{u"name", u"price", u"Seq", u"Blank", u"ID"}));
  config.SetEnumeration(2, 1, 3);
  config.SetFill(0, u"?");
  config.SetFill(1, u"0");
  using V = std::vector<std::u16string>;
  EXPECT_EQ(ColumnValues(config, 0, document.get(), 1), (V{u"a", u"?", u"c", u"d", u"e"}));
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1), (V{u"1.5", u"2", u"0", u"0", u"7"}));  // ragged row filled
  EXPECT_EQ(ColumnValues(config, 2, document.get(), 1), (V{u"1", u"2", u"3", u"", u""}));
  EXPECT_EQ(ColumnValues(config, 3, document.get(), 1), (V{u"", u"", u"", u"", u""}));
  EXPECT_EQ(ColumnValues(config, 4, document.get(), 1), (V{u"1", u"2", u"3", u"4", u"5"}));

  config.SetConstant(1, u"K");  // a constant wins over source and fill
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1), (V{u"K", u"K", u"K", u"K", u"K"}));
  config.SetEnumeration(1, 10, 11);  // a sequence wins over the constant
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1), (V{u"10", u"11", u"", u"", u""}));
  config.SetEnumeration(1, 5, 3);  // start after stop: nothing
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1), (V{u"", u"", u"", u"", u""}));
  config.SetEnumeration(1, -2, 100);
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1), (V{u"-2", u"-1", u"0", u"1", u"2"}));
  // Numbers near the 64-bit limits: no overflow, the number past the limit is empty.
  config.SetEnumeration(1, 9223372036854775806, 9223372036854775807);
  EXPECT_EQ(ColumnValues(config, 1, document.get(), 1),
            (V{u"9223372036854775806", u"9223372036854775807", u"", u"", u""}));

  EXPECT_EQ(config.CellValue(0, -1, 1, document.get()), u"");
  EXPECT_EQ(config.CellValue(0, 99, 1, document.get()), u"?");  // beyond the rows: no source, the fill
  EXPECT_EQ(config.CellValue(9, 1, 1, document.get()), u"");
  EXPECT_EQ(config.CellValue(0, 1, 1, nullptr), u"");
  config.SetEnumeration(3, 1, 3);
  EXPECT_EQ(config.CellValue(3, 0, 0, document.get()), u"1");  // without a header row the sequence starts at row 0
  EXPECT_EQ(config.CellValue(3, 1, 0, document.get()), u"2");
}

TEST(QuoteField, OnlyWhereTheRuleSays) {
  struct Case {
    std::u16string value;
    char16_t delimiter;
    std::u16string quoted;
  };
  const Case cases[] = {
      {u"a;b", u';', u"\"a;b\""},      {u"a\"b", u';', u"\"a\"\"b\""}, {u"a\nb", u';', u"\"a\nb\""},
      {u"a\rb", u',', u"\"a\rb\""},    {u"", u';', u""},              {u"\"", u'\t', u"\"\"\"\""},
      {u"x\ty", u'\t', u"\"x\ty\""},  {u"a,b", u';', u"a,b"},
      // Regression: blanks at the ends went out bare and were trimmed away on the way back.
      {u" a ", u';', u"\" a \""},      {u"a\t", u',', u"\"a\t\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteField(c.value, c.delimiter), c.quoted) << Utf16ToUtf8(c.value);
  // Where the plain quoting would misread, every candidate delimiter is quoted.
  for (const std::u16string_view value : {u"a,b", u"12:30", u"a|b", u"x\ty", u"a;b"})
    EXPECT_EQ(QuoteField(value, u';', true), u"\"" + std::u16string(value) + u"\"") << Utf16ToUtf8(value);
  EXPECT_EQ(QuoteField(u"a.b-c", u';', true), u"a.b-c");
}

TEST(ExportCsv, Bytes) {
  struct Case {
    std::string csv;
    bool headerRow;
    std::string expected;
  };
  const Case cases[] = {
      {"a,b\n1,x;y\n2,\"q\"\"z\"\n", true, "a;b\r\n1;\"x;y\"\r\n2;\"q\"\"z\"\r\n"},
      {"a,b\n1,2\n", false, "Column 1;Column 2\r\na;b\r\n1;2\r\n"},
      {"a,b\n", true, "a;b\r\n"},
      {"\xd0\x98\xd0\xbc\xd1\x8f,b\n\"line\nbreak\",2\n", true,
       "\xd0\x98\xd0\xbc\xd1\x8f;b\r\n\"line\nbreak\";2\r\n"},
      // Comment rows too, written so that they read back as data rows.
      {"# note\na,b\n1,2\n", false, "Column 1;Column 2\r\n\"# note\";\r\na;b\r\n1;2\r\n"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    auto document = Load(c.csv);
    TTransformConfig config;
    config.InitFromDocument(document.get(), c.headerRow);
    config.ExportDelimiter = u';';
    const auto path = dir.File("out.csv");
    ASSERT_TRUE(config.ExportCsv(path, document.get(), c.headerRow));
    EXPECT_EQ(test::ReadBytes(path), c.expected) << c.csv;
  }
}

// Each exported line reads back as a row of the table: a first value that would start a comment line,
// and a one-column line that would be empty, are written in quotes; nothing else changes.
TEST(ExportCsv, LinesThatWouldMisreadAreQuoted) {
  struct Case {
    std::vector<std::u16string> fields;
    char16_t delimiter;
    std::u16string line;
  };
  const Case cases[] = {
      {{u"#red", u"x"}, u';', u"\"#red\";x"},
      {{u"sep=1", u"x"}, u',', u"\"sep=1\",x"},
      {{u"SEP=", u"x"}, u',', u"\"SEP=\",x"},
      {{u";x", u"y"}, u',', u"\";x\",y"},
      {{u";x", u"y;z"}, u',', u";x,y;z"},  // a second ';' makes it no comment line
      {{u"", u"y"}, u';', u"\"\";y"},      // ";y" would be one
      {{u"", u"", u"y"}, u';', u";;y"},
      {{u""}, u',', u"\"\""},
      {{u"#"}, u'\t', u"\"#\""},
      {{u"x#", u"#y"}, u',', u"x#,#y"},
      {{u" #x", u"y"}, u',', u"\" #x\",y"},
      {{}, u',', u""},
  };
  for (const auto& c : cases) {
    std::u16string line;
    AppendCsvLine(line, c.fields, c.delimiter);
    EXPECT_EQ(line, c.line) << Utf16ToUtf8(c.line);
  }
  // At the start of the file a leading U+FEFF would be read as a byte-order mark.
  std::u16string line;
  AppendCsvLine(line, {u"\uFEFFid", u"x"}, u',', true);
  EXPECT_EQ(line, u"\"\uFEFFid\",x");
  line.clear();
  AppendCsvLine(line, {u"\uFEFFid", u"x"}, u',', false);
  EXPECT_EQ(line, u"\uFEFFid,x");
}

// Found by the fuzzer: a first header starting with U+FEFF was written bare at the start of the file and
// read back as a byte-order mark, the character lost.
TEST(ExportCsv, FirstHeaderStartingWithMarkCharacterReadsBack) {
  std::unique_ptr<TCsvDocument> document;
  ASSERT_TRUE(LoadFromBytes(std::string("\xEF\xBB\xBF\xEF\xBB\xBFid,x\n1,2\n"), u',', kCommentsParsed, u"", document,
                            false, 1000));
  ASSERT_EQ(document->GetCell(0, 0), u"\uFEFFid");
  TTransformConfig config;
  config.InitFromDocument(document.get(), true);
  const std::string bytes = config.ExportText(document.get(), true);
  EXPECT_EQ(bytes, "\"\xEF\xBB\xBFid\",x\r\n1,2\r\n");
  std::unique_ptr<TCsvDocument> again;
  ASSERT_TRUE(LoadFromBytes(bytes, u',', kCommentsParsed, u"UTF-8", again, false, 1000));
  EXPECT_EQ(again->GetCell(0, 0), u"\uFEFFid");
}

// Repeated header names: the k-th output column of a name shows the k-th source column of that name, so
// the identity transformation of such a table is the table itself.
TEST(ExportCsv, RepeatedNamesMapEachColumnToItself) {
  auto document = Load("id,Value,value,x,VALUE\n1,a,b,c,d\n");
  TTransformConfig config;
  config.InitFromDocument(document.get(), true);
  EXPECT_EQ(config.ExportText(document.get(), true), "id,Value,value,x,VALUE\r\n1,a,b,c,d\r\n");
  for (std::int32_t i = 0; i < 5; ++i) EXPECT_EQ(config.SourceColumn(i), i);

  // Reordered, the repeated names are matched in output order; a name repeated more often in the output
  // than among the sources shows the first source column, as a single name always did.
  config.TargetOrder = {u"value", u"x", u"VALUE", u"value", u"Value", u"id"};
  EXPECT_EQ(config.ExportText(document.get(), true), "value,x,VALUE,value,Value,id\r\na,c,b,d,a,1\r\n");

  // Saved and loaded, the file means the same.
  config.InitFromDocument(document.get(), true);
  TTransformConfig loaded;
  ASSERT_TRUE(loaded.LoadFromJsonText(config.ToJsonText()));
  EXPECT_EQ(loaded.ExportText(document.get(), true), "id,Value,value,x,VALUE\r\n1,a,b,c,d\r\n");
}

TEST(ExportCsv, RenamedHeadersEmptyTransformAndFailures) {
  auto document = Load("a,b\n1,2\n3,4\n");
  TTransformConfig config;
  config.InitFromDocument(document.get(), true);
  config.RenameColumn(1, u"B;new");
  config.MoveTargetTo(1, 0);
  EXPECT_EQ(config.DisplayText(0), u"1. b -> B;new");
  EXPECT_EQ(config.ExportText(document.get(), true), "B;new,a\r\n2,1\r\n4,3\r\n");

  TTransformConfig empty;
  EXPECT_EQ(empty.ExportText(document.get(), true), "\r\n\r\n\r\n");

  test::TempDir dir;
  EXPECT_FALSE(config.ExportCsv(dir.File("x.csv"), nullptr, true));
  EXPECT_TRUE(test::ReadBytes(dir.File("x.csv")).empty());
  EXPECT_FALSE(config.ExportCsv(dir.File("missing/x.csv"), document.get(), true));
  EXPECT_FALSE(config.ExportCsv(dir.Folder(), document.get(), true));
}

}  // namespace
}  // namespace qelvar
