// The grid model over real documents: filters, sorting, column names and the visible-row mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "document/progressive_load.h"
#include "grid/grid_model.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "test_support.h"

namespace qelvar {
namespace {

std::unique_ptr<TCsvDocument> Load(const std::string& utf8) {
  std::unique_ptr<TCsvDocument> document;
  EXPECT_TRUE(LoadFromBytes(utf8, u',', kCommentsParsed, u"UTF-8", document, false, 1000)) << utf8;
  return document;
}

// One column of values under a header "v", one value per line (quoted when it holds a comma).
std::string Column(const std::vector<std::string>& values) {
  std::string text = "v\r\n";
  for (const auto& v : values) text += (v.find(',') != std::string::npos ? "\"" + v + "\"" : v) + "\r\n";
  return text;
}

std::vector<std::string> VisibleValues(const TCsvGridModel& model, std::int32_t col = 0) {
  std::vector<std::string> out;
  for (std::int32_t i = 0; i < model.VisibleCount(); ++i) out.push_back(Utf16ToUtf8(model.GetDisplayCell(i, col)));
  return out;
}

TEST(GridFilter, OperatorsAndCase) {
  struct Case {
    std::vector<std::string> values;
    std::string filter;
    bool caseSensitive;
    std::vector<std::string> visible;
  };
  const std::vector<std::string> mixed = {"9.5", "10", "abc", "Abc", "c", "ba", "a", "b", "x!y", ""};
  const Case cases[] = {
      {mixed, "<10", false, {"9.5", ""}},  // texts compare ordinally: "abc" > "10", "" < "10"
      {{"9.5", "10", "abc", "11"}, "<10", false, {"9.5"}},
      {{"9.5", "10", "abc", "-2"}, ">9.5", false, {"10", "abc"}},
      {{"c", "ba", "a", "b", ""}, ">b", false, {"c", "ba"}},
      {{"c", "ba", "a", "b", "B"}, "<b", true, {"a", "B"}},
      {mixed, "=Abc", false, {"abc", "Abc"}},
      {mixed, "=Abc", true, {"Abc"}},
      {mixed, "=", false, {""}},           // a lone "=" keeps the empty cells; other lone operators are text
      {mixed, "!", false, {"x!y"}},
      {mixed, "!a", false, {"9.5", "10", "c", "b", "x!y", ""}},
      {mixed, "!A", true, {"9.5", "10", "abc", "c", "ba", "a", "b", "x!y", ""}},
      {mixed, "B", false, {"abc", "Abc", "ba", "b"}},
      {mixed, "B", true, {}},
      {{"5", " 6 ", "1e1", "1E1", "7x"}, ">5", false, {" 6 ", "1e1", "1E1", "7x"}},  // "7x" > "5" as text
      {{"5", "1e400", "-1e400"}, "<1E400", false, {"5", "-1e400"}},
      {{"a<b", "<b", "b"}, "<", false, {"a<b", "<b"}},
      {{"\u0416\u0423\u041a", "\u0436\u0443\u043a", "zhuk"}, "\u0436\u0443", false,
       {"\u0416\u0423\u041a", "\u0436\u0443\u043a"}},
      {{"STRASSE", "stra\u00DFe"}, "=strasse", false, {"STRASSE"}},  // lower-casing, not case folding
      {{"1,5", "2"}, "<1.6", false, {"1,5"}},  // "1,5" is no number: ordinal "1,5" < "1.6"
  };
  for (const auto& c : cases) {
    auto document = Load(Column(c.values));
    TCsvGridModel model(document.get(), true);
    model.SetCaseSensitive(c.caseSensitive);
    model.SetFilter(0, Utf8ToUtf16(c.filter));
    EXPECT_EQ(VisibleValues(model), c.visible) << "filter " << c.filter << (c.caseSensitive ? " (case)" : "");
    // MatchFilter agrees with the rebuild for every value.
    for (const auto& v : c.values) {
      const bool expected = std::find(c.visible.begin(), c.visible.end(), v) != c.visible.end();
      EXPECT_EQ(model.MatchFilter(Utf8ToUtf16(v), Utf8ToUtf16(c.filter)), expected) << c.filter << " on " << v;
    }
  }
}

// Matching without case lowers values exactly as the system's lower-casing does, whatever the characters.
TEST(GridFilter, LowerCasingEqualsTheSystems) {
  const std::u16string values[] = {u"\u00C4\u00D6\u00DC\u1E9E", u"\u0130stanbul", u"\u212A\u2126", u"\uFF21\uFF3A",
                                   u"\U00010400\U00010401x", u"\u0391\u03A3\u03A3", u"\xD801" u"A" u"\xDC00", u"\u0401\u0416"};
  TCsvGridModel model(nullptr, false);
  for (const auto& value : values) {
    const std::u16string lower = platform::ToLower(value);
    EXPECT_TRUE(model.MatchFilter(value, u"=" + lower)) << Utf16ToUtf8(value);
    EXPECT_TRUE(model.MatchFilter(value, u"=" + value)) << Utf16ToUtf8(value);
    EXPECT_TRUE(model.MatchFilter(u"a" + value + u"b", lower)) << Utf16ToUtf8(value);
  }
}

TEST(GridFilter, SeveralFiltersAndRaggedRows) {
  auto document = Load("a,b,c\r\n1,x,p\r\n2,y\r\n3,x,q\r\n4\r\n");
  TCsvGridModel model(document.get(), true);
  model.SetFilter(1, u"!y");  // the ragged row "4" has an empty second cell: kept by a negation
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"1", "3", "4"}));
  model.SetFilter(2, u"q");   // and dropped by a substring filter
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"3"}));
  model.SetFilter(2, u"");
  model.SetFilter(7, u"zzz");  // no such column: ignored
  model.SetFilter(-1, u"zzz");
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"1", "3", "4"}));
  EXPECT_EQ(model.Filters().size(), 3u);
  EXPECT_EQ(model.Filters()[1], u"!y");
}

