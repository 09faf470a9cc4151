// A file that changes while it is shown: Reload keeps the view, rows appended by a writer join the grid
// through the filters and the sort, a half-written line waits for its end, a rewritten file is read again
// with the view kept, unsaved edits are never replaced, and follow mode keeps the last row in view.
#include <string>

#include "edit_test_support.h"
#include "harness_keys.h"
#include "transform_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerFileChangeTest = ViewerTest;

// Appends `bytes` to the file, as a writer that holds it open for appending does.
void Append(const std::wstring& path, std::string_view bytes) {
  const THandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  ASSERT_TRUE(WriteAll(file.Get(), bytes));
}

// Writes the file anew; a look of the viewer at its tail may hold it for a moment.
void Rewrite(const std::wstring& path, std::string_view bytes) {
  ASSERT_TRUE(PumpUntil([&] { return WriteFileBytes(path, bytes); }, 2000));
}

std::wstring Cell(HWND statusBar) {
  const std::wstring part = StatusPart(statusBar, 4);
  return part.substr(0, part.find(L' ', 1));
}

constexpr char kPeople[] = "id,name,city\r\n1,Ann,Oslo\r\n2,Bob,Rome\r\n3,Cid,Oslo\r\n4,Dan,Lima\r\n";

// Each piece of the view separately: a reload that dropped one of them fails on it alone.
TEST_F(ViewerFileChangeTest, ReloadKeepsTheFilterTheSortTheCurrentCellAndTheSelection) {
  SetSettings("auto-reload=0\n");
  const std::wstring path = WriteTempFile(L"keep.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(2), L"Oslo");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  ClickColumnHeader(list, 0);
  ClickColumnHeader(list, 0);  // descending: 3, 1
  ASSERT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"3", L"1"}));
  ClickCell(list, 1, 1);  // Ann
  ASSERT_EQ(Cell(session.StatusBar()), L" 2:2");

  // The file changes (a row more, one city changed) and Reload reads it.
  Rewrite(path, std::string(kPeople) + "5,Eve,Oslo\r\n");
  SendCommand(session.Viewer(), cmReload);
  EXPECT_EQ(WindowText(session.FilterEdit(2)), L"Oslo");
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"5", L"3", L"1"})) << "filter and sort kept";
  EXPECT_EQ(SortArrow(session.Header(), 0), -1);
  EXPECT_EQ(Cell(session.StatusBar()), L" 3:2") << "the current cell stays on Ann";
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{2}));
}

TEST_F(ViewerFileChangeTest, ReloadKeepsHiddenColumnsWidthsAndTheFirstRowShown) {
  SetSettings("auto-reload=0\n");
  std::string text = "id,name,city\r\n";
  for (int i = 0; i < 200; ++i) text += std::to_string(i) + ",n" + std::to_string(i) + ",c\r\n";
  const std::wstring path = WriteTempFile(L"widths.csv", text);
  TViewerSession session(path, 0, 600, 300);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 2);  // hides city
  }
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, 177);
  SendMessageW(list, LVM_SCROLL, 0, 50 * (CellRect(list, 1, 0).bottom - CellRect(list, 0, 0).bottom));
  PumpPending();
  const int top = TopIndex(list);
  ASSERT_GT(top, 20);

  SendCommand(session.Viewer(), cmReload);
  EXPECT_EQ(ColumnWidth(list, 2), 0) << "hidden stays hidden";
  EXPECT_EQ(ColumnWidth(list, 1), 177);
  EXPECT_EQ(TopIndex(list), top);
}

// By name: a column that moved keeps its filter, one that is gone takes its filter along and is named.
TEST_F(ViewerFileChangeTest, ReloadFindsColumnsByNameAndNamesTheOnesGone) {
  SetSettings("auto-reload=0\n");
  const std::wstring path = WriteTempFile(L"names.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(2), L"Oslo");
  SetWindowTextW(session.FilterEdit(0), L"<3");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }));

  Rewrite(path, "city,name\r\nOslo,Ann\r\nRome,Bob\r\nOslo,Cid\r\n");
  SendCommand(session.Viewer(), cmReload);
  EXPECT_EQ(WindowText(session.FilterEdit(0)), L"Oslo");
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"");
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"Ann", L"Cid"}));
  EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L"Columns no longer in the file: id"), std::wstring::npos)
      << Utf8(StatusPart(session.StatusBar(), 4));
}

TEST_F(ViewerFileChangeTest, ReloadKeepsTheTransformedView) {
  SetSettings("auto-reload=0\n");
  const std::wstring path = WriteTempFile(L"shaped.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  OpenWithPanel(session);
  Apply(session, 0, L"", cmTransformRemoveColumn);  // id goes
  SendCommand(session, cmTransformApplyToGrid);
  const HWND list = session.ListView();
  ASSERT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"name", L"city"}));

  Rewrite(path, std::string(kPeople) + "5,Eve,Bern\r\n");
  SendCommand(session.Viewer(), cmReload);
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"name", L"city"}));
  EXPECT_EQ(ItemCount(list), 5);
  EXPECT_EQ(CellText(list, 4, 1), L"Bern");
}

