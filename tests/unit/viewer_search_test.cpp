// The next match of the host's find requests over a grid of cells.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "viewer/grid/search.h"

namespace qelvar {
namespace {

using TGrid = std::vector<std::vector<std::u16string>>;

struct TSteps {
  TGrid grid;
  std::vector<bool> searchable;
  TGridSearch search;

  // One request: the cell found, or (-1, -1).
  std::pair<int, int> Find(const std::u16string& text, int flags) {
    int row = -1, column = -1;
    const int rows = static_cast<int>(grid.size());
    const int columns = rows > 0 ? static_cast<int>(grid[0].size()) : 0;
    const auto cell = [&](int r, int c) { return grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; };
    if (search.FindNext(text, flags, rows, columns, searchable, cell, row, column) != TSearchResult::Found)
      return {-1, -1};
    return {row, column};
  }
};

using P = std::pair<int, int>;
constexpr P kNone{-1, -1};

TEST(ViewerSearch, StepsForwardThroughEveryMatchThenStaysNotFound) {
  TSteps s{{{u"a x", u"b"}, {u"xx", u"x"}}, {true, true}, {}};
  EXPECT_EQ(s.Find(u"x", kSearchFindFirst), P(0, 0));
  EXPECT_EQ(s.Find(u"x", 0), P(1, 0));
  EXPECT_EQ(s.Find(u"x", 0), P(1, 0)) << "the second x of the same cell";
  EXPECT_EQ(s.Find(u"x", 0), P(1, 1));
  EXPECT_EQ(s.Find(u"x", 0), kNone);
  EXPECT_EQ(s.Find(u"x", 0), kNone) << "repeating a request that found nothing finds nothing again";
  EXPECT_EQ(s.Find(u"x", kSearchBackwards), P(1, 0)) << "reversed: steps over the match still shown";
  EXPECT_EQ(s.Find(u"x", kSearchBackwards | kSearchFindFirst), P(1, 1)) << "find first starts over";
}

TEST(ViewerSearch, BackwardsFromTheEndAndOptionsRestart) {
  TSteps s{{{u"Ab", u"ab"}, {u"cab", u"ab!"}}, {true, true}, {}};
  EXPECT_EQ(s.Find(u"ab", kSearchFindFirst | kSearchBackwards), P(1, 1));
  EXPECT_EQ(s.Find(u"ab", kSearchBackwards), P(1, 0));
  EXPECT_EQ(s.Find(u"ab", kSearchWholeWords | kSearchBackwards), P(1, 1)) << "other options start over";
  EXPECT_EQ(s.Find(u"ab", kSearchWholeWords | kSearchBackwards), P(0, 1)) << "cab is no whole word";
  EXPECT_EQ(s.Find(u"ab", kSearchWholeWords | kSearchBackwards | kSearchMatchCase), P(1, 1));
  EXPECT_EQ(s.Find(u"ab", kSearchWholeWords | kSearchBackwards | kSearchMatchCase), P(0, 1));
  EXPECT_EQ(s.Find(u"ab", kSearchWholeWords | kSearchBackwards | kSearchMatchCase), kNone) << "Ab differs in case";
}

TEST(ViewerSearch, OnlySearchableColumnsMatchAndNothingToSearchChangesNothing) {
  TSteps s{{{u"1", u"x", u"x"}, {u"x", u"x", u"y"}}, {false, false, true}, {}};
  EXPECT_EQ(s.Find(u"x", kSearchFindFirst), P(0, 2));
  EXPECT_EQ(s.Find(u"x", 0), kNone);
  EXPECT_EQ(s.Find(u"", 0), kNone);
  EXPECT_EQ(s.Find(u"y", 0), P(1, 2)) << "a new text starts over";

  TSteps empty{{}, {}, {}};
  EXPECT_EQ(empty.Find(u"x", kSearchFindFirst), kNone);
}

TEST(ViewerSearch, AGridThatShrankSinceTheLastMatchIsSearchedWithinItsNewSize) {
  TSteps s{{{u"x"}, {u"-"}, {u"x"}}, {true}, {}};
  EXPECT_EQ(s.Find(u"x", kSearchFindFirst), P(0, 0));
  EXPECT_EQ(s.Find(u"x", 0), P(2, 0));
  s.grid = {{u"x"}};  // a filter left one row: the search goes on from its last row, past the match
  EXPECT_EQ(s.Find(u"x", 0), kNone);
  s.grid = {{u"x"}, {u"x"}};  // an edit put a match below the last one
  EXPECT_EQ(s.Find(u"x", 0), kNone) << "not found stays so until the request changes";
  s.search.Forget();
  EXPECT_EQ(s.Find(u"x", 0), P(0, 0)) << "forgotten: starts over";
}

}  // namespace
}  // namespace qelvar
