// Undo and redo in edit mode: each kind of edit taken back and done again with Ctrl+Z and Ctrl+Y, the keys
// left alone outside edit mode, and random edit sequences that undone give back the loaded file unmodified.
#include <random>
#include <string>

#include "edit_test_support.h"

namespace qelvar::gui {
namespace {

class ViewerUndoTest : public ViewerTest {
 protected:
  void SetUp() override { SetSettings("start-mode=edit\n"); }
};

struct TShown {
  std::vector<std::wstring> titles;
  std::vector<std::wstring> rows;
  bool operator==(const TShown&) const = default;
};

TShown Shown(HWND listView) {
  return {ColumnTitles(listView), GridRows(listView)};
}

void PressCtrl(HWND window, int key) {
  const TModifierKeys ctrl({VK_CONTROL});
  SendKey(window, key);
}

bool ShowsModified(HWND statusBar) {
  return StatusPart(statusBar, 4).find(L"*") != std::wstring::npos;
}

TEST_F(ViewerUndoTest, CtrlZAndCtrlYTakeBackAndRedoEachKindOfEdit) {
  struct Case {
    const char* name;
    std::function<void(TViewerSession&)> edit;
  };
  const auto click = [](HWND list, int item, int column) {
    const RECT cell = CellRect(list, item, column);
    ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  };
  const Case cases[] = {
      {"a cell", [](TViewerSession& s) { EditCell(s.ListView(), 1, 1, L"x, \"y\""); }},
      {"an inserted row",
       [&](TViewerSession& s) {
         click(s.ListView(), 0, 0);
         SendCommand(s.Viewer(), cmInsertRowBelow);
       }},
      {"deleted rows",
       [](TViewerSession& s) {
         SelectItems(s.ListView(), {0, 2});
         SendCommand(s.Viewer(), cmDeleteRows);
       }},
      {"a deleted column",
       [&](TViewerSession& s) {
         click(s.ListView(), 0, 0);
         const TBoxes yes({IDYES});
         SendCommand(s.Viewer(), cmDeleteColumn);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = WriteTempFile(L"undo.csv", "k,v\r\na,1\r\nb,2\r\nc,3\r\n");
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const HWND list = session.ListView();
    const TShown before = Shown(list);
    c.edit(session);
    const TShown after = Shown(list);
    ASSERT_NE(after, before);
    ASSERT_TRUE(ShowsModified(session.StatusBar()));

    SetFocus(list);
    PressCtrl(list, 'Z');
    EXPECT_EQ(Shown(list), before);
    EXPECT_FALSE(ShowsModified(session.StatusBar())) << Utf8(StatusPart(session.StatusBar(), 4));
    PressCtrl(list, 'Y');
    EXPECT_EQ(Shown(list), after);
    EXPECT_TRUE(ShowsModified(session.StatusBar()));

    // Outside edit mode the keys are not the viewer's.
    SendCommand(session.Viewer(), cmToggleEditMode);
    PressCtrl(list, 'Z');
    EXPECT_EQ(Shown(list), after);
    SendCommand(session.Viewer(), cmToggleEditMode);
    PressCtrl(list, 'Z');
    EXPECT_EQ(Shown(list), before);
    SendCommand(session.Viewer(), cmSave);
    EXPECT_EQ(ReadFileBytes(path), "k,v\r\na,1\r\nb,2\r\nc,3\r\n");
  }
}

// Random edits with undo/redo pairs in between (which change nothing); undoing all of them gives back the
// loaded grid, unmodified, and saving then writes nothing; redoing all gives back the edited grid, which
// a save writes and a new viewer reads back.
TEST_F(ViewerUndoTest, UndoingEveryEditOfARandomSequenceGivesBackTheLoadedFile) {
  const std::string loaded = "id;name;note\r\n1;ab;\"q \"\"x\"\"\"\r\n2;cd;y\r\n3;ef;z\n4;gh;w\r\n";
  std::mt19937 random(20240531);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::wstring path = WriteTempFile(L"random.csv", loaded);
    AgeFile(path);
    const std::uint64_t aged = WriteTime(path);
    TBoxes yes({IDYES, IDYES, IDYES, IDYES, IDYES, IDYES, IDYES, IDYES, IDYES, IDYES});
    TShown result;
    {
      TViewerSession session(path);
      ASSERT_TRUE(session.WaitLoaded());
      const HWND list = session.ListView();
      const TShown initial = Shown(list);
      int edits = 0;
      for (int step = 0; step < 12; ++step) {
        const int rows = ItemCount(list);
        const int columns = ColumnCount(list);
        const int item = rows > 0 ? static_cast<int>(random() % static_cast<unsigned>(rows)) : -1;
        const int column = static_cast<int>(random() % static_cast<unsigned>(columns));
        const TShown before = Shown(list);
        switch (item < 0 ? 1 : random() % 4) {
          case 0:
            EditCell(list, item, column, L"v" + std::to_wstring(step) + (step % 3 == 0 ? L",\"q\"" : L""));
            break;
          case 1: {
            if (item < 0) continue;
            const RECT cell = CellRect(list, item, column);
            ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
            SendCommand(session.Viewer(), cmInsertRowBelow);
            break;
          }
          case 2:
            SelectItems(list, {item, (item + 2) % rows});
            SendCommand(session.Viewer(), cmDeleteRows);
            break;
          default: {
            if (columns < 2) continue;
            const RECT cell = CellRect(list, item, column);
            ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
            SendCommand(session.Viewer(), cmDeleteColumn);
            break;
          }
        }
        if (Shown(list) == before) continue;  // an edit that changed nothing is none
        ++edits;
        const TShown edited = Shown(list);
        if (step % 2 == 0) {
          SendCommand(session.Viewer(), cmUndo);
          EXPECT_EQ(Shown(list), before);
          SendCommand(session.Viewer(), cmRedo);
          EXPECT_EQ(Shown(list), edited);
        }
      }
      result = Shown(list);
      for (int i = 0; i < edits; ++i) SendCommand(session.Viewer(), cmUndo);
      EXPECT_EQ(Shown(list), initial);
      EXPECT_FALSE(ShowsModified(session.StatusBar()));
      SendCommand(session.Viewer(), cmSave);
      EXPECT_EQ(WriteTime(path), aged);
      for (int i = 0; i < edits; ++i) SendCommand(session.Viewer(), cmRedo);
      EXPECT_EQ(Shown(list), result);
      SendCommand(session.Viewer(), cmSave);
      EXPECT_FALSE(ShowsModified(session.StatusBar()));
    }
    TViewerSession reopened(path);
    ASSERT_TRUE(reopened.WaitLoaded());
    EXPECT_EQ(Shown(reopened.ListView()), result);
  }
}

}  // namespace
}  // namespace qelvar::gui
