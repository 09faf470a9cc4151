// The transform panel: shown and placed, its list and captions, the buttons' edits of the transformation
// with their selection rules, and the grid's transformed view.
#include <algorithm>
#include <string>
#include <vector>

#include "edit_test_support.h"
#include "harness_keys.h"
#include "transform_test_support.h"

namespace qelvar::gui {
namespace {

using TransformPanelTest = ViewerTest;
using Entries = std::vector<std::wstring>;

constexpr char kPeople[] = "name,city,age\r\nAnna,Oslo,31\r\nBen,Rome,25\r\nCleo,Lima,40\r\n";

Entries ButtonCaptions(const TViewerSession& session) {
  Entries captions;
  for (int id : {cmTransformUp, cmTransformDown, cmTransformAddColumn, cmTransformRemoveColumn,
                 cmTransformRenameColumn, cmTransformSetAllCells, cmTransformFillEmptyCells,
                 cmTransformEnumerateCells, cmTransformLoadJson, cmTransformSaveJson, cmTransformDelimiter,
                 cmTransformNumberFormat, cmTransformExportCsv, cmTransformApplyToGrid})
    captions.push_back(WindowText(PanelButton(session, id)));
  return captions;
}

TEST_F(TransformPanelTest, TheCommandShowsThePanelWithItsEntriesAndCaptionsBesideTheGrid) {
  TViewerSession session(WriteTempFile(L"people.csv", kPeople));
  ASSERT_TRUE(session.WaitLoaded());
  EXPECT_FALSE(IsShown(PanelList(session)));
  const RECT gridBefore = RectIn(session.ListView(), session.Viewer());

  SendCommand(session, cmToggleTransformMode);
  ASSERT_TRUE(IsShown(PanelList(session)));
  EXPECT_TRUE(IsShown(PanelInput(session)));
  EXPECT_EQ(ListEntries(PanelList(session)), (Entries{L"1. name", L"2. city", L"3. age"}));
  EXPECT_EQ(ButtonCaptions(session),
            (Entries{L"Up", L"Down", L"+ Add column", L"- Remove column", L"~ Rename column",
                     L"Set all cells", L"Fill empty cells", L"Fill cells with sequence",
                     L"Load transformation (JSON)", L"Save transformation (JSON)", L"Delimiter: ,",
                     L"Number format: original", L"Export CSV", L"Apply to grid"}));
  for (int id = cmTransformUp; id <= cmTransformApplyToGrid; ++id)
    EXPECT_TRUE(IsShown(PanelButton(session, id))) << id;

  // Right of the grid, which gave up the panel's width; the buttons in their order, one under the other.
  const RECT grid = RectIn(session.ListView(), session.Viewer());
  const RECT list = RectIn(PanelList(session), session.Viewer());
  const RECT input = RectIn(PanelInput(session), session.Viewer());
  EXPECT_LT(grid.right, gridBefore.right);
  EXPECT_EQ(list.left, grid.right + 6);
  EXPECT_EQ(input.left, list.left);
  EXPECT_GT(input.top, list.bottom);
  int previousBottom = input.bottom;
  for (int id : {cmTransformUp, cmTransformDown, cmTransformAddColumn, cmTransformRemoveColumn,
                 cmTransformRenameColumn, cmTransformSetAllCells, cmTransformFillEmptyCells,
                 cmTransformEnumerateCells, cmTransformLoadJson, cmTransformSaveJson, cmTransformDelimiter,
                 cmTransformNumberFormat, cmTransformExportCsv, cmTransformApplyToGrid}) {
    const RECT button = RectIn(PanelButton(session, id), session.Viewer());
    EXPECT_EQ(button.left, list.left) << id;
    EXPECT_EQ(button.bottom - button.top, 25) << id;
    EXPECT_GE(button.top, previousBottom) << id;
    previousBottom = button.bottom;
  }

  // Hiding the panel while its input box has the focus hands the focus back to the grid.
  SetFocus(PanelInput(session));
  ASSERT_EQ(GetFocus(), PanelInput(session));
  SendCommand(session, cmToggleTransformMode);
  EXPECT_FALSE(IsShown(PanelList(session)));
  EXPECT_EQ(GetFocus(), session.ListView());
  EXPECT_EQ(RectIn(session.ListView(), session.Viewer()).right, gridBefore.right);
}

// The panel's width is at most half the window's, and its margins and sizes follow the DPI.
TEST_F(TransformPanelTest, TabWalksThePanelAndBackToTheGridAndEscInTheInputReturnsToTheList) {
  TViewerSession session(WriteTempFile(L"people.csv", kPeople));
  OpenWithPanel(session);
  PumpFor(550);  // past the half second in which no key goes to the host
  const HWND list = session.ListView();
  SetFocus(list);
  PostKey(list, VK_TAB);
  EXPECT_EQ(GetFocus(), PanelList(session));
  PostKey(PanelList(session), VK_TAB);
  EXPECT_EQ(GetFocus(), PanelInput(session));
  PostKey(PanelInput(session), VK_TAB);
  EXPECT_EQ(GetFocus(), PanelButton(session, cmTransformUp));
  {
    const TModifierKeys shift({VK_SHIFT});
    PostKey(GetFocus(), VK_TAB);
  }
  EXPECT_EQ(GetFocus(), PanelInput(session));
  session.Host().ClearPostedKeys();
  // Esc in the input box goes back to the list; it does not close Lister.
  PostKey(PanelInput(session), VK_ESCAPE);
  EXPECT_EQ(GetFocus(), PanelList(session));
  EXPECT_TRUE(session.Host().PostedKeys().empty());
  {
    const TModifierKeys shift({VK_SHIFT});
    PostKey(PanelList(session), VK_TAB);
  }
  EXPECT_EQ(GetFocus(), list);
}

TEST_F(TransformPanelTest, ThePanelTakesAtMostHalfTheWidthAndScalesWithTheDpi) {
  SetSettings("font-size=10\n");
  const std::wstring path = WriteTempFile(L"dpi.csv", kPeople);
  {
    TViewerSession narrow(path, 0, 500, 600);
    OpenWithPanel(narrow);
    RECT client{};
    GetClientRect(narrow.Viewer(), &client);
    const RECT list = RectIn(PanelList(narrow), narrow.Viewer());
    EXPECT_EQ(RectIn(narrow.ListView(), narrow.Viewer()).right, client.right - client.right / 2);
    EXPECT_EQ(list.right - list.left, client.right / 2 - 12);
  }
  TViewerSession session(path, 0, 1600, 800);
  OpenWithPanel(session);
  const auto measures = [&] {
    const RECT list = RectIn(PanelList(session), session.Viewer());
    const RECT input = RectIn(PanelInput(session), session.Viewer());
    const RECT up = RectIn(PanelButton(session, cmTransformUp), session.Viewer());
    const RECT down = RectIn(PanelButton(session, cmTransformDown), session.Viewer());
    const RECT grid = RectIn(session.ListView(), session.Viewer());
    return std::vector<long>{list.left - grid.right,   list.top,           list.right - list.left,
                             input.bottom - input.top, up.top - input.top, up.bottom - up.top,
                             down.top - up.bottom};
  };
  // The panel is 330 pixels wide at 96 DPI with a 10-point font: margins of 6, the input box 26 high, the
  // first button 31 below the input box's top, buttons 25 high and 3 apart.
  EXPECT_EQ(measures(), (std::vector<long>{6, 6, 318, 26, 31, 25, 3}));
  SendMessageW(session.Viewer(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
  PumpPending();
  EXPECT_EQ(measures(), (std::vector<long>{12, 12, 636, 52, 62, 50, 6}));
}

TEST_F(TransformPanelTest, StartModeTwoOpensWithThePanelFilledAfterTheLoad) {
  SetSettings("start-mode=transformer\n");
  TViewerSession session(WriteTempFile(L"start.csv", kPeople));
  ASSERT_TRUE(session.WaitLoaded());
  EXPECT_TRUE(IsShown(PanelList(session)));
  EXPECT_EQ(ListEntries(PanelList(session)), (Entries{L"1. name", L"2. city", L"3. age"}));
  EXPECT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Apply to grid");
}

// Up, Down, Remove and Add as the user sees them: the list's entries and its selection after each.
TEST_F(TransformPanelTest, ReorderRemoveAndAddFollowTheSelectionRules) {
  TViewerSession session(WriteTempFile(L"letters.csv", "a,b,c,d,e\r\n1,2,3,4,5\r\n"));
  OpenWithPanel(session);
  const HWND list = PanelList(session);
  struct Step {
    const char* what;
    int select;  // -1: nothing selected
    std::wstring input;
    int button;
    Entries entries;
    int selection;
  };
  const Step steps[] = {
      {"Up moves the second entry to the top",
       1,
       L"",
       cmTransformUp,
       {L"1. b", L"2. a", L"3. c", L"4. d", L"5. e"},
       0},
      {"Up on the first does nothing",
       0,
       L"",
       cmTransformUp,
       {L"1. b", L"2. a", L"3. c", L"4. d", L"5. e"},
       0},
      {"Down on the last does nothing",
       4,
       L"",
       cmTransformDown,
       {L"1. b", L"2. a", L"3. c", L"4. d", L"5. e"},
       4},
      {"Down moves an entry down", 2, L"", cmTransformDown, {L"1. b", L"2. a", L"3. d", L"4. c", L"5. e"}, 3},
      {"Remove on the last selects the new last",
       4,
       L"",
       cmTransformRemoveColumn,
       {L"1. b", L"2. a", L"3. d", L"4. c"},
       3},
      {"Remove without a selection does nothing",
       -1,
       L"",
       cmTransformRemoveColumn,
       {L"1. b", L"2. a", L"3. d", L"4. c"},
       -1},
      {"Add inserts each name, trimmed, below the selection",
       2,
       L"x; Y ;z",
       cmTransformAddColumn,
       {L"1. b", L"2. a", L"3. d", L"4. x (+)", L"5. Y (+)", L"6. z (+)", L"7. c"},
       4},
      {"Add refuses names already there, whatever their case",
       0,
       L"X;A;new",
       cmTransformAddColumn,
       {L"1. b", L"2. a", L"3. d", L"4. new (+)", L"5. x (+)", L"6. Y (+)", L"7. z (+)", L"8. c"},
       2},
      {"Add without a selection inserts at the top",
       -1,
       L"top",
       cmTransformAddColumn,
       {L"1. top (+)", L"2. b", L"3. a", L"4. d", L"5. new (+)", L"6. x (+)", L"7. Y (+)", L"8. z (+)",
        L"9. c"},
       -1},
      {"Rename shows the new header",
       1,
       L"Bee",
       cmTransformRenameColumn,
       {L"1. top (+)", L"2. b -> Bee", L"3. a", L"4. d", L"5. new (+)", L"6. x (+)", L"7. Y (+)", L"8. z (+)",
        L"9. c"},
       1},
      {"Rename with an empty input does nothing",
       2,
       L"",
       cmTransformRenameColumn,
       {L"1. top (+)", L"2. b -> Bee", L"3. a", L"4. d", L"5. new (+)", L"6. x (+)", L"7. Y (+)", L"8. z (+)",
        L"9. c"},
       2},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    SelectEntry(list, step.select);
    SetInput(session, step.input);
    Press(session, step.button);
    EXPECT_EQ(ListEntries(list), step.entries);
    EXPECT_EQ(ListSelection(list), step.selection);
  }
  EXPECT_EQ(WindowText(PanelInput(session)), L"") << "the input box keeps its text";
}

// Constants, fills and sequences in the transformed grid. Numbers follow document rows: a filter or a sort
// keeps each row's number, and a sequence without a stop reaches the last data row.
TEST_F(TransformPanelTest, ConstantsFillsAndSequencesNumberEveryDataRow) {
  TViewerSession session(WriteTempFile(
      L"scores.csv", "id,name,score\r\n1,Anna,\r\n2,Ben,7\r\n3,Cleo,\r\n4,Dan,9\r\n5,Eve,\r\n"));
  OpenWithPanel(session);
  const HWND grid = session.ListView();
  // A filter of the document's view stays while the grid shows the transformation.
  TypeText(session.FilterEdit(0), L">2");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(grid) == 3; }));
  Press(session, cmTransformApplyToGrid);
  ASSERT_EQ(ItemCount(grid), 3);

