// The grid's context menu: its items, their order, check marks and greyed states in each mode, read from
// the open menu; what choosing an item does; and what each view command does to the grid and the ini.
#include <string>

#include "harness_keys.h"
#include "harness_menus.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerMenusTest = ViewerTest;

std::wstring People() {
  return WriteTempFile(L"people.csv",
                       "name,city,age\r\nAnna,Paris,31\r\nBen,Berlin,45\r\nCleo,Rome,27\r\nDan,Paris,52\r\n");
}

// A right-click as the mouse makes it, the cursor moved there first; the grid then asks its parent for the
// context menu.
void RightClickAt(HWND window, int x, int y) {
  POINT screen{x, y};
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM point = MAKELPARAM(x, y);
  PostMessageW(window, WM_RBUTTONUP, 0, point);
  SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, point);
  PumpPending();
}

void RightClickCell(HWND listView, int item, int column) {
  const RECT cell = CellRect(listView, item, column);
  RightClickAt(listView, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

void RightClickHeader(HWND header, int column) {
  RECT item{};
  SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
  RightClickAt(header, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
}

// The context menu seen after a right-click on a cell (nothing chosen).
TMenuSeen MenuOverCell(TViewerSession& session, int item, int column) {
  TMenuAnswerer answerer;
  RightClickCell(session.ListView(), item, column);
  return answerer.Menus().size() == 1 ? answerer.Menus()[0] : TMenuSeen{};
}

std::wstring StatusCell(HWND statusBar) { return StatusPart(statusBar, 4); }

TEST_F(ViewerMenusTest, TheContextMenuListsEveryCommandInOrderWithItsTexts) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const TMenuSeen menu = MenuOverCell(session, 1, 1);
  struct Expected {
    UINT id;
    const wchar_t* text;  // nullptr: a separator
  };
  const Expected expected[] = {
      {cmCopyCell, L"Copy cell"},
      {cmCopyRows, L"Copy row(s) (Shift+C)"},
      {cmCopyRowsWithHeader, L"Copy row(s) with header"},
      {cmCopyColumn, L"Copy column (Ctrl+C)"},
      {0, nullptr},
      {cmFilterByValue, L"Filter by this value"},
      {cmExcludeValue, L"Exclude this value"},
      {0, nullptr},
      {cmInsertRowAbove, L"Insert row above (Ins)"},
      {cmInsertRowBelow, L"Insert row below"},
      {cmAppendRow, L"Append row (Shift+Ins)"},
      {cmDeleteRows, L"Delete row(s) (Ctrl+X)"},
      {cmDeleteColumn, L"Delete column"},
      {0, nullptr},
      {cmHideColumn, L"Hide column (Ctrl+Click)"},
      {cmAutoSizeColumns, L"Auto-size all columns (Ctrl+H)"},
      {cmShowAllColumns, L"Show all columns (Ctrl+Space)"},
      {cmColumnProfile, L"Column profile"},
      {0, nullptr},
      {cmToggleFilterRow, L"Filters"},
      {cmToggleHeaderRow, L"Header row"},
      {cmToggleEditMode, L"Edit mode (Ctrl+E)"},
      {cmToggleTransformMode, L"Transform mode (Ctrl+T)"},
      {cmSave, L"Save (Ctrl+S)"},
      {0, nullptr},
      {cmToggleLineNumbers, L"Show line numbers"},
      {0, nullptr},
      {cmReload, L"Reload (F5)"},
      {cmToggleFollow, L"Follow new rows (Shift+F)"},
      {0, L"Theme"},
  };
  ASSERT_EQ(menu.items.size(), std::size(expected));
  for (std::size_t i = 0; i < menu.items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(menu.items[i].separator, expected[i].text == nullptr);
    EXPECT_EQ(menu.items[i].id, expected[i].id);
    if (expected[i].text) {
      EXPECT_EQ(menu.items[i].text, expected[i].text);
    }
  }
  const auto& theme = menu.items.back().submenu;
  ASSERT_EQ(theme.size(), 3u);
  EXPECT_EQ(theme[0].id, static_cast<UINT>(cmThemeTc));
  EXPECT_EQ(theme[0].text, L"Total Commander");
  EXPECT_EQ(theme[1].id, static_cast<UINT>(cmThemeLight));
  EXPECT_EQ(theme[1].text, L"Light");
  EXPECT_EQ(theme[2].id, static_cast<UINT>(cmThemeDark));
  EXPECT_EQ(theme[2].text, L"Dark");

  // The menu opens at the mouse cursor.
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_LE(std::abs(menu.window.left - cursor.x) + std::abs(menu.window.top - cursor.y), 2);
}

TEST_F(ViewerMenusTest, ChecksAndGreyedItemsFollowTheModes) {
  struct Case {
    const char* name;
    const char* settings;
    bool editMode;     // switched on with Ctrl+E before the menu opens
    bool overHeader;   // right-click on the header instead of a cell
    int column;        // the list-view column right-clicked
    std::vector<std::pair<UINT, bool>> checked;
    std::vector<std::pair<UINT, bool>> greyed;
  };
  const Case cases[] = {
      {"viewing", "", false, false, 1,
       {{cmToggleFilterRow, true}, {cmToggleHeaderRow, true}, {cmToggleEditMode, false},
        {cmToggleTransformMode, false}, {cmToggleLineNumbers, false}, {cmThemeTc, false}, {cmThemeLight, true},
        {cmThemeDark, false}},
       {{cmInsertRowBelow, true}, {cmDeleteRows, true}, {cmDeleteColumn, true}, {cmCopyCell, false},
        {cmSave, false}, {cmToggleTransformMode, false}, {cmHideColumn, false}}},
      {"settings shown as they are", "filter-row=0\nheader-row=0\nshow-line-numbers=1\ntheme-mode=tc\n", false,
       false, 1,
       {{cmToggleFilterRow, false}, {cmToggleHeaderRow, false}, {cmToggleLineNumbers, true}, {cmThemeTc, true},
        {cmThemeLight, false}},
       {}},
      {"dark theme", "dark-theme=1\n", false, false, 1, {{cmThemeDark, true}, {cmThemeLight, false}}, {}},
      {"edit mode on a cell", "", true, false, 1, {{cmToggleEditMode, true}},
       {{cmInsertRowBelow, false}, {cmDeleteRows, false}, {cmDeleteColumn, false}}},
      // Over a header there is a current column but no current row.
      {"edit mode over a header", "", true, true, 2, {{cmToggleEditMode, true}},
       {{cmInsertRowBelow, true}, {cmDeleteRows, false}, {cmDeleteColumn, false}}},
      {"edit mode on the line numbers", "show-line-numbers=1\n", true, false, 0, {},
       {{cmInsertRowBelow, false}, {cmDeleteColumn, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(c.settings);
    TViewerSession session(People());
    ASSERT_TRUE(session.WaitLoaded());
    if (c.editMode) {
      SetFocus(session.ListView());
      TModifierKeys ctrl({VK_CONTROL});
      PostKey(session.ListView(), 'E');
    }
    TMenuSeen menu;
    if (c.overHeader) {
      TMenuAnswerer answerer;
      RightClickHeader(session.Header(), c.column);
      ASSERT_EQ(answerer.Menus().size(), 1u);
      menu = answerer.Menus()[0];
      EXPECT_EQ(StatusCell(session.StatusBar()).find(L':'), std::wstring::npos) << "no current row";
    } else {
      menu = MenuOverCell(session, 1, c.column);
    }
    for (const auto& [id, checked] : c.checked) {
      const TMenuItemSeen* item = FindItem(menu.items, id);
      ASSERT_NE(item, nullptr) << id;
      EXPECT_EQ(item->checked, checked) << id;
    }
    for (const auto& [id, greyed] : c.greyed) {
      const TMenuItemSeen* item = FindItem(menu.items, id);
      ASSERT_NE(item, nullptr) << id;
      EXPECT_EQ(item->greyed, greyed) << id;
    }
  }
}

TEST_F(ViewerMenusTest, ARightClickBesideTheHeaderColumnsOpensNoMenu) {
  TViewerSession session(People(), 0, 1200, 400);
  ASSERT_TRUE(session.WaitLoaded());
  TMenuAnswerer answerer;
  RECT header{};
  GetClientRect(session.Header(), &header);
  RightClickAt(session.Header(), header.right - 5, (header.top + header.bottom) / 2);
  PumpFor(100);
  EXPECT_TRUE(answerer.Menus().empty());
}

// The menu key asks the grid for its menu: the header's rules (a column under the mouse) do not apply, even
// when the mouse rests over the header.
TEST_F(ViewerMenusTest, TheMenuKeyOpensTheGridsMenuWhereverTheMouseIs) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  const RECT cell = CellRect(session.ListView(), 2, 1);
  ClickAt(session.ListView(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  RECT header{};
  GetWindowRect(session.Header(), &header);
  SetCursorPos(header.left + 5, (header.top + header.bottom) / 2);
  TMenuAnswerer answerer;
  SendMessageW(session.ListView(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(session.ListView()), -1);
  PumpPending();
  ASSERT_EQ(answerer.Menus().size(), 1u);
  EXPECT_EQ(StatusCell(session.StatusBar()), L" 3:2") << "the current cell stays";
}

TEST_F(ViewerMenusTest, ChoosingAnItemRunsItsCommandAndARefusedOneRunsNothing) {
  TViewerSession session(People());
  ASSERT_TRUE(session.WaitLoaded());
  {
    TMenuAnswerer answerer(cmToggleFilterRow);
    RightClickCell(session.ListView(), 0, 0);
  }
  EXPECT_FALSE(IsShown(session.FilterEdit(0)));
  EXPECT_NE(ReadFileBytes(SettingsPath()).find("filter-row=0"), std::string::npos);
  {
    TMenuAnswerer answerer(cmThemeDark);
    RightClickCell(session.ListView(), 0, 0);
  }
  EXPECT_NE(ReadFileBytes(SettingsPath()).find("theme-mode=dark"), std::string::npos);
  // A greyed item cannot be chosen; the menu closes without running anything.
  const std::size_t rows = static_cast<std::size_t>(ItemCount(session.ListView()));
  {
    TMenuAnswerer answerer(cmDeleteRows);
    RightClickCell(session.ListView(), 0, 0);
  }
  EXPECT_EQ(static_cast<std::size_t>(ItemCount(session.ListView())), rows);
  EXPECT_TRUE(session.Alive());
}

}  // namespace
}  // namespace qelvar::gui
