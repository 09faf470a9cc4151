// Clipboard copy with the C key: the cell, the selected rows and a column, with line numbers shown, a
// hidden column and a two-character column-delimiter; quoting of cells with tabs and line breaks; nothing
// to copy; and a clipboard that another program holds open.
#include <string>

#include "edit_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerCopyTest = ViewerTest;

// Key C in the grid with the modifiers held (at most two).
void PressC(HWND listView, const std::vector<int>& modifiers) {
  const int first = modifiers.size() > 0 ? modifiers[0] : 0;
  const int second = modifiers.size() > 1 ? modifiers[1] : 0;
  const TModifierKeys keys({first, second});
  SendKey(listView, 'C');
}

TEST_F(ViewerCopyTest, EachCopyFormPutsWhatTheGridShowsWithALineBreakBetweenEveryTwoRows) {
  SetSettings("show-line-numbers=1\ncolumn-delimiter=;;\n");
  TViewerSession session(WriteTempFile(L"copy.csv", "a,b,c\r\n1,2,3\r\n,,\r\n4,5,6\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  // List-view columns: 0 line numbers, 1 a, 2 b (hidden below), 3 c.
  const RECT b = CellRect(list, 0, 2);
  ClickAt(list, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
  SendCommand(session.Viewer(), cmHideColumn);
  ASSERT_EQ(ColumnWidth(list, 2), 0);

  struct Step {
    const char* name;
    const char* settings;
    int item, column;  // the cell clicked first; -1: none
    std::vector<int> selected;
    std::vector<int> modifiers;
    std::wstring expected;
  };
  const std::vector<Step> steps = {
      {"a hidden current column is still copied", "", -1, -1, {0}, {VK_CONTROL}, L"2\r\n\r\n5"},
      {"the cell of the line-number column", "", 1, 0, {1}, {}, L"2"},
      {"rows leave out line numbers and hidden columns", "", 0, 1, {0, 1, 2}, {VK_SHIFT}, L"1;3\r\n;\r\n4;6"},
      {"Shift wins over Ctrl", "", 0, 1, {0, 2}, {VK_SHIFT, VK_CONTROL}, L"1;3\r\n4;6"},
      {"Ctrl+C with one selected row copies every listed row", "", 0, 3, {0}, {VK_CONTROL}, L"3\r\n\r\n6"},
      {"an empty first cell keeps its line", "", 1, 1, {1, 2}, {VK_CONTROL}, L"\r\n4"},
      {"rows with none selected leave the clipboard alone", "", -1, -1, {}, {VK_SHIFT}, L"before"},
      {"copy-column with one selected row copies the cell", "copy-column=1", 0, 3, {0}, {}, L"3"},
      {"copy-header puts the shown titles first", "copy-header=1", 0, 1, {0, 2}, {VK_SHIFT}, L"a;c\r\n1;3\r\n4;6"},
      {"copy-column with two selected rows copies their column",
       "copy-column=1",
       0,
       1,
       {0, 2},
       {},
       L"1\r\n4"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    SetSettings(std::string("show-line-numbers=1\ncolumn-delimiter=;;\n") + step.settings);
    if (step.item >= 0) {
      const RECT cell = CellRect(list, step.item, step.column);
      ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    }
    SelectItems(list, {});
    for (const int item : step.selected) {
      LVITEMW state{};
      state.stateMask = state.state = LVIS_SELECTED;
      SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    }
    PutClipboardText(L"before");
    PressC(list, step.modifiers);
    EXPECT_EQ(ClipboardText(), step.expected);
  }

  // The context menu's commands copy the same.
  SelectItems(list, {0, 2});
  SendCommand(session.Viewer(), cmCopyRows);
  EXPECT_EQ(ClipboardText(), L"1;3\r\n4;6");
  SendCommand(session.Viewer(), cmCopyRowsWithHeader);
  EXPECT_EQ(ClipboardText(), L"a;c\r\n1;3\r\n4;6");

  // Lister's copy command copies the selected rows, or the current cell (1:1) when one row is selected;
  // its select-all command, and Ctrl+A in the grid, select every listed row.
  Plugin().listSendCommand(session.Viewer(), lc_copy, 0);
  EXPECT_EQ(ClipboardText(), L"1;3\r\n4;6");
  SelectItems(list, {1});
  Plugin().listSendCommand(session.Viewer(), lc_copy, 0);
  EXPECT_EQ(ClipboardText(), L"1");
  Plugin().listSendCommand(session.Viewer(), lc_selectall, 0);
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{0, 1, 2}));
  SelectItems(list, {});
  {
    const TModifierKeys ctrl({VK_CONTROL, 0});
    SendKey(list, 'A');
  }
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{0, 1, 2}));
}

// Unquoted, a pasted tab or line break split one cell into several.
TEST_F(ViewerCopyTest, CopiedRowsQuoteCellsWithTabsAndLineBreaksAsSpreadsheetsReadThem) {
  TViewerSession session(WriteTempFile(L"copy.tsv", "a\tb\r\n\"x\ty\"\t\"1\r\n2\"\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  SelectItems(session.ListView(), {0});
  SendCommand(session.Viewer(), cmCopyRows);
  EXPECT_EQ(ClipboardText(), L"\"x\ty\"\t\"1\r\n2\"");
}

TEST_F(ViewerCopyTest, AClipboardHeldByAnotherProgramKeepsItsContentAndTheViewerBeeps) {
  TViewerSession session(WriteTempFile(L"held.csv", "a\r\nnew\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const RECT cell = CellRect(list, 0, 0);
  ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  PutClipboardText(L"old");
  TBeepCounter beeps;
  ASSERT_TRUE(beeps.Installed());
  {
    const TClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    PressC(list, {});
  }
  EXPECT_EQ(beeps.Beeps(), 1);
  EXPECT_EQ(ClipboardText(), L"old");
  PressC(list, {});
  EXPECT_EQ(ClipboardText(), L"new");
  EXPECT_EQ(beeps.Beeps(), 1);
}

}  // namespace
}  // namespace qelvar::gui