  Apply(session, 2, L"0", cmTransformFillEmptyCells);
  EXPECT_EQ(ColumnTexts(grid, 2), (Entries{L"0", L"9", L"0"}));
  Apply(session, 1, L"X", cmTransformSetAllCells);
  EXPECT_EQ(ColumnTexts(grid, 1), (Entries{L"X", L"X", L"X"}));
  Apply(session, 2, L"n", cmTransformAddColumn);
  ASSERT_EQ(ColumnTitles(grid), (Entries{L"id", L"name", L"score", L"n"}));
  EXPECT_EQ(ListEntries(PanelList(session))[1], L"2. name [const]");
  EXPECT_EQ(ListEntries(PanelList(session))[2], L"3. score [fill]");

  struct Case {
    std::wstring input;
    Entries numbers;  // of the listed rows, the document's rows 3, 4 and 5
  };
  const Case cases[] = {
      {L"10:", {L"12", L"13", L"14"}},  // from 10 for the first data row, to the last one
      {L"", {L"3", L"4", L"5"}},        // from 1 to the end
      {L"5", {L"3", L"4", L"5"}},       // from 1 to 5
      {L"3", {L"3", L"", L""}},        {L"3:1", {L"", L"", L""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.input));
    Apply(session, 3, c.input, cmTransformEnumerateCells);
    EXPECT_EQ(ColumnTexts(grid, 3), c.numbers);
    EXPECT_EQ(ListEntries(PanelList(session))[3], L"4. n (+) [enum]");
  }
}

TEST_F(TransformPanelTest, DelimiterAndNumberFormatCycle) {
  TViewerSession session(WriteTempFile(L"semi.csv", "item;price\r\ntea;1,5\r\ncake;2.75\r\n"));
  OpenWithPanel(session);
  const HWND delimiter = PanelButton(session, cmTransformDelimiter);
  const HWND format = PanelButton(session, cmTransformNumberFormat);
  EXPECT_EQ(WindowText(delimiter), L"Delimiter: ;");
  Entries delimiters;
  for (int i = 0; i < 3; ++i) {
    Press(session, cmTransformDelimiter);
    delimiters.push_back(WindowText(delimiter));
  }
  EXPECT_EQ(delimiters, (Entries{L"Delimiter: ,", L"Delimiter: \t", L"Delimiter: ;"}));

  Press(session, cmTransformApplyToGrid);
  struct Step {
    std::wstring caption;
    Entries prices;
  };
  const Step steps[] = {
      {L"Number format: .", {L"1.5", L"2.75"}},
      {L"Number format: ,", {L"1,5", L"2,75"}},
      {L"Number format: original", {L"1,5", L"2.75"}},
  };
  for (const Step& step : steps) {
    Press(session, cmTransformNumberFormat);
    EXPECT_EQ(WindowText(format), step.caption);
    EXPECT_EQ(ColumnTexts(session.ListView(), 1), step.prices) << "the transformed grid follows at once";
  }
}

// Apply to grid: the output's columns, no filter row, "TRANSFORM" in the status bar; later commands change
// the grid at once, except Delimiter, which changes only the export. Reset grid view brings all of the
// document's view back, its filters included.
TEST_F(TransformPanelTest, ApplyAndResetSwitchTheGridTheFilterRowAndTheStatusBar) {
  TViewerSession session(WriteTempFile(L"apply.csv", kPeople));
  OpenWithPanel(session);
  const HWND grid = session.ListView();
  const int filterRowTop = RectIn(grid, session.Viewer()).top;
  ASSERT_GT(filterRowTop, 0);
  TypeText(session.FilterEdit(1), L"o");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(grid) == 2; }));

  Apply(session, 2, L"Years", cmTransformRenameColumn);
  Apply(session, 0, L"", cmTransformDown);
  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Reset grid view");
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"city", L"name", L"Years"}));
  EXPECT_EQ(RowTexts(grid, 0), (Entries{L"Oslo", L"Anna", L"31"}));
  EXPECT_EQ(RectIn(grid, session.Viewer()).top, 0) << "no filter row over the output";
  EXPECT_FALSE(IsShown(session.FilterEdit(0)));
  EXPECT_NE(StatusPart(session.StatusBar(), 4).find(L"TRANSFORM"), std::wstring::npos);

  // Delimiter does not rebuild the grid: the current cell stays.
  const RECT cell = CellRect(grid, 1, 1);
  ClickAt(grid, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_EQ(StatusPart(session.StatusBar(), 4).substr(0, 4), L" 2:2");
  Press(session, cmTransformDelimiter);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4).substr(0, 4), L" 2:2");
  Apply(session, 0, L"", cmTransformRemoveColumn);
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"name", L"Years"}));
  EXPECT_EQ(StatusPart(session.StatusBar(), 4).substr(0, 4), L" | T")
      << "the rebuild cleared the current cell";

  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Apply to grid");
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"name", L"city", L"age"}));
  EXPECT_EQ(RectIn(grid, session.Viewer()).top, filterRowTop);
  EXPECT_TRUE(IsShown(session.FilterEdit(1)));
  EXPECT_EQ(WindowText(session.FilterEdit(1)), L"o") << "the filter that still applies is shown";
  EXPECT_EQ(ItemCount(grid), 2);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4).find(L"TRANSFORM"), std::wstring::npos);
}