// A writer appends: only the matching rows join, in their sorted place, and a line without its end yet
// waits for it.
TEST_F(ViewerFileChangeTest, AppendedRowsPassTheFilterTakeTheirSortedPlaceAndWaitForTheirLineEnd) {
  const std::wstring path = WriteTempFile(L"grows.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(2), L"Oslo");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  ClickColumnHeader(list, 1);  // by name: Ann, Cid
  const unsigned long long before = GetTickCount64();
  // A full reload builds new filter boxes: this one must outlive the appends.
  const HWND box = session.FilterEdit(2);

  Append(path, "5,Bea,Oslo\r\n6,Fay,Rome\r\n7,Abe,Os");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 3; }, 5000));
  EXPECT_LT(GetTickCount64() - before, 2000u);
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"Ann", L"Bea", L"Cid"}));
  PumpFor(600);
  EXPECT_EQ(ItemCount(list), 3) << "the half-written row waits";

  Append(path, "lo\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 4; }, 5000));
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"Abe", L"Ann", L"Bea", L"Cid"}));
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 4/7");
  EXPECT_EQ(session.FilterEdit(2), box) << "only the new rows were read";
}

// A file whose last line was still being written when it was opened: once the line is whole, the filter
// judges the whole row.
TEST_F(ViewerFileChangeTest, ALastLineLoadedHalfWrittenIsFilteredAgainOnceWhole) {
  const std::wstring path = WriteTempFile(L"halfway.csv", std::string(kPeople) + "5,Eve,Os");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(2), L"Oslo");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  Append(path, "lo\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 3; }, 5000));
  EXPECT_EQ(CellText(list, 2, 1), L"Eve");
}

TEST_F(ViewerFileChangeTest, ARewrittenFileIsReadAgainWithTheViewKept) {
  const std::wstring path = WriteTempFile(L"rewritten.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(2), L"Oslo");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));

  // Shorter: not an append.
  Rewrite(path, "id,name,city\r\n9,Zoe,Oslo\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }, 5000));
  EXPECT_EQ(CellText(list, 0, 1), L"Zoe");
  EXPECT_EQ(WindowText(session.FilterEdit(2)), L"Oslo");
}

TEST_F(ViewerFileChangeTest, UnsavedEditsAreNeverReplacedByAChangeOnDisk) {
  SetSettings("start-mode=edit\n");
  const std::wstring path = WriteTempFile(L"edited.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  EditCell(list, 0, 1, L"Anna");
  ASSERT_EQ(CellText(list, 0, 1), L"Anna");
  // A reload would ask first; answered No, it would read the file over the edit.
  TMessageBoxAnswerer boxes(IDNO);

  Append(path, "5,Eve,Oslo\r\n");
  ASSERT_TRUE(PumpUntil(
      [&] { return StatusPart(session.StatusBar(), 4).find(L"The file changed on disk") != std::wstring::npos; }, 5000));
  PumpFor(600);
  EXPECT_EQ(ItemCount(list), 4);
  EXPECT_EQ(CellText(list, 0, 1), L"Anna");
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ViewerFileChangeTest, AVanishedFileKeepsItsRowsAndIsReadAgainWhenItComesBack) {
  const std::wstring path = WriteTempFile(L"vanishes.csv", kPeople);
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  ASSERT_TRUE(PumpUntil(
      [&] { return StatusPart(session.StatusBar(), 4).find(L"no longer on disk") != std::wstring::npos; }, 5000));
  EXPECT_EQ(ItemCount(list), 4);
  Rewrite(path, "id,name,city\r\n9,Zoe,Oslo\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }, 5000));
}

TEST_F(ViewerFileChangeTest, FollowModeKeepsTheLastRowInViewAndScrollingUpLeavesIt) {
  std::string text = "id,name\r\n";
  for (int i = 0; i < 100; ++i) text += std::to_string(i) + ",n\r\n";
  const std::wstring path = WriteTempFile(L"follow.csv", text);
  TViewerSession session(path, 0, 600, 300);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  {
    TModifierKeys shift({VK_SHIFT});
    SendKey(list, 'F');
  }
  EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L"Follow"), std::wstring::npos);
  const auto lastInView = [&] {
    return TopIndex(list) + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) >= ItemCount(list);
  };
  EXPECT_TRUE(lastInView());

  Append(path, "100,n\r\n101,n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 102; }, 5000));
  EXPECT_TRUE(lastInView());

  // Scrolling up leaves follow mode: new rows no longer pull the grid down.
  for (int turn = 0; turn < 40; ++turn) SendMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  PumpPending();
  ASSERT_LT(TopIndex(list), 90);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4).find(L"Follow"), std::wstring::npos);
  Append(path, "102,n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 103; }, 5000));
  EXPECT_EQ(TopIndex(list), 0);
  // Back at the end (End), it follows again.
  SendKey(list, VK_END);
  EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L"Follow"), std::wstring::npos);
}

}  // namespace
}  // namespace qelvar::gui
