// The filter row: the boxes over the columns, the 250 ms pause before a filter applies, and what
// applying it changes.
#include <string>

#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

constexpr char kFruit[] =
    "fruit,colour,price\r\napple,red,1.20\r\napricot,orange,2.50\r\nbanana,yellow,0.80\r\n"
    "cherry,red,4.00\r\ngrape,green,3.10\r\n";

using ViewerFilterTest = ViewerTest;

TEST_F(ViewerFilterTest, TypingAppliesOnce250MillisecondsAfterTheLastChange) {
  TViewerSession session(WriteTempFile(L"fruit.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HWND box = session.FilterEdit(0);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 5/5");

  // "ap" would keep two rows and "apr" one: had the first keystrokes applied, two rows would show.
  TypeText(box, L"a");
  PumpFor(150);
  TypeText(box, L"p");
  PumpFor(150);
  EXPECT_EQ(ItemCount(list), 5) << "applied before the typing paused";
  TypeText(box, L"r");
  const ULONGLONG typed = GetTickCount64();
  PumpFor(150);
  EXPECT_EQ(ItemCount(list), 5);
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) != 5; }, 2000));
  EXPECT_GE(GetTickCount64() - typed, 240u);
  EXPECT_EQ(ItemCount(list), 1);
  EXPECT_EQ(CellText(list, 0, 0), L"apricot");
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 1/5");
}

TEST_F(ViewerFilterTest, ApplyingAFilterClearsTheCurrentCell) {
  TViewerSession session(WriteTempFile(L"fruit.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  ASSERT_EQ(Search(session.Viewer(), L"banana", 1), 1);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 3:1");
  TypeText(session.FilterEdit(1), L"red");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(session.ListView()) == 2; }));
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L"");
  EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: 2/5");
  // The filter operators of the grid model arrive unchanged.
  SetWindowTextW(session.FilterEdit(1), L"");
  SetWindowTextW(session.FilterEdit(2), L">2");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(session.ListView()) == 3; }));
  EXPECT_EQ(ColumnTexts(session.ListView(), 0), (std::vector<std::wstring>{L"apricot", L"cherry", L"grape"}));
}

// Regression: after a filter the list view kept its selected positions, which then belonged to other
// records (with "apricot" selected, the filter "!apple" selected "banana").
TEST_F(ViewerFilterTest, TheSelectionStaysOnTheSameRecordsAndHiddenOnesAreDropped) {
  TViewerSession session(WriteTempFile(L"fruit.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const RECT apricot = CellRect(list, 1, 0);
  ClickAt(list, (apricot.left + apricot.right) / 2, (apricot.top + apricot.bottom) / 2);
  for (const int item : {0, 3, 4}) {  // apple, cherry and grape join the selection
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  }
  ASSERT_EQ(StatusPart(session.StatusBar(), 4), L" 2:1 | Selected: 4 rows, 3 columns | Count: 4");

  struct Step {
    const wchar_t* filter;
    std::vector<std::wstring> selected;
    int focused;
    std::wstring cell;  // the status bar's last part
  };
  const Step steps[] = {
      {L"!apple", {L"apricot", L"cherry", L"grape"}, 0, L" 1:1 | Selected: 3 rows, 3 columns | Count: 3"},
      // apple was dropped while it was hidden
      {L"", {L"apricot", L"cherry", L"grape"}, 1, L" 2:1 | Selected: 3 rows, 3 columns | Count: 3"},
      {L"an", {}, -1, L""},
      {L"", {}, -1, L""},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(Utf8(s.filter));
    SetWindowTextW(session.FilterEdit(0), s.filter);
    const int rows = s.filter[0] == L'\0' ? 5 : s.filter[0] == L'!' ? 4 : 1;
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == rows; }));
    std::vector<std::wstring> selected;
    for (const int item : SelectedItems(list)) selected.push_back(CellText(list, item, 0));
    EXPECT_EQ(selected, s.selected);
    EXPECT_EQ(FocusedItem(list), s.focused);
    EXPECT_EQ(StatusPart(session.StatusBar(), 4), s.cell);
    EXPECT_EQ(StatusPart(session.StatusBar(), 3), L" Rows: " + std::to_wstring(rows) + L"/5");
  }
}