// Each view hides its own columns: hiding a column of one never hides a column of the other, and an output
// column's flag follows the column when the transformation moves it.
TEST_F(TransformPanelTest, EachViewHidesItsOwnColumns) {
  TViewerSession session(WriteTempFile(L"hide.csv", kPeople));
  OpenWithPanel(session);
  const HWND grid = session.ListView();
  const auto hideColumn = [&](int column) {
    const TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(grid, column);
  };
  const auto widths = [&] {
    std::vector<bool> shown;
    for (int i = 0; i < ColumnCount(grid); ++i) shown.push_back(ColumnWidth(grid, i) > 0);
    return shown;
  };
  hideColumn(2);
  ASSERT_EQ(widths(), (std::vector<bool>{true, true, false}));

  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(widths(), (std::vector<bool>{true, true, true})) << "the document's flags hide no output column";
  hideColumn(0);
  EXPECT_EQ(widths(), (std::vector<bool>{false, true, true}));
  Apply(session, 0, L"", cmTransformDown);
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"city", L"name", L"age"}));
  EXPECT_EQ(widths(), (std::vector<bool>{true, false, true})) << "the flag moved with its column";

  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(widths(), (std::vector<bool>{true, true, false})) << "the document's own flags, as they were";
  SendCommand(session, cmShowAllColumns);
  EXPECT_EQ(widths(), (std::vector<bool>{true, true, true}));
  Press(session, cmTransformApplyToGrid);
  EXPECT_EQ(widths(), (std::vector<bool>{true, false, true}))
      << "showing the document's columns kept the output's";
}

