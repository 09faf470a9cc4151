// The view commands of the context menu, sent as the menu sends them: the filter row, the header row, the
// line numbers and edit mode, with what each does to the grid, the status bar and the ini file, and the
// rows the user selected kept across each rebuild.
#include <string>

#include "harness_keys.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerCommandsTest = ViewerTest;

std::wstring People() {
  return WriteTempFile(L"people.csv",
                       "name,city\r\nAnna,Paris\r\nBen,Berlin\r\nCleo,Rome\r\nDan,Paris\r\n");
}

bool IniHas(const char* line) { return ReadFileBytes(SettingsPath()).find(line) != std::string::npos; }

TEST_F(ViewerCommandsTest, TheFilterRowHidesAndReturnsWithItsFiltersStillApplied) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND box = session.FilterEdit(1);
  SetFocus(box);
  TypeText(box, L"Paris");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));

  SendCommand(session.Viewer(), cmToggleFilterRow);
  EXPECT_TRUE(IniHas("filter-row=0"));
  EXPECT_FALSE(IsShown(box));
  EXPECT_EQ(RectIn(list, session.Viewer()).top, 0) << "the grid takes the row's place";
  EXPECT_EQ(GetFocus(), list) << "typing does not go on into a hidden box";

  SendCommand(session.Viewer(), cmToggleFilterRow);
  EXPECT_TRUE(IniHas("filter-row=1"));
  EXPECT_EQ(session.FilterEdit(1), box);
  EXPECT_TRUE(IsShown(box));
  EXPECT_EQ(WindowText(box), L"Paris") << "the box shows the filter that is applied";
  EXPECT_EQ(ItemCount(list), 2);
}

TEST_F(ViewerCommandsTest, TheHeaderRowTogglesAndTheSelectionStaysOnTheSameRecords) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ClickCell(list, 1, 1);  // Ben, the current cell
  ListView_SetItemState(list, 3, LVIS_SELECTED, LVIS_SELECTED);  // and Dan

  SendCommand(session.Viewer(), cmToggleHeaderRow);
  EXPECT_TRUE(IniHas("header-row=0"));
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"Column 1", L"Column 2"}));
  EXPECT_EQ(ItemCount(list), 5);
  EXPECT_EQ(RowTexts(list, 0), (std::vector<std::wstring>{L"name", L"city"}));
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{2, 4})) << "Ben and Dan moved down by the header line";
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 5/5");
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" Selected: 2 rows, 2 columns") << "no current cell";

  // The first line, selected as data, leaves the selection when it becomes the header again.
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  SendCommand(session.Viewer(), cmToggleHeaderRow);
  EXPECT_TRUE(IniHas("header-row=1"));
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"name", L"city"}));
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 4/4");
}

TEST_F(ViewerCommandsTest, LineNumbersComeAndGoWithTheFiltersKept) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  TypeText(session.FilterEdit(1), L"Paris");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  ClickCell(list, 1, 0);
  // Typed but not yet applied when the columns change: it is applied afterwards all the same.
  TypeText(session.FilterEdit(0), L"Dan");

  SendCommand(session.Viewer(), cmToggleLineNumbers);
  EXPECT_TRUE(IniHas("show-line-numbers=1"));
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"#", L"name", L"city"}));
  EXPECT_EQ(session.FilterEdit(0), nullptr) << "no box over the line numbers";
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"Dan");
  EXPECT_EQ(WindowText(session.FilterEdit(2)), L"Paris");
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L"") << "no current cell";
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }, 2000));
  EXPECT_EQ(RowTexts(list, 0), (std::vector<std::wstring>{L"1", L"Dan", L"Paris"}));

  SendCommand(session.Viewer(), cmToggleLineNumbers);
  EXPECT_TRUE(IniHas("show-line-numbers=0"));
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"name", L"city"}));
  EXPECT_EQ(WindowText(session.FilterEdit(0)), L"Dan");
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"Paris");
  PumpFor(300);
  EXPECT_EQ(ItemCount(list), 1);
}

TEST_F(ViewerCommandsTest, EditModeTogglesWithTheMenuAndBothShortcuts) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ClickCell(list, 0, 1);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2");
  SendCommand(session.Viewer(), cmToggleEditMode);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2 EDIT");
  SetFocus(list);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(list, 'R');
  }
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2");
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(session.FilterEdit(0), 'E');
  }
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2 EDIT");
  EXPECT_EQ(WindowText(session.FilterEdit(0)), L"");
}

}  // namespace
}  // namespace qelvar::gui