TEST_F(ViewerFilterTest, BoxesSitOverTheVisiblePartOfTheirColumns) {
  SetSettings("show-line-numbers=1\n");
  std::string csv = "one,two,three,four,five\r\n";
  const std::string cell = " fairly long text that makes the column wide";
  for (int i = 0; i < 5; ++i) csv += "a" + cell + ",b" + cell + ",c" + cell + ",d" + cell + ",e\r\n";
  TViewerSession session(WriteTempFile(L"wide.csv", csv), 0, 700, 400);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND viewer = session.Viewer();
  const HWND list = session.ListView();
  const RECT grid = RectIn(list, viewer);
  EXPECT_EQ(session.FilterEdit(0), nullptr);

  const auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    RECT client{};
    GetClientRect(list, &client);
    const int gridLeft = grid.left;
    const int gridRight = grid.left + client.right;
    for (int column = 1; column <= 5; ++column) {
      SCOPED_TRACE(column);
      const HWND box = session.FilterEdit(column);
      ASSERT_NE(box, nullptr);
      RECT item{};
      SendMessageW(session.Header(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
      MapWindowPoints(session.Header(), viewer, reinterpret_cast<POINT*>(&item), 2);
      const int left = std::max<int>(item.left, gridLeft);
      const int right = std::min<int>(item.right, gridRight);
      if (right <= left) {
        EXPECT_FALSE(IsShown(box)) << "a column out of view has no box";
        continue;
      }
      EXPECT_TRUE(IsShown(box));
      const RECT r = RectIn(box, viewer);
      EXPECT_EQ(r.left, left);
      EXPECT_EQ(r.right, right);
      EXPECT_EQ(r.bottom, grid.top);
      EXPECT_EQ(r.top, 0);
    }
  };
  check("unscrolled");
  EXPECT_FALSE(IsShown(session.FilterEdit(5))) << "700 pixels do not reach the fifth column";
  SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(ColumnWidth(list, 0) + ColumnWidth(list, 1) + 40), 0);
  PumpPending();
  check("scrolled right");
  EXPECT_FALSE(IsShown(session.FilterEdit(1)));
  EXPECT_TRUE(IsShown(session.FilterEdit(2)));

  // With line numbers the first box filters the first document column.
  TypeText(session.FilterEdit(1), L"zzz");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 0; }));
}

TEST_F(ViewerFilterTest, TheAlignmentSettingAlignsTheTypedText) {
  const std::wstring path = WriteTempFile(L"align.csv", "a\r\n1\r\n");
  struct Case {
    const char* settings;
    LONG_PTR style;
  };
  const Case cases[] = {{"", ES_CENTER}, {"filter-align=-1\n", ES_LEFT}, {"filter-align=1\n", ES_RIGHT},
                        {"filter-align=2\n", ES_CENTER}, {"filter-align=x\n", ES_CENTER}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    SetSettings(c.settings);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    EXPECT_EQ(GetWindowLongPtrW(session.FilterEdit(0), GWL_STYLE) & (ES_CENTER | ES_RIGHT), c.style);
  }
}

TEST_F(ViewerFilterTest, WithTheFilterRowSwitchedOffTheGridStartsAtTheTop) {
  SetSettings("filter-row=0\n");
  TViewerSession session(WriteTempFile(L"nofilter.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  EXPECT_EQ(RectIn(session.ListView(), session.Viewer()).top, 0);
  EXPECT_FALSE(IsShown(session.FilterEdit(0)));
}

TEST_F(ViewerFilterTest, EscInABoxGivesTheFocusToTheGrid) {
  TViewerSession session(WriteTempFile(L"esc.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  SetFocus(session.FilterEdit(1));
  ASSERT_EQ(GetFocus(), session.FilterEdit(1));
  SendKey(session.FilterEdit(1), VK_ESCAPE);
  EXPECT_EQ(GetFocus(), session.ListView());
}

// Every box is a window of the host's process, which may own 10,000: a wide file (here wider than a 16-bit
// id or index can count) gets boxes over its first kMaxFilterBoxes columns only, and those filter as in
// any file.
TEST_F(ViewerFilterTest, AWideFileHasBoxesOverItsFirstColumnsOnlyAndTheyFilter) {
  constexpr int kColumns = 70000;
  constexpr int kTarget = kMaxFilterBoxes - 1;
  std::string file;
  for (const char* row : {"h", "keep", "drop"}) {
    for (int i = 0; i < kColumns; ++i) {
      if (i > 0) file += ',';
      file += i == kTarget || row[0] == 'h' ? row + std::to_string(i) : std::string("x");
    }
    file += "\r\n";
  }
  TViewerSession session(WriteTempFile(L"wide.csv", file));
  ASSERT_TRUE(session.WaitLoaded(60000));
  const HWND list = session.ListView();
  EXPECT_EQ(session.FilterEdit(kMaxFilterBoxes), nullptr);
  const HWND box = session.FilterEdit(kTarget);
  ASSERT_NE(box, nullptr);
  SetWindowTextW(box, L"keep");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }));
  EXPECT_EQ(CellText(list, 0, kTarget), L"keep" + std::to_wstring(kTarget));
  EXPECT_EQ(CellText(list, 0, kColumns - 1), L"x");

  // The transform panel lists every column: an entry beyond 65,535 dragged two entries down lands there.
  SendCommand(session.Viewer(), cmToggleTransformMode);
  const HWND panel = session.Child(kTransformListId);
  ASSERT_EQ(SendMessageW(panel, LB_GETCOUNT, 0, 0), kColumns);
  constexpr int kDragged = 65600;
  SendMessageW(panel, LB_SETTOPINDEX, kDragged, 0);
  ASSERT_EQ(SendMessageW(panel, LB_GETTOPINDEX, 0, 0), kDragged);
  const int height = static_cast<int>(SendMessageW(panel, LB_GETITEMHEIGHT, 0, 0));
  for (const auto& [message, y] : {std::pair{WM_LBUTTONDOWN, height / 2}, std::pair{WM_MOUSEMOVE, height},
                                   std::pair{WM_MOUSEMOVE, 2 * height}, std::pair{WM_MOUSEMOVE, 3 * height + 2},
                                   std::pair{WM_LBUTTONUP, 3 * height + 2}})
    SendMessageW(panel, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(10, y));
  PumpPending();
  const auto entry = [&](int index) {
    std::wstring text(256, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(panel, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()))));
    return text;
  };
  EXPECT_EQ(entry(kDragged), L"65601. h65601");
  EXPECT_EQ(entry(kDragged + 2), L"65603. h65600");
  EXPECT_EQ(entry(kDragged - 65536), L"65. h64") << "an entry 65,536 places higher moved";
}

