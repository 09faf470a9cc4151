// The host's search through ListSearchTextW, and sorting by header clicks.
#include <string>

#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

constexpr int kFirst = lcs_findfirst;
constexpr int kCase = lcs_matchcase;
constexpr int kWords = lcs_wholewords;
constexpr int kBack = lcs_backwards;

// Cells (row, column): "ab" at (0,0); inside words at (0,1) "cab" and (1,0) "ab_x"; whole words at
// (1,1) "ab-y", twice at (2,0) "ab ab" and in upper case at (2,1) "AB".
constexpr char kGrid[] = "h1;h2\r\nab;cab\r\nab_x;ab-y\r\nab ab;AB\r\n";

struct Step {
  const wchar_t* text;
  int flags;
  int row;  // expected current cell after the step, 1-based as the status bar shows it; 0: no match
  int column;
};

using ViewerSearchTest = ViewerTest;

TEST_F(ViewerSearchTest, FindsForwardsBackwardsAndWholeWordsAndBeepsAtTheEnd) {
  const std::wstring path = WriteTempFile(L"search.csv", kGrid);
  struct Case {
    const char* name;
    const char* settings;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      {"forwards through every occurrence",
       "",
       {{L"ab", kFirst, 1, 1},
        {L"ab", 0, 1, 2},
        {L"ab", 0, 2, 1},
        {L"ab", 0, 2, 2},
        {L"ab", 0, 3, 1},
        {L"ab", 0, 3, 1},  // the second "ab" of "ab ab"
        {L"ab", 0, 3, 2},
        {L"ab", 0, 0, 0},
        // After "not found" the same request stays "not found" instead of reporting old matches again.
        {L"ab", 0, 0, 0},
        {L"ab", kBack, 3, 1},  // a reversed request steps over the match that is still shown
        {L"ab", 0, 3, 2},
        {L"ab", 0, 0, 0},
        {L"ab", kFirst, 1, 1}}},
      {"whole words",
       "",
       {{L"ab", kFirst | kWords, 1, 1},
        {L"ab", kWords, 2, 2},
        {L"ab", kWords, 3, 1},
        {L"ab", kWords, 3, 1},
        {L"ab", kWords, 3, 2},
        {L"ab", kWords, 0, 0}}},
      {"match case", "", {{L"AB", kFirst | kCase, 3, 2}, {L"AB", kCase, 0, 0}}},
      {"backwards from the end",
       "",
       {{L"ab", kFirst | kBack | kWords, 3, 2},
        {L"ab", kBack | kWords, 3, 1},
        {L"ab", kBack | kWords, 3, 1},
        {L"ab", kBack | kWords, 2, 2},
        {L"ab", kBack | kWords, 1, 1},
        {L"ab", kBack | kWords, 0, 0},
        {L"ab", kBack | kWords, 0, 0},
        {L"ab", kWords, 2, 2}}},
      {"reversing steps over the shown match",
       "",
       {{L"ab", kFirst | kWords, 1, 1},
        {L"ab", kWords, 2, 2},
        {L"ab", kWords, 3, 1},
        {L"ab", kWords | kBack, 2, 2},
        {L"ab", kWords, 3, 1},
        {L"ab", kWords, 3, 1}}},
      {"a new text restarts", "", {{L"ab", kFirst, 1, 1}, {L"cab", 0, 1, 2}, {L"ab", 0, 1, 1}}},
      {"line numbers never match", "show-line-numbers=1\n", {{L"1", kFirst, 0, 0}, {L"AB", kCase, 3, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(c.settings);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    TBeepCounter beeps;
    ASSERT_TRUE(beeps.Installed());
    int step = 0;
    for (const Step& s : c.steps) {
      SCOPED_TRACE("step " + std::to_string(++step));
      const int beepsBefore = beeps.Beeps();
      const std::wstring before = StatusPart(session.StatusBar(), 4);
      const int found = Search(session.Viewer(), s.text, s.flags);
      if (s.row == 0) {
        EXPECT_EQ(found, 0);
        EXPECT_EQ(beeps.Beeps(), beepsBefore + 1);
        EXPECT_EQ(StatusPart(session.StatusBar(), 4), before) << "a failed search changes nothing";
        continue;
      }
      EXPECT_EQ(found, 1);
      EXPECT_EQ(beeps.Beeps(), beepsBefore);
      EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" " + std::to_wstring(s.row) + L":" + std::to_wstring(s.column));
      EXPECT_EQ(SelectedItems(session.ListView()), std::vector<int>{s.row - 1});
      EXPECT_EQ(FocusedItem(session.ListView()), s.row - 1);
    }
  }
}

// Regression: hidden (zero-width) columns matched, and a match right of the visible area was only scrolled
// into view vertically.
TEST_F(ViewerSearchTest, FindsOnlyVisibleColumnsAndScrollsTheMatchIntoView) {
  std::string csv = "c1,c2,c3,c4,c5,c6,c7,c8\r\n";
  const auto filler = [](int k) { return "filler text that makes a wide column " + std::to_string(k); };
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 8; ++column) {
      const bool needle = (row == 0 && (column == 3 || column == 7)) || (row == 1 && column == 0);
      csv += (column > 0 ? "," : "") + (needle ? std::string("needle") : filler(column));
    }
    csv += "\r\n";
  }
  TViewerSession session(WriteTempFile(L"far.csv", csv), 0, 700, 400);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 3);
  }
  ASSERT_EQ(ColumnWidth(list, 3), 0);

  struct Find {
    int flags;
    int row;  // 0-based list row and column of the match; -1: not found
    int column;
  };
  const Find finds[] = {{kFirst, 0, 7}, {0, 1, 0}, {0, -1, -1}};
  for (const Find& s : finds) {
    SCOPED_TRACE("expecting " + std::to_string(s.row) + ":" + std::to_string(s.column));
    const int found = Search(session.Viewer(), L"needle", s.flags);
    if (s.row < 0) {
      EXPECT_EQ(found, 0);
      continue;
    }
    ASSERT_EQ(found, 1);
    EXPECT_EQ(StatusPart(session.StatusBar(), 4),
              L" " + std::to_wstring(s.row + 1) + L":" + std::to_wstring(s.column + 1));
    RECT client{};
    GetClientRect(list, &client);
    const RECT cell = CellRect(list, s.row, s.column);
    EXPECT_GE(cell.left, client.left);
    EXPECT_LE(cell.right, client.right);
    // The filter row moved with the columns.
    const HWND box = session.FilterEdit(s.column);
    EXPECT_TRUE(IsShown(box));
    EXPECT_EQ(RectIn(box, session.Viewer()).left, RectIn(list, session.Viewer()).left + cell.left);
  }
}

