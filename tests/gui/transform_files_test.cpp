// The transform panel's files, through the common dialogs answered as a person would: a recipe saved and
// loaded back, the export that the command-line tool reproduces from the same recipe, files that must be
// refused, and exports that must not destroy the file they would replace.
#include <string>
#include <vector>

#include "transform_test_support.h"

namespace qelvar::gui {
namespace {

using TransformFilesTest = ViewerTest;
using Entries = std::vector<std::wstring>;

constexpr char kOrders[] =
    "id,item,price,note\r\n1,tea,\"1,5\",\r\n2,cake,2.75,\"says \"\"hi\"\"\"\r\n3,jam,,late\r\n";

std::wstring TempPath(const std::wstring& name) {
  return TempDir() + L"\\" + name;
}

Entries Captions(const TViewerSession& session) {
  return {WindowText(PanelButton(session, cmTransformDelimiter)),
          WindowText(PanelButton(session, cmTransformNumberFormat))};
}

TEST_F(TransformFilesTest, ASavedRecipeLoadsBackAndTheCommandLineToolReproducesTheExport) {
  const std::wstring csv = WriteTempFile(L"orders.csv", kOrders);
  TViewerSession session(csv);
  OpenWithPanel(session);
  Apply(session, 1, L"Item", cmTransformRenameColumn);
  Apply(session, 3, L"Stock; n", cmTransformAddColumn);
  Apply(session, 4, L"in; out", cmTransformSetAllCells);
  Apply(session, 5, L"100:", cmTransformEnumerateCells);
  Apply(session, 2, L"0", cmTransformFillEmptyCells);
  Apply(session, 0, L"", cmTransformDown);
  Press(session, cmTransformNumberFormat);
  Press(session, cmTransformDelimiter);
  const Entries saved = ListEntries(PanelList(session));
  ASSERT_EQ(saved, (Entries{L"1. item -> Item", L"2. id", L"3. price [fill]", L"4. note",
                            L"5. Stock (+) [const]", L"6. n (+) [enum]"}));
  const Entries savedCaptions = Captions(session);
  EXPECT_EQ(savedCaptions, (Entries{L"Delimiter: \t", L"Number format: ."}));

  const std::wstring json = TempPath(L"recipe.json");
  const std::wstring exported = TempPath(L"export.csv");
  {
    TDialogScript script({json, exported});
    Press(session, cmTransformSaveJson);
    Press(session, cmTransformExportCsv);
    EXPECT_EQ(script.FileDialogs(), 2);
    EXPECT_TRUE(script.Boxes().empty());
  }
  EXPECT_EQ(ReadFileBytes(exported),
            "Item\tid\tprice\tnote\tStock\tn\r\n"
            "tea\t1\t1.5\t\tin; out\t100\r\n"
            "cake\t2\t2.75\t\"says \"\"hi\"\"\"\tin; out\t101\r\n"
            "jam\t3\t0\tlate\tin; out\t102\r\n");

  // Changed, then loaded back: the same list and captions as saved.
  Apply(session, 0, L"", cmTransformRemoveColumn);
  Press(session, cmTransformNumberFormat);
  ASSERT_NE(ListEntries(PanelList(session)), saved);
  {
    TDialogScript script({json});
    Press(session, cmTransformLoadJson);
    EXPECT_TRUE(script.Boxes().empty());
  }
  EXPECT_EQ(ListEntries(PanelList(session)), saved);
  EXPECT_EQ(Captions(session), savedCaptions);

  const std::wstring batch = TempPath(L"batch.csv");
  const std::wstring command = Quoted(BuildPath(L"qelvar-cli.exe")) + L" transform " + Quoted(csv) +
                               L" --config " + Quoted(json) + L" --out " + Quoted(batch);
  ASSERT_EQ(RunProgram(command), 0) << Utf8(command);
  EXPECT_EQ(ReadFileBytes(batch), ReadFileBytes(exported));
}

// Each file that is no transformation this viewer can use shows the message and changes nothing.
TEST_F(TransformFilesTest, MalformedHostileAndOversizedFilesShowTheMessageAndChangeNothing) {
  TViewerSession session(WriteTempFile(L"bad.csv", kOrders));
  OpenWithPanel(session);
  Apply(session, 0, L"Key", cmTransformRenameColumn);
  Press(session, cmTransformNumberFormat);
  const Entries entries = ListEntries(PanelList(session));
  const Entries captions = Captions(session);

  std::string manyNames = "[";
  for (int i = 0; i < 20000; ++i) manyNames += (i ? ",\"c" : "\"c") + std::to_string(i) + "\"";
  manyNames += "]";
  const std::string members =
      R"("constant_vars": {}, "fill_vars": {}, "enumeration_vars": {}, "rename_headers": {}, "added_headers": [])";
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"not JSON", "{\"initial_headers\": [\"id\""},
      {"a member missing", R"({"initial_headers": ["id"], "target_order": ["id"], "constant_vars": {}})"},
      {"a member of the wrong type", R"({"initial_headers": ["id"], "target_order": "id", )" + members + "}"},
      {"twenty thousand output columns",
       "{\"initial_headers\": [\"id\"], \"target_order\": " + manyNames + ", " + members + "}"},
      {"larger than a transformation file may be", "[\"" + std::string(9 * 1024 * 1024, 'a') + "\"]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring path = WriteTempFile(L"bad.json", c.bytes);
    TDialogScript script({path});
    Press(session, cmTransformLoadJson);
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(script.Boxes()[0].caption, L"qelvar");
    EXPECT_EQ(script.Boxes()[0].text, L"Could not load transformation JSON.");
    EXPECT_EQ(ListEntries(PanelList(session)), entries);
    EXPECT_EQ(Captions(session), captions);
  }