// The current column's totals over the selected rows, as spreadsheets show them; one cell shows none.
TEST_F(ViewerFilterTest, SelectedRowsShowTheTotalsOfTheCurrentColumn) {
  TViewerSession session(WriteTempFile(L"totals.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const RECT price = CellRect(list, 0, 2);
  ClickAt(list, (price.left + price.right) / 2, (price.top + price.bottom) / 2);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 1:3");
  for (const int item : {1, 2}) {
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  }
  const std::wstring part = StatusPart(session.StatusBar(), 4);
  for (const wchar_t* figure : {L"Count: 3", L"Numbers: 3", L"Sum: 4.5", L"Average: 1.5", L"Min: 0.8", L"Max: 2.5"})
    EXPECT_NE(part.find(figure), std::wstring::npos) << Utf8(figure) << " in " << Utf8(part);
}

// "Filter by this value" and "Exclude this value" fill the current column's box and apply it at once.
TEST_F(ViewerFilterTest, FilterByThisValueAndExcludeThisValueFillTheColumnsBox) {
  TViewerSession session(WriteTempFile(L"byvalue.csv", kFruit));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const RECT red = CellRect(list, 0, 1);
  ClickAt(list, (red.left + red.right) / 2, (red.top + red.bottom) / 2);
  SendCommand(session.Viewer(), cmFilterByValue);
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"=red");
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"apple", L"cherry"}));
  ClickAt(list, (red.left + red.right) / 2, (red.top + red.bottom) / 2);
  SendCommand(session.Viewer(), cmExcludeValue);
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"!=red");
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"apricot", L"banana", L"grape"}));
}

// A large table is filtered on a worker thread: the status bar says so while the grid keeps its rows, and
// the filtered rows follow.
TEST_F(ViewerFilterTest, AFilterOverALargeTableIsComputedAsideWhileTheGridStaysUsable) {
  std::string text = "id,name\r\n";
  for (int i = 0; i < 150000; ++i) text += std::to_string(i) + ",name " + std::to_string(i) + "\r\n";
  TViewerSession session(WriteTempFile(L"large.csv", text));
  ASSERT_TRUE(session.WaitLoaded(30000));
  const HWND list = session.ListView();
  SetWindowTextW(session.FilterEdit(1), L"name 14999");
  const auto filtering = [&] { return StatusPart(session.StatusBar(), 4).find(L"Filtering") != std::wstring::npos; };
  ASSERT_TRUE(PumpUntil(filtering, 5000));
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 11; }, 10000));
  EXPECT_FALSE(filtering());
  EXPECT_EQ(CellText(list, 0, 1), L"name 14999");
  EXPECT_EQ(CellText(list, 10, 1), L"name 149999");
}

}  // namespace
}  // namespace qelvar::gui