// Drag and drop with the mouse messages a real drag sends: the entry lands in the gap under the pointer, the
// marker shows that gap meanwhile, and a plain click only selects.
TEST_F(TransformPanelTest, DraggingAnEntryMovesItAndAClickOnlySelects) {
  TViewerSession session(WriteTempFile(L"drag.csv", "a,b,c,d\r\n1,2,3,4\r\n"));
  OpenWithPanel(session);
  const HWND list = PanelList(session);
  const auto entry = [&](int index) {
    RECT rect{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    return rect;
  };
  const auto at = [](int x, int y) { return MAKELPARAM(x, y); };
  const RECT first = entry(0);
  const int x = (first.left + first.right) / 2;

  // A plain click on the third entry: selected, nothing moved.
  const int thirdMiddle = (entry(2).top + entry(2).bottom) / 2;
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at(x, thirdMiddle + 1));
  SendMessageW(list, WM_LBUTTONUP, 0, at(x, thirdMiddle + 1));
  PumpPending();
  EXPECT_EQ(ListEntries(list), (Entries{L"1. a", L"2. b", L"3. c", L"4. d"}));
  EXPECT_EQ(ListSelection(list), 2);

  // The first entry dragged to below the third.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at(x, (first.top + first.bottom) / 2));
  const RECT fourth = entry(3);
  for (int y = first.bottom; y <= fourth.top + 2; y += 3)
    SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
  const TCapture shot = CaptureWindow(list);
  EXPECT_EQ(shot.At(x, fourth.top), COLORREF{0x6A240A}) << "the drop marker over the gap";
  EXPECT_NE(shot.At(x, (fourth.top + fourth.bottom) / 2 + 4), COLORREF{0x6A240A});
  SendMessageW(list, WM_LBUTTONUP, 0, at(x, fourth.top + 2));
  PumpPending();
  EXPECT_EQ(ListEntries(list), (Entries{L"1. b", L"2. c", L"3. a", L"4. d"}));
  EXPECT_EQ(ListSelection(list), 2);
  EXPECT_NE(GetCapture(), list);
  EXPECT_NE(CaptureWindow(list).At(x, fourth.top), COLORREF{0x6A240A}) << "no marker after the drop";

  // In the transformed view the grid follows the drop.
  Press(session, cmTransformApplyToGrid);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at(x, (entry(3).top + entry(3).bottom) / 2));
  for (int y = entry(3).top; y >= first.top; y -= 3) SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, at(x, y));
  SendMessageW(list, WM_LBUTTONUP, 0, at(x, first.top + 1));
  PumpPending();
  EXPECT_EQ(ListEntries(list), (Entries{L"1. d", L"2. b", L"3. c", L"4. a"}));
  EXPECT_EQ(ColumnTitles(session.ListView()), (Entries{L"d", L"b", L"c", L"a"}));
}

