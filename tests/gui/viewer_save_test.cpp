// Saving from the viewer: exact bytes in each encoding, nothing written without a change, the question
// before closing with each answer, a file changed on disk since the load, and the recovery file that keeps
// edits a failed save or a closing host would otherwise lose.
#include <string>

#include "edit_test_support.h"
#include "harness_keys.h"

namespace qelvar::gui {
namespace {

class ViewerSaveTest : public ViewerTest {
 protected:
  void SetUp() override { SetSettings("start-mode=edit\n"); }
};

std::string Utf16Be(std::wstring_view text) {
  std::string bytes = "\xFE\xFF";
  for (const wchar_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

TEST_F(ViewerSaveTest, AnEditSavedChangesOnlyTheEditedCellsBytesInEachEncoding) {
  struct Case {
    const char* name;
    std::string before;
    std::wstring value;  // for the cell at (1, 1)
    std::string after;
  };
  const Case cases[] = {
      {"UTF-8", "name;city\r\n\xC3\xA9t\xC3\xA9;Oslo\r\nbeta;Wien\n", L"Z\u00FCrich",
       "name;city\r\n\xC3\xA9t\xC3\xA9;Oslo\r\nbeta;Z\xC3\xBCrich\n"},
      {"UTF-16BE with mark", Utf16Be(L"name,city\r\n\u00E9t\u00E9,Oslo\r\nbeta,Wien\r\n"), L"\u0416, 2",
       Utf16Be(L"name,city\r\n\u00E9t\u00E9,Oslo\r\nbeta,\"\u0416, 2\"\r\n")},
      {"ANSI", "name,city\r\ncaf\xE9,Oslo\r\n\"beta\" , Wien \r\n", L"K\u00F8benhavn",
       "name,city\r\ncaf\xE9,Oslo\r\n\"beta\" ,K\xF8"
       "benhavn\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = WriteTempFile(L"encoded.csv", c.before);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EditCell(session.ListView(), 1, 1, c.value);
    TBoxes boxes;
    SendCommand(session.Viewer(), cmSave);
    EXPECT_EQ(boxes.Seen().size(), 0u) << Utf8(boxes.Texts());
    EXPECT_EQ(ReadFileBytes(path), c.after);
    EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 2:2 EDIT");
  }
}

TEST_F(ViewerSaveTest, ASaveWithoutChangesLeavesTheFileAndItsWriteTimeAlone) {
  const std::wstring path = WriteTempFile(L"unchanged.csv", "a,b\r\n1,2\r\n");
  AgeFile(path);
  const std::uint64_t aged = WriteTime(path);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const std::function<void()> steps[] = {
      [] {},
      [&] { EditCell(list, 0, 1, L"2"); },  // the value it has
      [&] {
        EditCell(list, 0, 1, L"3");
        SendCommand(session.Viewer(), cmUndo);
      },
  };
  for (const auto& step : steps) {
    step();
    EXPECT_EQ(StatusPart(session.StatusBar(), 4).find(L"*"), std::wstring::npos);
    SendCommand(session.Viewer(), cmSave);
    EXPECT_EQ(WriteTime(path), aged);
  }
  EXPECT_EQ(ReadFileBytes(path), "a,b\r\n1,2\r\n");
}

TEST_F(ViewerSaveTest, ASaveThatWouldChangeMoreThanTheEditsIsRefusedAndSaysWhy) {
  struct Case {
    const char* name;
    std::string file;
    std::wstring value;  // for the cell at (item, column)
    const wchar_t* reason;
    int item = 0, column = 0;
  };
  const Case cases[] = {
      {"a lossy decode", "name\r\n\xC3\xA9t\xC3\xA9\r\nx\xC0\xAFy\r\n", L"new", L"could not be read exactly"},
      {"a character the ANSI code page lacks", "name\r\ncaf\xE9\r\n", L"\u0416", L"encoding (ANSI)"},
      // The third field makes the lines below the header as wide as a table whose title the header is.
      {"a write that the next open reads as another table", "A,B\r\n3,4,5\r\n,,\r\n", L"6", L"another table", 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring path = WriteTempFile(L"refused.csv", c.file);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EditCell(session.ListView(), c.item, c.column, c.value);
    TBoxes boxes;
    SendCommand(session.Viewer(), cmSave);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Texts().find(L"The file could not be saved."), std::wstring::npos);
    EXPECT_NE(boxes.Texts().find(c.reason), std::wstring::npos) << Utf8(boxes.Texts());
    EXPECT_EQ(ReadFileBytes(path), c.file);
    // Still modified (Enter moved the current cell down).
    EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L" EDIT *"), std::wstring::npos);
  }
}

// ---- the question before closing ---------------------------------------------------------------------

TEST_F(ViewerSaveTest, ClosingWithUnsavedEditsAsksAndFollowsTheAnswer) {
  struct Case {
    const char* name;
    bool hostCloses;  // ListCloseWindow, else WM_CLOSE to the viewer window
    int answer;
    bool gone;
    const char* file;
  };
  const Case cases[] = {
      {"host, Yes", true, IDYES, true, "a\r\nedited\r\n"},
      {"host, No", true, IDNO, true, "a\r\nold\r\n"},
      // The host closes after any answer: it is offered no Cancel (the answerer presses No instead).
      {"host, no Cancel", true, IDCANCEL, true, "a\r\nold\r\n"},
      {"window, Cancel", false, IDCANCEL, false, "a\r\nold\r\n"},
      {"window, Yes", false, IDYES, true, "a\r\nedited\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TTempFolderOverride temp(L"close-" + std::to_wstring(&c - cases));
    const std::wstring path = WriteTempFile(L"close.csv", "a\r\nold\r\n");
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EditCell(session.ListView(), 0, 0, L"edited");
    TBoxes boxes({c.answer});
    if (c.hostCloses)
      session.Close();
    else
      SendMessageW(session.Viewer(), WM_CLOSE, 0, 0);
    PumpPending();
    ASSERT_EQ(boxes.Seen().size(), 1u) << Utf8(boxes.Texts());
    EXPECT_EQ(boxes.Seen()[0].text, L"Save changes to \"close.csv\" before closing?");
    EXPECT_EQ(session.Alive(), !c.gone);
    if (!c.gone) {
      EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:1 EDIT *");
    }
    EXPECT_EQ(ReadFileBytes(path), c.file);
    // A No lets the edits go: no recovery file for them.
    EXPECT_EQ(temp.Files(), std::vector<std::wstring>{});
  }
}

// Lister closes the viewer after Esc (and shows another file after N or P) whatever the close question
// answers, so the question comes before the key goes on: Cancel keeps the key and the edits.
TEST_F(ViewerSaveTest, EscWithUnsavedEditsAsksWithCancelBeforeTheKeyReachesTheHost) {
  struct Case {
    const char* name;
    int key;
    int answer;
    bool posted;
    const char* file;
  };
  const Case cases[] = {
      {"Esc, Cancel", VK_ESCAPE, IDCANCEL, false, "a\r\nold\r\n"},
      {"Esc, No", VK_ESCAPE, IDNO, true, "a\r\nold\r\n"},
      {"N, Yes", 'N', IDYES, true, "a\r\nedited\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TTempFolderOverride temp(L"esc-" + std::to_wstring(&c - cases));
    const std::wstring path = WriteTempFile(L"esc.csv", "a\r\nold\r\n");
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    PumpFor(550);
    EditCell(session.ListView(), 0, 0, L"edited");
    // Out of edit mode N is a host key, not typing.
    if (c.key == 'N') SendCommand(session.Viewer(), cmToggleEditMode);
    SetFocus(session.ListView());
    session.Host().ClearPostedKeys();
    {
      TBoxes boxes({c.answer});
      PostKey(session.ListView(), c.key);
      ASSERT_EQ(boxes.Seen().size(), 1u) << Utf8(boxes.Texts());
      EXPECT_EQ(boxes.Seen()[0].text, L"Save changes to \"esc.csv\" before closing?");
    }
    EXPECT_EQ(session.Host().PostedKeys().size(), c.posted ? 1u : 0u);
    EXPECT_EQ(ReadFileBytes(path), c.file);
    // The host's close that follows the key asks no second time; after Cancel the edits are still there.
    TBoxes after({IDNO});
    session.Close();
    PumpPending();
    EXPECT_EQ(after.Seen().size(), c.posted ? 0u : 1u) << Utf8(after.Texts());
    EXPECT_EQ(temp.Files(), std::vector<std::wstring>{});
  }
}

TEST_F(ViewerSaveTest, ASecondCloseWhileTheQuestionIsUpIsRefused) {
  const std::wstring path = WriteTempFile(L"twice.csv", "a\r\nold\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  EditCell(session.ListView(), 0, 0, L"edited");
  bool aliveAfterSecondClose = false;
  TBoxes boxes({IDCANCEL});
  boxes.onBox = [&](const TBoxes::TBox&) {
    Plugin().listCloseWindow(session.Viewer());
    aliveAfterSecondClose = session.Alive();
  };
  SendMessageW(session.Viewer(), WM_CLOSE, 0, 0);
  PumpPending();
  EXPECT_EQ(boxes.Seen().size(), 1u);
  EXPECT_TRUE(aliveAfterSecondClose);
  EXPECT_TRUE(session.Alive());
}

// ---- a file changed on disk --------------------------------------------------------------------------

TEST_F(ViewerSaveTest, AFileChangedOnDiskSinceTheLoadAsksBeforeItIsOverwritten) {
  const std::wstring path = WriteTempFile(L"changed.csv", "a\r\nold\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  EditCell(session.ListView(), 0, 0, L"mine");
  WriteFileBytes(path, "a\r\ntheirs, longer\r\n");
  {
    TBoxes boxes({IDNO});
    SendCommand(session.Viewer(), cmSave);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Texts().find(L"\"changed.csv\" was changed by another program"), std::wstring::npos);
  }
  EXPECT_EQ(ReadFileBytes(path), "a\r\ntheirs, longer\r\n");
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:1 EDIT *");
  {
    TBoxes boxes({IDYES});
    SendCommand(session.Viewer(), cmSave);
    EXPECT_EQ(boxes.Seen().size(), 1u);
  }
  EXPECT_EQ(ReadFileBytes(path), "a\r\nmine\r\n");
  // Its own save is no change by another program: the next save does not ask.
  EditCell(session.ListView(), 0, 0, L"again");
  TBoxes none;
  SendCommand(session.Viewer(), cmSave);
  EXPECT_EQ(none.Seen().size(), 0u) << Utf8(none.Texts());
  EXPECT_EQ(ReadFileBytes(path), "a\r\nagain\r\n");
}

// ---- recovery files ------------------------------------------------------------------------------------

// The path a recovery box named (the line after the text), checked to lie in `folder`.
std::wstring RecoveryPathIn(const std::wstring& text, const std::wstring& folder) {
  const auto line = text.find(L'\n');
  if (line == std::wstring::npos) return {};
  std::wstring path = text.substr(line + 1);
  while (!path.empty() && (path.back() == L'\r' || path.back() == L'\n')) path.pop_back();
  return path.rfind(folder, 0) == 0 ? path : std::wstring();
}

TEST_F(ViewerSaveTest, AReadOnlyTargetKeepsTheViewerAndTheEditsGoToARecoveryFile) {
  const TTempFolderOverride temp(L"recovery-readonly");
  const std::wstring path = WriteTempFile(L"locked.csv", "name\r\ncaf\xE9\r\n");
  TBoxes boxes({IDYES, IDOK, IDOK});
  {
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EditCell(session.ListView(), 0, 0, L"th\u00E9");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(session.Close());
    ASSERT_EQ(boxes.Seen().size(), 3u) << Utf8(boxes.Texts());
    EXPECT_NE(boxes.Seen()[1].text.find(L"The file could not be saved."), std::wstring::npos);
    EXPECT_NE(boxes.Seen()[1].text.find(L"read-only"), std::wstring::npos);
    EXPECT_NE(boxes.Seen()[2].text.find(L"Your unsaved changes to \"locked.csv\" were written to:"),
              std::wstring::npos);
    const std::wstring recovery = RecoveryPathIn(boxes.Seen()[2].text, temp.Folder());
    ASSERT_FALSE(recovery.empty()) << Utf8(boxes.Seen()[2].text);
    EXPECT_EQ(recovery.find(L"locked-unsaved-"), temp.Folder().size() + 1);
    EXPECT_EQ(ReadFileBytes(recovery), "name\r\nth\xE9\r\n");  // in the file's own encoding (ANSI)
    // The host closes its window anyway: the edits are already kept, nothing more is asked or written.
    DestroyWindow(session.Host().Handle());
    PumpPending();
    EXPECT_FALSE(session.Alive());
  }
  EXPECT_EQ(boxes.Seen().size(), 3u) << Utf8(boxes.Texts());
  EXPECT_EQ(temp.Files().size(), 1u);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(path), "name\r\ncaf\xE9\r\n");
}

// A reload that a failed save stopped says so after the save's own box; a declined one says nothing.
TEST_F(ViewerSaveTest, AReloadStoppedByAFailedSaveSaysTheFileWasNotReloaded) {
  const std::wstring path = WriteTempFile(L"stuck.csv", "name\r\none\r\n");
  TBoxes boxes({IDYES, IDOK, IDOK, IDCANCEL, IDNO});
  {
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EditCell(session.ListView(), 0, 0, L"two");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    SendCommand(session.Viewer(), cmEncodingUtf8);
    PumpPending();
    ASSERT_EQ(boxes.Seen().size(), 3u) << Utf8(boxes.Texts());
    EXPECT_NE(boxes.Seen()[1].text.find(L"The file could not be saved."), std::wstring::npos);
    EXPECT_EQ(boxes.Seen()[2].text, L"The file could not be reloaded.");
    SendCommand(session.Viewer(), cmEncodingUtf8);
    PumpPending();
    EXPECT_EQ(boxes.Seen().size(), 4u) << Utf8(boxes.Texts());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  EXPECT_EQ(ReadFileBytes(path), "name\r\none\r\n");
}

// No box may run inside the window's destruction (its children are gone, the host is tearing down): the
// edits go to the recovery file silently.
TEST_F(ViewerSaveTest, AHostThatDestroysTheViewerWithUnsavedEditsGetsThemInARecoveryFileWithoutABox) {
  const TTempFolderOverride temp(L"recovery-destroyed");
  const std::wstring path = WriteTempFile(L"gone.csv", "a,b\r\n1,2\r\n");
  TBoxes boxes;
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  EditCell(session.ListView(), 0, 1, L"typed");
  // Still in the editor when the window goes: what was typed is kept too.
  const HWND editor = BeginEdit(session.ListView(), 0, 0);
  ASSERT_NE(editor, nullptr);
  SetWindowTextW(editor, L"half");
  DestroyWindow(session.Host().Handle());
  PumpPending();
  EXPECT_EQ(boxes.Seen().size(), 0u) << Utf8(boxes.Texts());
  ASSERT_EQ(temp.Files().size(), 1u);
  EXPECT_EQ(ReadFileBytes(temp.Folder() + L"\\" + temp.Files()[0]), "a,b\r\nhalf,typed\r\n");
  EXPECT_EQ(ReadFileBytes(path), "a,b\r\n1,2\r\n");
}

}  // namespace
}  // namespace qelvar::gui
