// What the transform panel looks like: its buttons' colour groups in both themes, read from the pixels,
// and the pictures of the panel for the user guide.
#include <cstdio>
#include <string>

#include "transform_test_support.h"

namespace qelvar::gui {
namespace {

using TransformLookTest = ViewerTest;

struct TGroupColour {
  int id;
  COLORREF light;
  COLORREF dark;
};

// One button of each group with its background, written as red, green, blue.
const TGroupColour kGroups[] = {
    {cmTransformUp, RGB(208, 228, 246), RGB(48, 78, 104)},
    {cmTransformDown, RGB(208, 228, 246), RGB(48, 78, 104)},
    {cmTransformRemoveColumn, RGB(212, 237, 218), RGB(48, 83, 58)},
    {cmTransformEnumerateCells, RGB(255, 242, 204), RGB(91, 76, 37)},
    {cmTransformLoadJson, RGB(228, 216, 244), RGB(74, 58, 96)},
    {cmTransformExportCsv, RGB(210, 236, 240), RGB(43, 78, 84)},
    {cmTransformDelimiter, RGB(210, 236, 240), RGB(43, 78, 84)},
    {cmTransformApplyToGrid, 0, RGB(64, 64, 64)},  // light: the system's button face
};

TEST_F(TransformLookTest, ButtonsWearTheirGroupsColoursInEitherTheme) {
  const std::wstring path = WriteTempFile(L"look.csv", "a,b\r\n1,2\r\n");
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    SetSettings(dark ? "theme-mode=dark\n" : "theme-mode=light\n");
    TViewerSession session(path);
    OpenWithPanel(session);
    for (const TGroupColour& group : kGroups) {
      SCOPED_TRACE(group.id);
      const TCapture shot = CaptureWindow(PanelButton(session, group.id));
      ASSERT_FALSE(shot.Empty());
      const COLORREF expected = dark                                 ? group.dark
                                : group.id == cmTransformApplyToGrid ? GetSysColor(COLOR_BTNFACE)
                                                                     : group.light;
      // Inside the raised edge, left of the centred caption.
      EXPECT_EQ(shot.At(5, shot.height / 2), expected);
      EXPECT_EQ(shot.At(shot.width - 6, 5), expected);
    }
  }
}

TEST_F(TransformLookTest, ThePressedButtonSinksAndTheThemeSwitchRepaintsTheButtons) {
  SetSettings("theme-mode=light\n");
  TViewerSession session(WriteTempFile(L"press.csv", "a,b\r\n1,2\r\n"));
  OpenWithPanel(session);
  const HWND up = PanelButton(session, cmTransformUp);
  const TCapture raised = CaptureWindow(up);
  SendMessageW(up, BM_SETSTATE, TRUE, 0);
  const TCapture sunken = CaptureWindow(up);
  SendMessageW(up, BM_SETSTATE, FALSE, 0);
  // A raised edge is light at the top left, a sunken one dark.
  const auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
  EXPECT_GT(brightness(raised.At(1, 1)), brightness(sunken.At(1, 1)));

  SendCommand(session, cmThemeDark);
  EXPECT_EQ(CaptureWindow(up).At(5, 5), RGB(48, 78, 104));
}

// The user guide's pictures of the panel, a transformation applied to the sample, in both themes.
TEST_F(TransformLookTest, ScreenshotsOfThePanelForTheGuide) {
  for (const bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    SetSettings(dark ? "theme-mode=dark\n" : "theme-mode=light\n");
    TViewerSession session(SourcePath(L"examples/sample.csv"), 0, 1300, 760);
    OpenWithPanel(session);
    const HWND list = PanelList(session);
    Apply(session, 2, L"Client", cmTransformRenameColumn);
    Apply(session, 10, L"", cmTransformRemoveColumn);
    Apply(session, 1, L"", cmTransformRemoveColumn);
    Apply(session, 0, L"Line", cmTransformAddColumn);
    Apply(session, 1, L"", cmTransformEnumerateCells);
    Apply(session, 8, L"none", cmTransformFillEmptyCells);
    Press(session, cmTransformNumberFormat);
    Press(session, cmTransformNumberFormat);
    Press(session, cmTransformApplyToGrid);
    SelectEntry(list, 2);
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    SetInput(session, L"");
    ASSERT_EQ(ColumnTitles(session.ListView())[1], L"Line");
    ASSERT_EQ(CellText(session.ListView(), 1, 1), L"2");
    ASSERT_EQ(WindowText(PanelButton(session, cmTransformApplyToGrid)), L"Reset grid view");

    // Nothing of the panel is cut off: its last button lies inside the window.
    RECT client{};
    GetClientRect(session.Viewer(), &client);
    EXPECT_LE(RectIn(PanelButton(session, cmTransformApplyToGrid), session.Viewer()).bottom,
              RectIn(session.StatusBar(), session.Viewer()).top);

    const TCapture capture = CaptureWindow(session.Host().Handle());
    ASSERT_FALSE(capture.Empty());
    CreateDirectoryW(BuildPath(L"screenshots").c_str(), nullptr);
    const std::wstring file =
        BuildPath(dark ? L"screenshots\\transform-dark.png" : L"screenshots\\transform-light.png");
    ASSERT_TRUE(SavePng(capture, file)) << Utf8(file);
    std::printf("screenshot: %s\n", Utf8(file).c_str());
  }
}

}  // namespace
}  // namespace qelvar::gui