TEST_F(ViewerSearchTest, SearchAppliesAPendingFilterFirst) {
  TViewerSession session(WriteTempFile(L"pending.csv", kGrid));
  ASSERT_TRUE(session.WaitLoaded());
  TypeText(session.FilterEdit(1), L"y");  // keeps the row of "ab_x" and "ab-y" only
  EXPECT_EQ(Search(session.Viewer(), L"ab", kFirst | kWords), 1);
  EXPECT_EQ(ItemCount(session.ListView()), 1);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2");
}

TEST_F(ViewerSearchTest, RequestsWithoutAViewerOrWithNothingToFindReturnZero) {
  TViewerSession session(WriteTempFile(L"nothing.csv", kGrid));
  ASSERT_TRUE(session.WaitLoaded());
  EXPECT_EQ(Search(session.Viewer(), L"", kFirst), 0);
  EXPECT_EQ(Search(session.Host().Handle(), L"ab", kFirst), 0);
  EXPECT_EQ(Search(nullptr, L"ab", kFirst), 0);
}

TEST_F(ViewerSearchTest, HeaderClicksCycleAscendingDescendingFileOrderAndKeepTheCurrentRow) {
  TViewerSession session(WriteTempFile(L"sort.csv", "name,size\r\nb,10\r\nc,2\r\na,2\r\nd,x\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND header = session.Header();
  ASSERT_EQ(Search(session.Viewer(), L"c", kFirst | kWords), 1);  // row "c,2" is current
  struct Click {
    int column;
    int arrow;  // drawn in the clicked header item afterwards: 1 up, -1 down, 0 none
    std::vector<std::wstring> names;
    int currentRow;  // 1-based
  };
  const Click clicks[] = {
      {1, 1, {L"c", L"a", L"b", L"d"}, 1},  // numbers before text; equal values in file order
      {1, -1, {L"d", L"b", L"c", L"a"}, 3},
      {1, 0, {L"b", L"c", L"a", L"d"}, 2},
      {0, 1, {L"a", L"b", L"c", L"d"}, 3},
      {1, 1, {L"c", L"a", L"b", L"d"}, 1},  // another column starts ascending again
  };
  for (const Click& c : clicks) {
    ClickColumnHeader(list, c.column);
    SCOPED_TRACE("after a click on column " + std::to_string(c.column));
    EXPECT_EQ(ColumnTexts(list, 0), c.names);
    EXPECT_EQ(SortArrow(header, c.column), c.arrow);
    EXPECT_EQ(SortArrow(header, 1 - c.column), 0);
    EXPECT_EQ(SelectedItems(list), std::vector<int>{c.currentRow - 1});
    EXPECT_EQ(CellText(list, c.currentRow - 1, 0), L"c");
    EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" " + std::to_wstring(c.currentRow) + L":1");
  }
}

// Regression: a sort kept the selected list positions, which then belonged to other records.
TEST_F(ViewerSearchTest, SortingKeepsTheSelectedRecordsSelected) {
  TViewerSession session(WriteTempFile(L"selected.csv", "name,size\r\nb,10\r\nc,2\r\na,2\r\nd,x\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  for (const int item : {0, 2}) {  // "b" and "a"; "b" has the focus
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = item == 0 ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  }
  struct Click {
    std::vector<std::wstring> names;
    std::vector<int> selected;
    int focused;
  };
  const Click clicks[] = {
      {{L"a", L"b", L"c", L"d"}, {0, 1}, 1},
      {{L"d", L"c", L"b", L"a"}, {2, 3}, 2},
      {{L"b", L"c", L"a", L"d"}, {0, 2}, 0},
  };
  for (const Click& c : clicks) {
    ClickColumnHeader(list, 0);
    EXPECT_EQ(ColumnTexts(list, 0), c.names);
    EXPECT_EQ(SelectedItems(list), c.selected);
    EXPECT_EQ(FocusedItem(list), c.focused);
    EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" Selected: 2 rows, 2 columns | Count: 2");
  }
}

TEST_F(ViewerSearchTest, SortingKeepsTheScrollPosition) {
  std::string csv = "n,text\r\n";
  for (int i = 0; i < 300; ++i) csv += std::to_string(i) + ",row " + std::to_string(299 - i) + "\r\n";
  TViewerSession session(WriteTempFile(L"scroll.csv", csv), 0, 900, 400);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SendMessageW(list, LVM_ENSUREVISIBLE, 200, FALSE);
  PumpPending();
  const int top = TopIndex(list);
  ASSERT_GT(top, 100);
  ClickColumnHeader(list, 0);
  ClickColumnHeader(list, 0);  // descending: the rows are reversed, the view stays where it was
  EXPECT_EQ(TopIndex(list), top);
  EXPECT_EQ(CellText(list, top, 0), std::to_wstring(299 - top));
}

}  // namespace
}  // namespace qelvar::gui
