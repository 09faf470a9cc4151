// The current cell moved by the arrow keys: over hidden columns and onto the line-number column, with the
// grid scrolling the cell into view, and always exactly one selected row.
#include <string>

#include "harness_keys.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerCursorTest = ViewerTest;

// 40 rows of six wide columns: wider than the window, taller than it.
std::wstring WideTable() {
  std::string text = "c0,c1,c2,c3,c4,c5\r\n";
  for (int row = 1; row <= 40; ++row) {
    for (int column = 0; column < 6; ++column) {
      if (column) text += ',';
      text += "r" + std::to_string(row) + "c" + std::to_string(column) + std::string(20, 'x');
    }
    text += "\r\n";
  }
  return WriteTempFile(L"cursor.csv", text);
}

// The current cell as the status bar shows it (" row:column", 1-based), or "" without one.
std::wstring CurrentCell(HWND statusBar) {
  const std::wstring part = StatusPart(statusBar, 4);
  const std::size_t end = part.find(L' ', 1);
  return part.substr(0, end);
}

// The current cell lies within the grid's client area.
bool CellInView(HWND listView, int item, int column) {
  RECT client{};
  GetClientRect(listView, &client);
  const RECT cell = CellRect(listView, item, column);
  return cell.left >= client.left && cell.right <= client.right && cell.top >= client.top &&
         cell.bottom <= client.bottom;
}

struct TStep {
  std::initializer_list<int> modifiers;
  int key;
  const wchar_t* cell;  // " row:column" afterwards
};

void Press(HWND listView, const TStep& step) {
  TModifierKeys modifiers(step.modifiers);
  PostKey(listView, step.key);
}

TEST_F(ViewerCursorTest, ArrowsMoveTheCellAndScrollItIntoView) {
  TViewerSession session(WideTable(), 0, 500, 300);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  ClickCell(list, 0, 0);
  ASSERT_EQ(CurrentCell(session.StatusBar()), L" 1:1");

  const TStep steps[] = {
      {{}, VK_RIGHT, L" 1:2"},
      {{}, VK_DOWN, L" 2:2"},
      {{VK_CONTROL}, VK_RIGHT, L" 2:6"},
      {{}, VK_RIGHT, L" 2:6"},  // the last column stays
      {{VK_CONTROL}, VK_DOWN, L" 40:6"},
      {{}, VK_DOWN, L" 40:6"},
      {{VK_CONTROL}, VK_LEFT, L" 40:1"},
      {{}, VK_LEFT, L" 40:1"},
      {{VK_CONTROL}, VK_UP, L" 1:1"},
      {{}, VK_UP, L" 1:1"},
      {{VK_SHIFT}, VK_DOWN, L" 2:1"},  // Shift does not extend the selection
      {{VK_SHIFT}, VK_DOWN, L" 3:1"},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(Utf8(step.cell));
    Press(list, step);
    const std::wstring cell = CurrentCell(session.StatusBar());
    EXPECT_EQ(cell, step.cell);
    const int row = std::stoi(cell.substr(1)) - 1;
    const int column = std::stoi(cell.substr(cell.find(L':') + 1)) - 1;
    EXPECT_TRUE(CellInView(list, row, column)) << "the current cell is scrolled into view";
    EXPECT_EQ(SelectedItems(list), std::vector<int>{row});
    EXPECT_EQ(FocusedItem(list), row);
    // The filter boxes move with the columns they filter.
    const RECT box = RectIn(session.FilterEdit(column), list);
    EXPECT_EQ(box.left, std::max(CellRect(list, row, column).left, 0L));
  }
}

TEST_F(ViewerCursorTest, HiddenColumnsAreSkippedAndTheLineNumberColumnIsACell) {
  SetSettings("show-line-numbers=1\n");
  TViewerSession session(WideTable(), 0, 1600, 400);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 3);  // hides data column c2
    ClickColumnHeader(list, 6);  // and the last one, c5
  }
  ClickCell(list, 4, 1);
  ASSERT_EQ(CurrentCell(session.StatusBar()), L" 5:2");
  const TStep steps[] = {
      {{}, VK_RIGHT, L" 5:3"},
      {{}, VK_RIGHT, L" 5:5"},   // over the hidden column
      {{VK_CONTROL}, VK_RIGHT, L" 5:6"},  // the last visible column, not the hidden one
      {{}, VK_LEFT, L" 5:5"},
      {{VK_CONTROL}, VK_LEFT, L" 5:1"},   // the line numbers are the first column
      {{}, VK_RIGHT, L" 5:2"},
      {{}, VK_LEFT, L" 5:1"},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(Utf8(step.cell));
    Press(list, step);
    EXPECT_EQ(CurrentCell(session.StatusBar()), step.cell);
  }
}

TEST_F(ViewerCursorTest, PageKeysMoveTheGridsRowButArrowsGoOnFromTheCurrentCell) {
  TViewerSession session(WideTable());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  ClickCell(list, 2, 1);
  PostKey(list, VK_NEXT);
  EXPECT_GT(FocusedItem(list), 2) << "the grid moved its own focus";
  EXPECT_EQ(CurrentCell(session.StatusBar()), L" 3:2");
  PostKey(list, VK_DOWN);
  EXPECT_EQ(CurrentCell(session.StatusBar()), L" 4:2");
  EXPECT_EQ(SelectedItems(list), std::vector<int>{3});
}

TEST_F(ViewerCursorTest, WithoutACurrentCellTheFirstArrowStartsFromTheGridsFocusedRow) {
  TViewerSession session(WideTable());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  ListView_SetItemState(list, 6, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  ASSERT_EQ(CurrentCell(session.StatusBar()), L"");
  PostKey(list, VK_DOWN);
  EXPECT_EQ(CurrentCell(session.StatusBar()), L" 8:1");
}

TEST_F(ViewerCursorTest, ArrowsInAFilterBoxMoveTheCaretNotTheCell) {
  TViewerSession session(WideTable());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ClickCell(list, 0, 0);
  const HWND filter = session.FilterEdit(0);
  SetFocus(filter);
  TypeText(filter, L"ab");
  PostKey(filter, VK_LEFT);
  TypeText(filter, L"X");
  EXPECT_EQ(WindowText(filter), L"aXb");
  PostKey(filter, VK_DOWN);
  EXPECT_EQ(CurrentCell(session.StatusBar()), L" 1:1");
}

}  // namespace
}  // namespace qelvar::gui
