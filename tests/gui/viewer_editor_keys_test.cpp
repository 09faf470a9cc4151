// Keys typed into the in-place cell editor, delivered as the host delivers them: they are the editor's
// text and never the host's or the grid's, while the viewer's own shortcuts still work from it.
#include <string>

#include "edit_test_support.h"
#include "harness_keys.h"
#include "harness_menus.h"

namespace qelvar::gui {
namespace {

class ViewerEditorKeysTest : public ViewerTest {
 protected:
  void SetUp() override { SetSettings("start-mode=editor\nexit-by-q=1\n"); }
};

constexpr char kCities[] = "name,city\r\nalpha,Oslo\r\nbeta,Wien\r\n";

// The editor over beta's city with "Rome" typed and not yet committed; null when it did not open.
HWND TypeRomeOverWien(HWND list) {
  const HWND editor = BeginEdit(list, 1, 1);
  if (editor) SetWindowTextW(editor, L"Rome");
  return editor;
}

TEST_F(ViewerEditorKeysTest, TypedKeysAreTheEditorsTextAndNeverReachTheHostOrTheGrid) {
  TViewerSession session(WriteTempFile(L"typing.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  PumpFor(550);  // past the half second in which no key goes to the host
  const HWND list = session.ListView();
  PutClipboardText(L"kept");
  const HWND editor = BeginEdit(list, 0, 1);
  ASSERT_NE(editor, nullptr);
  session.Host().ClearPostedKeys();

  // N and P would switch the host's file, the digits its view, Q close it; C would copy, arrows move the
  // grid's cursor.
  for (const int key : {int{'N'}, int{'1'}, int{'P'}, int{'5'}, int{'Q'}, int{'C'}, VK_LEFT, VK_RIGHT}) PostKey(editor, key);
  ASSERT_EQ(CellEditor(list), editor) << "the editor stays open";
  EXPECT_EQ(WindowText(editor), L"n1p5qc");
  EXPECT_TRUE(session.Host().PostedKeys().empty());
  EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"kept"));
  {
    // Ctrl+C in the box copies its own selection, not the grid's cell.
    SendMessageW(editor, EM_SETSEL, 0, 2);
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(editor, 'C');
  }
  EXPECT_EQ(ClipboardText(), std::optional<std::wstring>(L"n1"));
  EXPECT_EQ(WindowText(editor), L"n1p5qc") << "Ctrl+C typed nothing";
  EXPECT_TRUE(session.Host().PostedKeys().empty());
}

TEST_F(ViewerEditorKeysTest, CtrlEInTheEditorEndsTheEditCommittingAndLeavesEditMode) {
  TViewerSession session(WriteTempFile(L"toggle.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND editor = TypeRomeOverWien(list);
  ASSERT_NE(editor, nullptr);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(editor, 'E');
  }
  EXPECT_EQ(CellEditor(list), nullptr);
  EXPECT_EQ(GridRows(list), (std::vector<std::wstring>{L"alpha|Oslo", L"beta|Rome"})) << "committed, no 'e' typed";
  // Out of edit mode F2 opens nothing, and the status bar says the file is modified.
  EXPECT_EQ(BeginEdit(list, 0, 0), nullptr);
  EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L"MODIFIED *"), std::wstring::npos)
      << StatusPart(session.StatusBar(), 4);
}

// The shortcuts of saving and of the panel reach their commands from the grid and from a filter box,
// without typing there.
TEST_F(ViewerEditorKeysTest, CtrlSSavesAndCtrlTShowsThePanelFromAnyControl) {
  const std::wstring path = WriteTempFile(L"keys-save.csv", "name,city\r\nalpha,Oslo\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  EditCell(list, 0, 1, L"Rome");
  const HWND filter = session.FilterEdit(0);
  SetFocus(filter);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(filter, 'S');
  }
  EXPECT_EQ(ReadFileBytes(path), "name,city\r\nalpha,Rome\r\n");
  const HWND panelList = GetDlgItem(session.Viewer(), kTransformListId);
  ASSERT_NE(panelList, nullptr);
  EXPECT_FALSE(IsWindowVisible(panelList));
  for (const HWND target : {filter, list}) {
    SetFocus(target);
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(target, 'T');
    EXPECT_EQ(IsWindowVisible(panelList) != FALSE, target == filter) << "Ctrl+T toggles the panel";
  }
  EXPECT_EQ(WindowText(filter), L"") << "nothing typed";
}

TEST_F(ViewerEditorKeysTest, DoubleClickOnACellOpensItsEditor) {
  TViewerSession session(WriteTempFile(L"dblclick.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const RECT cell = CellRect(list, 1, 1);
  const LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  PostMessageW(list, WM_LBUTTONUP, 0, point);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  PumpPending();
  const HWND editor = CellEditor(list);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor), L"Wien");
}

// The header takes no focus, so its menu would otherwise run with the editor still open.
TEST_F(ViewerEditorKeysTest, HeaderMenuCommitsTheOpenEditBeforeItsCommandRuns) {
  TViewerSession session(WriteTempFile(L"hdrmenu.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND editor = TypeRomeOverWien(list);
  ASSERT_NE(editor, nullptr);
  const HWND header = ListView_GetHeader(list);
  RECT item{};
  Header_GetItemRect(header, 1, &item);
  POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(header, &at);
  PutClipboardText(L"old");
  {
    TMenuAnswerer menu(cmCopyColumn);
    SendMessageW(session.Viewer(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(header), MAKELPARAM(at.x, at.y));
  }
  EXPECT_EQ(CellEditor(list), nullptr);
  EXPECT_EQ(GridRows(list), (std::vector<std::wstring>{L"alpha|Oslo", L"beta|Rome"}));
  const auto copied = ClipboardText();
  ASSERT_TRUE(copied.has_value());
  EXPECT_NE(copied->find(L"Rome"), std::wstring::npos) << Utf8(*copied);
}

// Zooming deletes the old fonts: the open editor must hold the new one and still cover its cell.
TEST_F(ViewerEditorKeysTest, ZoomWhileEditingGivesTheEditorALiveFontAndItsCell) {
  TViewerSession session(WriteTempFile(L"zoomedit.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND editor = BeginEdit(list, 1, 1);
  ASSERT_NE(editor, nullptr);
  for (int i = 0; i < 4; ++i) {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(editor, VK_ADD);
  }
  ASSERT_EQ(CellEditor(list), editor);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(editor, WM_GETFONT, 0, 0));
  LOGFONTW described{};
  EXPECT_NE(GetObjectW(font, sizeof(described), &described), 0) << "the editor's font was deleted";
  EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  const RECT cell = CellRect(list, 1, 1);
  const RECT box = RectIn(editor, list);
  EXPECT_EQ(box.left, cell.left);
  EXPECT_EQ(box.top, cell.top);
  EXPECT_EQ(box.bottom - box.top, cell.bottom - cell.top);
}

}  // namespace
}  // namespace qelvar::gui
