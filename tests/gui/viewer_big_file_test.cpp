// A large file: its first screen comes before the rest is read, the rest follows in the background with
// its progress in the status bar, and what needs the whole table (editing, the transform panel, a filter's
// result) waits for it or follows it.
#include <string>

#include "edit_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerBigFileTest = ViewerTest;

constexpr int kRows = 400000;

// Some 12 MB: past the size that is read in one piece, several blocks of the background load.
std::string BigTable() {
  std::string text = "id,name,city\r\n";
  text.reserve(static_cast<std::size_t>(kRows) * 32);
  for (int i = 0; i < kRows; ++i) text += std::to_string(i) + ",name " + std::to_string(i) + ",city of nowhere\r\n";
  return text;
}

TEST_F(ViewerBigFileTest, TheStartShowsAtOnceTheRestFollowsAndEditingWaitsForIt) {
  SetSettings("start-mode=edit\n");
  TViewerSession session(WriteTempFile(L"big.csv", BigTable()));
  ASSERT_TRUE(session.WaitLoaded(60000));
  const HWND list = session.ListView();
  // The first screen: the file's start, the progress where the row counts go, and no editor yet.
  EXPECT_GT(ItemCount(list), 0);
  EXPECT_LT(ItemCount(list), kRows);
  EXPECT_EQ(StatusPart(session.StatusBar(), 3).rfind(L" Loading ", 0), 0u) << Utf8(StatusPart(session.StatusBar(), 3));
  {
    // The column first: it needs no pumping, which lets the load go on (and, on a fast machine, end).
    TBeepCounter beeps;
    // A column copied now would miss its end.
    SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmCopyColumn, 0), 0);
    EXPECT_EQ(BeginEdit(list, 0, 1), nullptr);
    EXPECT_EQ(beeps.Beeps(), 2);
  }
  // A filter typed now covers the rows still to come.
  SetWindowTextW(session.FilterEdit(0), L"399999");
  const std::wstring done = L" Rows: 1/" + std::to_wstring(kRows);
  ASSERT_TRUE(PumpUntil([&] { return StatusPart(session.StatusBar(), 3) == done; }, 60000))
      << Utf8(StatusPart(session.StatusBar(), 3));
  EXPECT_EQ(CellText(list, 0, 1), L"name 399999");
  // All read: the cell takes an edit.
  EXPECT_NE(BeginEdit(list, 0, 1), nullptr);
}

// A sort clicked before the end takes in every row read after it.
TEST_F(ViewerBigFileTest, ASortClickedDuringTheLoadSortsTheWholeFile) {
  TViewerSession session(WriteTempFile(L"big.csv", BigTable()));
  ASSERT_TRUE(session.WaitLoaded(60000));
  const HWND list = session.ListView();
  ASSERT_LT(ItemCount(list), kRows);
  ClickColumnHeader(list, 0);
  ClickColumnHeader(list, 0);  // descending
  ASSERT_TRUE(PumpUntil([&] { return StatusPart(session.StatusBar(), 3).rfind(L" Rows: ", 0) == 0; }, 60000));
  EXPECT_EQ(ItemCount(list), kRows);
  EXPECT_EQ(CellText(list, 0, 0), std::to_wstring(kRows - 1));
  EXPECT_EQ(CellText(list, kRows - 1, 0), L"0");
}

TEST_F(ViewerBigFileTest, ClosingWhileTheRestIsReadEndsAtOnce) {
  TViewerSession session(WriteTempFile(L"big.csv", BigTable()));
  ASSERT_TRUE(session.WaitLoaded(60000));
  ASSERT_LT(ItemCount(session.ListView()), kRows);
  EXPECT_TRUE(session.Close());
  PumpFor(100);  // a notice of the stopped worker finds no window and no viewer
}

}  // namespace
}  // namespace qelvar::gui
