// The transform panel: shown and placed, its list and captions, the buttons' edits of the transformation
// with their selection rules, and the grid's transformed view.
#include <algorithm>
#include <string>
#include <vector>

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
            (Entries{L"Up", L"Down", L"+ Add column", L"- Remove column", L"~ Rename column", L"Set all cells",
                     L"Fill empty cells", L"Fill cells with sequence", L"Load transformation (JSON)",
                     L"Save transformation (JSON)", L"Delimiter: ,", L"Number format: original", L"Export CSV",
                     L"Apply to grid"}));
  for (int id = cmTransformUp; id <= cmTransformApplyToGrid; ++id) EXPECT_TRUE(IsShown(PanelButton(session, id))) << id;

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

  SendCommand(session, cmToggleTransformMode);
  EXPECT_FALSE(IsShown(PanelList(session)));
  EXPECT_EQ(RectIn(session.ListView(), session.Viewer()).right, gridBefore.right);
}

}  // namespace
}  // namespace qelvar::gui
