// The column profile: its window shows the right figures for a small table, a frequent value chosen in it
// filters the column, and Esc closes it leaving no window behind.
#include <string>
#include <vector>

#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerProfileTest = ViewerTest;

std::vector<std::wstring> Lines(HWND list) {
  std::vector<std::wstring> lines;
  const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
    line.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()))));
    lines.push_back(line);
  }
  return lines;
}

TEST_F(ViewerProfileTest, TheProfileShowsTheColumnsFiguresAValueFiltersAndEscCloses) {
  TViewerSession session(WriteTempFile(L"profile.csv", "id,city,amount\r\n1,Oslo,10\r\n2,Rome,2.5\r\n3,Oslo,\r\n4,Lima,7.5\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const std::size_t windowsBefore = ThreadWindowCount();
  const RECT amount = CellRect(list, 0, 2);
  ClickAt(list, (amount.left + amount.right) / 2, (amount.top + amount.bottom) / 2);
  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmColumnProfile, 0), 0);
  HWND window = TopLevelOf(GetCurrentProcessId(), L"QelvarProfile");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window), L"Column profile: amount");
  HWND lines = GetWindow(window, GW_CHILD);
  ASSERT_TRUE(PumpUntil([&] { return Lines(lines).size() > 2; }, 5000));
  EXPECT_EQ(Lines(lines), (std::vector<std::wstring>{L"Type: numbers", L"Rows: 4", L"Empty cells: 1", L"Distinct values: 3",
                                                     L"Min: 2.5", L"Max: 10", L"Mean: 6.66666666666667",
                                                     L"Most frequent values:", L"    10  (1)", L"    2.5  (1)",
                                                     L"    7.5  (1)"}));
  SendMessageW(window, WM_CLOSE, 0, 0);
  PumpPending();

  // The city column: Oslo is the most frequent value; Enter on it filters the grid.
  const RECT city = CellRect(list, 0, 1);
  ClickAt(list, (city.left + city.right) / 2, (city.top + city.bottom) / 2);
  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmColumnProfile, 0), 0);
  window = TopLevelOf(GetCurrentProcessId(), L"QelvarProfile");
  ASSERT_NE(window, nullptr);
  lines = GetWindow(window, GW_CHILD);
  ASSERT_TRUE(PumpUntil([&] { return Lines(lines).size() > 2; }, 5000));
  const std::vector<std::wstring> shown = Lines(lines);
  ASSERT_EQ(shown.size(), 10u);
  EXPECT_EQ(shown[7], L"    Oslo  (2)");
  SendMessageW(lines, LB_SETCURSEL, 7, 0);
  SendKey(lines, VK_RETURN);
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"=Oslo");
  EXPECT_EQ(ItemCount(list), 2);

  SendKey(lines, VK_ESCAPE);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
}

// A viewer that closes takes its profile window along.
TEST_F(ViewerProfileTest, ClosingTheViewerClosesItsProfile) {
  TViewerSession session(WriteTempFile(L"profile.csv", "a,b\r\n1,2\r\n3,4\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const RECT cell = CellRect(session.ListView(), 0, 0);
  ClickAt(session.ListView(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmColumnProfile, 0), 0);
  const HWND window = TopLevelOf(GetCurrentProcessId(), L"QelvarProfile");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(session.Close());
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace qelvar::gui