// Rows computed aside (for a worker thread) are the rows the model's Rebuild lists; a raised stop ends it.
TEST(GridFilter, RowsComputedAsideAreTheRebuildsAndAStopEndsThem) {
  auto document = Load("a,b\r\n3,x\r\n1,\"y \"\"q\"\"\"\r\n2,x\r\n5\r\n4,x\r\n");
  struct Case {
    TUnicodeStringArray filters;
    std::int32_t sortColumn;
    int direction;
  };
  const Case cases[] = {{{u"", u""}, -1, 0}, {{u"", u"x"}, -1, 0}, {{u">1", u"!x"}, -1, 0},
                        {{u"", u"x"}, 0, -1}, {{u"", u"=y*"}, 0, 1}, {{u"2..4", u""}, 1, 1}};
  for (const bool headerRow : {true, false}) {
    for (const Case& c : cases) {
      TCsvGridModel model(document.get(), headerRow);
      model.SetFiltersAndSort(c.filters, c.sortColumn, c.direction);
      const std::atomic<bool> stop{false};
      TIntArray rows;
      ASSERT_TRUE(ComputeVisibleRows(*document, headerRow, false, c.filters, c.sortColumn, c.direction, stop, rows));
      EXPECT_EQ(rows, model.VisibleRows()) << Utf16ToUtf8(c.filters[0]) << " " << Utf16ToUtf8(c.filters[1]);
    }
  }
  const std::atomic<bool> stopped{true};
  TIntArray rows;
  EXPECT_FALSE(ComputeVisibleRows(*document, true, false, {u"x", u""}, -1, 0, stopped, rows));

  // Adopted, they are the model's rows; a filter stored without a rebuild is what the next rebuild uses.
  TCsvGridModel model(document.get(), true);
  model.StoreFilter(1, u"x");
  EXPECT_EQ(model.VisibleCount(), 5);
  model.Rebuild();
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"3", "2", "4"}));
  model.AdoptRows({1});
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"3"}));
}

