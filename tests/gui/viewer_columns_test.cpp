// Column widths from the content with their cap, and columns hidden by Ctrl+click on the header.
#include <string>

#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

// The default cap: 300 pixels scaled by the font (16 points at 96 DPI are 21 pixels; 300 * 21 / 13).
constexpr int kDefaultCap = 484;

// A cell much wider than any cap.
std::string LongText() { return std::string(150, 'W'); }

using ViewerColumnsTest = ViewerTest;

TEST_F(ViewerColumnsTest, WidthsFollowTheContentUpToTheCap) {
  const std::string wide = LongText();
  struct Case {
    const char* name;
    std::string csv;
    const char* settings;
    int column;  // list-view column holding the long text
    int cap;     // expected width; 0: wider than any cap (not capped)
  };
  const Case cases[] = {
      {"three columns", "a,b,c\r\n" + wide + ",x,y\r\n", "", 0, kDefaultCap},
      {"first of two", "a,b\r\n" + wide + ",x\r\n", "", 0, kDefaultCap},
      {"second of two is never capped", "a,b\r\nx," + wide + "\r\n", "", 1, 0},
      {"a single column", "a\r\n" + wide + "\r\n", "", 0, 0},
      {"a single column beside line numbers", "a\r\n" + wide + "\r\n", "show-line-numbers=1\n", 1, kDefaultCap},
      {"no cap configured", "a,b,c\r\n" + wide + ",x,y\r\n", "max-column-width=0\n", 0, 0},
      {"a smaller cap", "a,b,c\r\n" + wide + ",x,y\r\n", "max-column-width=100\n", 0, 161},
      {"all columns to their widest text", "a,b,c\r\n" + wide + ",x,y\r\n", "allColumnsToMaxWidth=1\n", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(c.settings);
    TViewerSession session(WriteTempFile(L"widths.csv", c.csv));
    ASSERT_TRUE(session.WaitLoaded());
    const int width = ColumnWidth(session.ListView(), c.column);
    if (c.cap > 0) EXPECT_EQ(width, c.cap);
    else EXPECT_GT(width, 1500);
  }
}

TEST_F(ViewerColumnsTest, ShortColumnsFitTheirWidestSampledTextAndTheLineNumbers) {
  SetSettings("show-line-numbers=1\n");
  std::string csv = "id,word\r\n";
  for (int i = 1; i <= 120; ++i) csv += std::to_string(i) + (i == 77 ? ",a much longer word\r\n" : ",w\r\n");
  TViewerSession session(WriteTempFile(L"short.csv", csv));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const int lineNumbers = ColumnWidth(list, 0);
  const int ids = ColumnWidth(list, 1);
  const int words = ColumnWidth(list, 2);
  // "120" plus a small padding; the id column holds the same digits with the larger padding of data.
  EXPECT_GT(lineNumbers, 20);
  EXPECT_LT(lineNumbers, ids);
  EXPECT_LT(words, kDefaultCap);
  EXPECT_GT(words, ids + 60) << "sized by the one long word in the middle of the file";
}

TEST_F(ViewerColumnsTest, AFileWithOnlyAHeaderLoadsWithTitleWideColumns) {
  SetSettings("show-line-numbers=1\n");
  TViewerSession session(WriteTempFile(L"header-only.csv", "first,a rather long title\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  EXPECT_EQ(ItemCount(list), 0);
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"#", L"first", L"a rather long title"}));
  EXPECT_GT(ColumnWidth(list, 2), ColumnWidth(list, 1));
  EXPECT_GT(ColumnWidth(list, 0), 0);
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 0/0");
}

// The grid named a headerless column "Column 1" in every language while the panel used the translation.
TEST_F(ViewerColumnsTest, HeaderlessColumnsHaveTheTranslatedNameInTheGridAsInThePanel) {
  SetSettings("language=German\nheader-row=0\n");
  TViewerSession session(WriteTempFile(L"headerless.csv", "a,b\r\n1,2\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  EXPECT_EQ(ColumnTitles(session.ListView()), (std::vector<std::wstring>{L"Spalte 1", L"Spalte 2"}));
}

TEST_F(ViewerColumnsTest, AnEmptyFileShowsAnEmptyGrid) {
  for (const char* settings : {"", "show-line-numbers=1\n"}) {
    SCOPED_TRACE(settings);
    SetSettings(settings);
    TViewerSession session(WriteTempFile(L"empty.csv", ""));
    ASSERT_TRUE(session.WaitLoaded());
    EXPECT_EQ(ItemCount(session.ListView()), 0);
    EXPECT_EQ(ColumnCount(session.ListView()), settings[0] ? 1 : 0);
    EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 0/0");
    EXPECT_EQ(Search(session.Viewer(), L"x", 1), 0);
    ClickColumnHeader(session.ListView(), 0);
  }
}

TEST_F(ViewerColumnsTest, CtrlClickOnAHeaderHidesTheColumnButNotTheLineNumbers) {
  SetSettings("show-line-numbers=1\n");
  TViewerSession session(WriteTempFile(L"hide.csv", "a,b,c\r\n3,x,p\r\n1,y,q\r\n2,z,r\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const int lineNumbers = ColumnWidth(list, 0);
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 2);
    ClickColumnHeader(list, 0);
  }
  EXPECT_EQ(ColumnWidth(list, 2), 0);
  EXPECT_FALSE(IsShown(session.FilterEdit(2))) << "the box of a hidden column is hidden";
  EXPECT_TRUE(IsShown(session.FilterEdit(1)));
  EXPECT_EQ(ColumnWidth(list, 0), lineNumbers);
  EXPECT_EQ(SortArrow(session.Header(), 1), 0) << "Ctrl+click does not sort";
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"3", L"1", L"2"}));

  // Hidden columns stay hidden when the widths are computed again (here by a DPI change).
  SendMessageW(session.Viewer(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
  PumpPending();
  EXPECT_EQ(ColumnWidth(list, 2), 0);
  EXPECT_GT(ColumnWidth(list, 1), 0);
}

}  // namespace
}  // namespace qelvar::gui