// The header-row toggle resets the transformation: the panel, the grid's view and the filter row must
// follow at once. A reload that finds the same columns keeps it, and the transformed view with it.
TEST_F(TransformPanelTest, AResetTransformationIsShownAtOnceAfterTheHeaderRowToggleAndAReloadKeepsIt) {
  TViewerSession session(WriteTempFile(L"reset.csv", kPeople));
  OpenWithPanel(session);
  const HWND grid = session.ListView();
  const int filterRowTop = RectIn(grid, session.Viewer()).top;
  Apply(session, 0, L"", cmTransformRemoveColumn);
  Press(session, cmTransformApplyToGrid);
  ASSERT_EQ(RectIn(grid, session.Viewer()).top, 0);
  SendCommand(session, cmToggleHeaderRow);
  EXPECT_EQ(ListEntries(PanelList(session)), (Entries{L"1. Column 1", L"2. Column 2", L"3. Column 3"}));
  EXPECT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Apply to grid");
  EXPECT_EQ(RectIn(grid, session.Viewer()).top, filterRowTop) << "the filter row is back";
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"Column 1", L"Column 2", L"Column 3"}));

  Apply(session, 0, L"", cmTransformRemoveColumn);
  Press(session, cmTransformApplyToGrid);
  SendCommand(session, cmDelimiterComma);
  EXPECT_EQ(ListEntries(PanelList(session)), (Entries{L"1. Column 2", L"2. Column 3"}));
  EXPECT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Reset grid view");
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"Column 2", L"Column 3"}));
}

// A deleted column shifts the sources the transformation names by position: it starts over as the new
// identity, and the panel shows that at once (regression: the list kept the old entries).
TEST_F(TransformPanelTest, DeletingAColumnResetsTheTransformationAndThePanelShowsIt) {
  TViewerSession session(WriteTempFile(L"delete.csv", kPeople));
  OpenWithPanel(session);
  Apply(session, 0, L"", cmTransformRemoveColumn);
  ASSERT_EQ(ListEntries(PanelList(session)), (Entries{L"1. city", L"2. age"}));
  SendCommand(session, cmToggleEditMode);
  const HWND grid = session.ListView();
  const RECT cell = CellRect(grid, 0, 1);
  ClickAt(grid, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  TBoxes boxes({IDYES});
  SendCommand(session, cmDeleteColumn);
  ASSERT_EQ(boxes.Seen().size(), 1u) << "the question";
  EXPECT_EQ(ColumnTitles(grid), (Entries{L"name", L"age"}));
  EXPECT_EQ(ListEntries(PanelList(session)), (Entries{L"1. name", L"2. age"}));
}

}  // namespace
}  // namespace qelvar::gui