  // A cancelled dialog ends the command without a word.
  TDialogScript script({});
  Press(session, cmTransformLoadJson);
  Press(session, cmTransformExportCsv);
  EXPECT_EQ(script.FileDialogs(), 2);
  EXPECT_TRUE(script.Boxes().empty());
}

// A file that another program holds keeps its old bytes when the export cannot replace it, and is never
// left half-written: the export either replaced it whole or reported the failure.
TEST_F(TransformFilesTest, AnExportOntoALockedFileKeepsItsOldBytes) {
  TViewerSession session(WriteTempFile(L"lock.csv", kOrders));
  OpenWithPanel(session);
  const std::string old = "precious,data\r\n" + std::string(4096, 'x') + "\r\n";
  struct Case {
    const char* what;
    DWORD share;
    bool lockBytes;
  };
  const Case cases[] = {
      {"opened without sharing", 0, false},
      {"its bytes locked", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring target = WriteTempFile(L"locked.csv", old);
    std::vector<TDialogScript::TBox> boxes;
    {
      const THandle holder(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, c.share, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(holder);
      if (c.lockBytes) {
        ASSERT_TRUE(LockFile(holder.Get(), 0, 0, 0x10000, 0));
      }
      TDialogScript script({target});
      Press(session, cmTransformExportCsv);
      boxes = PluginBoxes(script);
      if (c.lockBytes) UnlockFile(holder.Get(), 0, 0, 0x10000, 0);
    }
    const std::string now = ReadFileBytes(target);
    if (boxes.empty()) {
      EXPECT_EQ(now.substr(0, 16), "id,item,price,no") << "reported success: the whole export is there";
    } else {
      EXPECT_EQ(boxes.back().text, L"Could not export transformed CSV.");
      EXPECT_TRUE(now == old) << "now " << now.size() << " bytes: " << now.substr(0, 40);
    }
  }
}

TEST_F(TransformFilesTest, WritingOverTheViewedFileIsAskedFirst) {
  const std::wstring viewed = WriteTempFile(L"viewed.csv", kOrders);
  TViewerSession session(viewed);
  OpenWithPanel(session);
  Apply(session, 0, L"", cmTransformRemoveColumn);
  for (const int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDYES ? "yes" : "no");
    std::vector<std::wstring> questions;
    TDialogScript script({viewed}, [&](const TDialogScript::TBox& box) {
      const bool ours = box.text.find(L"is the file being viewed") != std::wstring::npos;
      if (ours) questions.push_back(box.text);
      return ours ? answer : IDYES;
    });
    Press(session, cmTransformExportCsv);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find(viewed), std::wstring::npos) << Utf8(questions[0]);
    EXPECT_EQ(ReadFileBytes(viewed), answer == IDYES
                                         ? std::string("item,price,note\r\ntea,\"1,5\",\r\n"
                                                       "cake,2.75,\"says \"\"hi\"\"\"\r\njam,,late\r\n")
                                         : std::string(kOrders));
  }
}

TEST_F(TransformFilesTest, SavingOntoAReadOnlyFileShowsTheMessageAndKeepsIt) {
  TViewerSession session(WriteTempFile(L"ro.csv", kOrders));
  OpenWithPanel(session);
  const std::wstring target = WriteTempFile(L"readonly.json", "{}");
  ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  {
    TDialogScript script({target});
    Press(session, cmTransformSaveJson);
    const auto boxes = PluginBoxes(script);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Could not save transformation JSON.");
  }
  EXPECT_EQ(ReadFileBytes(target), "{}");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A reload run by the Save dialog's modal loop replaces the transformation under the command: what the
// command does after its dialog (the hidden output columns put back by name) must read the new one. The
// freed one still reads as before in a plain run; the run with freed memory filled (gui-freed-memory)
// sees the difference.
TEST_F(TransformFilesTest, AReloadInsideTheSaveDialogLeavesTheCommandOnTheNewTransformation) {
  TViewerSession session(WriteTempFile(L"reloaded.csv", kOrders));
  OpenWithPanel(session);
  Press(session, cmTransformApplyToGrid);
  const HWND list = session.ListView();
  ClickCell(list, 0, 2);
  SendCommand(session, cmHideColumn);
  ASSERT_EQ(ColumnWidth(list, 2), 0);
  {
    TDialogScript script({TempPath(L"reloaded.json")});
    PostMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmReload, 0), 0);
    Press(session, cmTransformSaveJson);
    EXPECT_EQ(script.FileDialogs(), 1);
    EXPECT_TRUE(script.Boxes().empty());
  }
  ASSERT_TRUE(IsWindow(session.Viewer()));
  // Off and on again: the transformed grid is built from the flags the command left.
  Press(session, cmTransformApplyToGrid);
  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(ColumnWidth(list, 2), 0);
}

}  // namespace
}  // namespace qelvar::gui
