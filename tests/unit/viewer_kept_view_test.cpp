// What a reload keeps of the view: columns found again by name or position, and what goes with a column
// that is gone.
#include <gtest/gtest.h>

#include "viewer/load/kept_view.h"

namespace qelvar {
namespace {

using Names = std::vector<std::u16string>;

TEST(KeptView, ColumnsAreFoundAgainByNameOrPosition) {
  struct Case {
    const char* what;
    Names before, after;
    bool byName;
    std::vector<int> map;
  };
  const Case cases[] = {
      {"same", {u"a", u"b"}, {u"a", u"b"}, true, {0, 1}},
      {"moved", {u"a", u"b", u"c"}, {u"c", u"a", u"b"}, true, {1, 2, 0}},
      {"one gone", {u"a", u"b", u"c"}, {u"a", u"c"}, true, {0, -1, 1}},
      {"renamed is another column", {u"a", u"b"}, {u"a", u"B"}, true, {0, -1}},
      {"added", {u"a"}, {u"x", u"a", u"y"}, true, {1}},
      {"repeated names in order", {u"v", u"w", u"v"}, {u"v", u"v", u"w"}, true, {0, 2, 1}},
      {"fewer repeats than before", {u"v", u"v"}, {u"v"}, true, {0, -1}},
      {"by position", {u"a", u"b", u"c"}, {u"c", u"a"}, false, {0, 1, -1}},
      {"by position, wider", {u"a"}, {u"x", u"y"}, false, {0}},
      {"nothing before", {}, {u"a"}, true, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(MapKeptColumns(c.before, c.after, c.byName), c.map) << c.what;
}

TEST(KeptView, FiltersHiddenFlagsWidthsAndTheSortFollowTheirColumn) {
  TKeptView kept;
  kept.names = {u"id", u"name", u"city"};
  kept.filters = {u"", u"ann", u">3"};
  kept.hidden = {true};  // shorter than the columns: the rest are shown
  kept.widths = {40, 120, 80};
  kept.sortColumn = 2;
  kept.sortDirection = -1;

  const TCarriedView moved = CarryKeptView(kept, {u"city", u"new", u"id", u"name"});
  EXPECT_EQ(moved.view.filters, (Names{u">3", u"", u"", u"ann"}));
  EXPECT_EQ(moved.view.hidden, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(moved.view.widths, (std::vector<int>{80, -1, 40, 120}));
  EXPECT_EQ(moved.view.sortColumn, 0);
  EXPECT_EQ(moved.view.sortDirection, -1);
  EXPECT_TRUE(moved.gone.empty());

  // The sorted, filtered column is gone: its filter and the sort go with it, and it is named.
  const TCarriedView lost = CarryKeptView(kept, {u"name", u"id"});
  EXPECT_EQ(lost.view.filters, (Names{u"ann", u""}));
  EXPECT_EQ(lost.view.hidden, (std::vector<bool>{false, true}));
  EXPECT_EQ(lost.view.sortColumn, -1);
  EXPECT_EQ(lost.view.sortDirection, 0);
  EXPECT_EQ(lost.gone, (Names{u"city"}));

  // Without a header row the names are "Column N": a column is its position.
  kept.byName = false;
  const TCarriedView narrower = CarryKeptView(kept, {u"Column 1", u"Column 2"});
  EXPECT_EQ(narrower.view.filters, (Names{u"", u"ann"}));
  EXPECT_EQ(narrower.gone, (Names{u"city"}));
}

TEST(KeptView, StatusNoteNamesAFewColumnsAndRowsAreFoundByDocumentRow) {
  EXPECT_EQ(JoinColumnNames({u"a", u"b"}), u"a, b");
  EXPECT_EQ(JoinColumnNames({u"a", u"b", u"c"}, 2), u"a, b, \u2026");
  EXPECT_EQ(JoinColumnNames({}), u"");
  EXPECT_EQ(FindVisibleIndex({5, 3, 9}, 3), 1);
  EXPECT_EQ(FindVisibleIndex({5, 3, 9}, 4), -1);
  EXPECT_EQ(FindVisibleIndex({5, 3, 9}, -1), -1);
}

}  // namespace
}  // namespace qelvar