TEST(GridFilter, FilterTextIsNotTrimmed) {
  auto document = Load(Column({"a b", "ab"}));
  TCsvGridModel model(document.get(), true);
  model.SetFilter(0, u" b");
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"a b"}));
}

TEST(GridModel, HeaderRowAndColumnNames) {
  auto only = Load("name,,city\r\n");
  TCsvGridModel with(only.get(), true);
  EXPECT_EQ(with.VisibleCount(), 0);
  EXPECT_EQ(with.GetColumnName(0), u"name");
  EXPECT_EQ(with.GetColumnName(1), u"Column 2");  // empty header cell
  EXPECT_EQ(with.GetColumnName(2), u"city");
  EXPECT_EQ(with.GetColumnName(5), u"Column 6");
  TCsvGridModel without(only.get(), false);
  EXPECT_EQ(without.VisibleCount(), 1);
  EXPECT_EQ(without.GetColumnName(0), u"Column 1");
  EXPECT_EQ(without.GetDisplayCell(0, 0), u"name");

  TCsvGridModel none(nullptr, true);
  EXPECT_EQ(none.VisibleCount(), 0);
  EXPECT_EQ(none.GetColumnName(0), u"Column 1");
  EXPECT_EQ(none.GetCell(0, 0), u"");
  none.SetSort(0, 1);
  EXPECT_EQ(none.SortColumn(), -1);
  EXPECT_EQ(none.SortDirection(), 0);
}

TEST(GridModel, VisibleRowMapping) {
  auto document = Load("h\r\nb\r\na\r\nc\r\n");
  TCsvGridModel model(document.get(), true);
  model.SetSort(0, 1);
  EXPECT_EQ(model.VisibleRows(), (TIntArray{2, 1, 3}));
  EXPECT_EQ(model.VisibleToDocumentRow(0), 2);
  EXPECT_EQ(model.VisibleToDocumentRow(3), -1);
  EXPECT_EQ(model.VisibleToDocumentRow(-1), -1);
  EXPECT_EQ(model.GetDisplayCell(0, 0), u"a");
  EXPECT_EQ(model.GetDisplayCell(9, 0), u"");
  EXPECT_EQ(model.GetCell(1, 0), u"b");
  EXPECT_EQ(model.GetCell(1, 1), u"");
  EXPECT_EQ(model.GetCell(-1, 0), u"");
  EXPECT_EQ(model.GetCell(4, 0), u"");
}

TEST(GridSort, OrderAndStability) {
  struct Case {
    std::vector<std::string> values;
    int direction;
    std::vector<std::string> sorted;
  };
  const Case cases[] = {
      {{"10", "2", "1.5", "-1"}, 1, {"-1", "1.5", "2", "10"}},
      {{"file10", "file2", "File1"}, 1, {"File1", "file2", "file10"}},
      {{"10", "2", "1.5", "-1"}, -1, {"10", "2", "1.5", "-1"}},
      {{"b", "", "a"}, 1, {"", "a", "b"}},
      {{"1e3", "999", "5."}, 1, {"5.", "999", "1e3"}},
      {{"\u0431", "\u0410", "\u0432"}, 1, {"\u0410", "\u0431", "\u0432"}},
  };
  for (const auto& c : cases) {
    auto document = Load(Column(c.values));
    TCsvGridModel model(document.get(), true);
    model.SetSort(0, c.direction);
    EXPECT_EQ(VisibleValues(model), c.sorted);
  }
}

TEST(GridSort, EqualValuesKeepFileOrderInBothDirections) {
  auto document = Load("k,id\r\nx,1\r\n2,2\r\nX,3\r\n2.0,4\r\nx,5\r\n1,6\r\n");
  TCsvGridModel model(document.get(), true);
  model.SetSort(0, 1);
  EXPECT_EQ(VisibleValues(model, 1), (std::vector<std::string>{"6", "2", "4", "1", "3", "5"}));
  model.SetSort(0, -1);
  EXPECT_EQ(VisibleValues(model, 1), (std::vector<std::string>{"1", "3", "5", "2", "4", "6"}));
}

