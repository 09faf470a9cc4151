// Editing as in a spreadsheet: typing on a cell starts its editor, Delete clears it, Enter and Tab commit
// and move, Ctrl+Enter breaks a line; and rows added above or at the end of tables that have no current
// row to insert below. What an edit did is read from the file a save writes.
#include <string>

#include "edit_test_support.h"
#include "harness_keys.h"

namespace qelvar::gui {
namespace {

class ViewerSheetKeysTest : public ViewerTest {
 protected:
  void SetUp() override { SetSettings("start-mode=edit\n"); }
};

void ClickCell(HWND list, int item, int column) {
  const RECT cell = CellRect(list, item, column);
  ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  SetFocus(list);
}

TEST_F(ViewerSheetKeysTest, TypingDeleteEnterTabAndCtrlEnterEditCellsInPlace) {
  const std::wstring path = WriteTempFile(L"sheet.csv", "k,v\r\na,1\r\nb,2\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  PumpFor(550);  // past the half second in which no key goes to the host
  const HWND list = session.ListView();
  ClickCell(list, 0, 0);
  session.Host().ClearPostedKeys();

  // N would show the host's next file: on a cell in edit mode it is the first letter typed.
  PostKey(list, 'N');
  HWND editor = CellEditor(list);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"n");
  PostKey(editor, 'E');
  PostKey(editor, VK_TAB);  // commits and moves right
  EXPECT_EQ(CellEditor(list), nullptr);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2 EDIT *");
  PostKey(list, VK_DELETE);  // clears the cell
  EXPECT_EQ(GridRows(list), (std::vector<std::wstring>{L"ne|", L"b|2"}));
  PostKey(list, '7');
  ASSERT_NE(CellEditor(list), nullptr);
  PostKey(CellEditor(list), VK_RETURN);  // commits and moves down
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 2:2 EDIT *");

  // Ctrl+Enter breaks the line; the editor grows to two rows. Shift+Enter commits and moves up.
  SendKey(list, VK_F2);
  editor = CellEditor(list);
  ASSERT_NE(editor, nullptr);
  SendMessageW(editor, EM_SETSEL, 1, 1);
  {
    const TModifierKeys ctrl({VK_CONTROL});
    PostKey(editor, VK_RETURN);
  }
  PostKey(editor, 'X');
  EXPECT_EQ(WindowText(editor), L"2\r\nx");
  RECT box{};
  GetWindowRect(editor, &box);
  const RECT cell = CellRect(list, 1, 1);
  EXPECT_NEAR(box.bottom - box.top, 2 * (cell.bottom - cell.top), 2);
  {
    const TModifierKeys shift({VK_SHIFT});
    PostKey(editor, VK_RETURN);
  }
  EXPECT_EQ(CellEditor(list), nullptr);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:2 EDIT *");
  {
    const TModifierKeys shift({VK_SHIFT});
    PostKey(list, VK_TAB);  // a Tab in the grid is no edit key: nothing happens to the cells
  }
  SendCommand(session.Viewer(), cmSave);
  EXPECT_EQ(ReadFileBytes(path), "k,v\r\nne,7\r\nb,\"2\r\nx\"\r\n");
  EXPECT_TRUE(session.Host().PostedKeys().empty()) << "no typed key went to the host";
}

TEST_F(ViewerSheetKeysTest, InsertAboveAndAppendAddRowsWhereNoRowIsCurrent) {
  struct Case {
    const char* name;
    const char* settings;
    const char* file;
    int clickItem;             // -1: no current cell
    bool shift;                // Shift+Insert (append) instead of Insert (above)
    const wchar_t* filter;     // typed into the first filter box first, or nullptr
    const char* saved;
    const wchar_t* status;
  };
  const Case cases[] = {
      {"a header-only table gains its first row", "", "k,v\r\n", -1, true, nullptr, "k,v\r\n,\r\n", L" 1:1 EDIT *"},
      {"above the first row, no header row", "header-row=0", "a,b\r\nc,d\r\n", 0, false, nullptr,
       ",\r\na,b\r\nc,d\r\n", L" 1:1 EDIT *"},
      {"above without a current row goes below the header", "", "k,v\r\na,1\r\n", -1, false, nullptr,
       "k,v\r\n,\r\na,1\r\n", L" 1:1 EDIT *"},
      {"append after a last line without a break", "", "k,v\r\na,1", 0, true, nullptr, "k,v\r\na,1\r\n,",
       L" 2:1 EDIT *"},
      // The filter hides the new empty row: it is in the file, not listed.
      {"a fully filtered table", "", "k,v\r\na,1\r\n", -1, true, L"zzz", "k,v\r\na,1\r\n,\r\n", L" EDIT *"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(std::string("start-mode=edit\n") + c.settings);
    const std::wstring path = WriteTempFile(L"append.csv", c.file);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const HWND list = session.ListView();
    if (c.filter) {
      SetWindowTextW(session.FilterEdit(0), c.filter);
      ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 0; }));
    }
    if (c.clickItem >= 0) ClickCell(list, c.clickItem, 0);
    SetFocus(list);
    {
      const TModifierKeys shift({c.shift ? VK_SHIFT : 0});
      PostKey(list, VK_INSERT);
    }
    EXPECT_EQ(StatusPart(session.StatusBar(), 4), c.status);
    SendCommand(session.Viewer(), cmSave);
    EXPECT_EQ(ReadFileBytes(path), c.saved);
  }
}

}  // namespace
}  // namespace qelvar::gui