TEST(GridSort, ThreeClicksReturnToFileOrder) {
  auto document = Load(Column({"b", "c", "a"}));
  TCsvGridModel model(document.get(), true);
  const std::vector<std::string> fileOrder = {"b", "c", "a"};
  // The header-click cycle: ascending, descending, unsorted.
  model.SetSort(0, 1);
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"a", "b", "c"}));
  model.SetSort(0, -1);
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"c", "b", "a"}));
  model.SetSort(0, 0);
  EXPECT_EQ(VisibleValues(model), fileOrder);
  EXPECT_EQ(model.SortColumn(), -1);
  EXPECT_EQ(model.SortDirection(), 0);
  model.SetSort(1, 1);  // beyond ColumnCount: file order
  EXPECT_EQ(model.SortColumn(), -1);
  model.SetSort(0, 42);  // any positive direction is ascending
  EXPECT_EQ(model.SortDirection(), 1);
  model.SetSort(0, -7);
  EXPECT_EQ(model.SortDirection(), -1);
}

TEST(GridModel, RebuildSeesEditsAndCaseChanges) {
  auto document = Load(Column({"b", "a", "C"}));
  TCsvGridModel model(document.get(), true);
  model.SetFilter(0, u"c");
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"C"}));
  model.SetCaseSensitive(true);
  EXPECT_TRUE(model.CaseSensitive());
  EXPECT_EQ(model.VisibleCount(), 0);
  model.SetCaseSensitive(false);
  ASSERT_TRUE(document->SetCell(1, 0, u"cc"));
  model.Rebuild();
  EXPECT_EQ(VisibleValues(model), (std::vector<std::string>{"cc", "C"}));
}

// Rows arriving in batches while a filter or a sort is set end up where a rebuild over the whole
// document puts them.
TEST(GridModel, RowsTakenInAsTheyArriveMatchARebuild) {
  test::TempDir dir;
  const auto path = dir.File("arriving.csv");
  std::string text = "id,name\n";
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + ",name " + std::to_string(i % 17) + "\n";
  test::WriteBytes(path, text);
  struct Case {
    const char* what;
    bool header;
    const char16_t* filter0;
    const char16_t* filter1;
    int sort;
  };
  const Case cases[] = {
      {"no filter", true, u"", u"", 0},
      {"filters", true, u"1", u"=name 3", 0},
      {"filter, no header", false, u"2", u"", 0},
      {"sorted", true, u"", u"5", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCsvProgressiveLoad load;
    TProgressiveOptions options;
    options.BlockBytes = 97;
    std::unique_ptr<TCsvDocument> doc;
    ASSERT_TRUE(load.Start(path, 0, 0, kCommentsParsed, u"", true, 5, options, doc));
    TCsvGridModel model(doc.get(), c.header);
    model.SetFilter(0, c.filter0);
    model.SetFilter(1, c.filter1);
    if (c.sort != 0) model.SetSort(1, c.sort);
    TCsvBatch batch;
    int batches = 0;
    while (load.Next(batch)) {
      ASSERT_TRUE(doc->AppendBatch(std::move(batch)));
      if (++batches % 3 != 0) model.TakeAppendedRows();  // some batches wait for the next
    }
    model.TakeAppendedRows();
    ASSERT_GT(batches, 10);
    TCsvGridModel whole(doc.get(), c.header);
    whole.SetFilter(0, c.filter0);
    whole.SetFilter(1, c.filter1);
    if (c.sort != 0) whole.SetSort(1, c.sort);
    EXPECT_EQ(model.VisibleRows(), whole.VisibleRows());
  }
}

}  // namespace
}  // namespace qelvar
