// What the grid looks like: row and selection colours, themes and the host's dark mode, line numbers,
// numbers aligned on their decimal separator, and screenshots of a realistic file for people.
#include <cstdlib>
#include <string>

#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kLightGrey = 0xF0F0F0;
constexpr COLORREF kCurrentCell = 0xA66046;
constexpr COLORREF kSelection = 0x6A240A;
constexpr COLORREF kHeaderLight = 0xCCCCCC;
constexpr COLORREF kBackDark = 0x202020;
constexpr COLORREF kBackDark2 = 0x343434;
constexpr COLORREF kHeaderDark = 0x3C3C3C;

constexpr char kWords[] =
    "name,city,note\r\nalpha,x,one\r\nbeta,y,two\r\ngamma,z,three\r\ndelta,w,four\r\n";

// The background of the first row and of the header, as painted.
struct TThemePixels {
  COLORREF row0;
  COLORREF row1;
  COLORREF header;
};
TThemePixels ThemePixels(TViewerSession& session) {
  const TCapture grid = CaptureWindow(session.ListView());
  const TCapture header = CaptureWindow(session.Header());
  return {CellBackground(grid, CellRect(session.ListView(), 0, 0)),
          CellBackground(grid, CellRect(session.ListView(), 1, 0)), header.At(2, 2)};
}

using ViewerRenderTest = ViewerTest;

TEST_F(ViewerRenderTest, RowsAlternateAndTheCurrentCellStandsOutOfTheSelectedRow) {
  TViewerSession session(WriteTempFile(L"words.csv", kWords));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  TCapture shot = CaptureWindow(list);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 0, 0)), kWhite);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 1, 0)), kLightGrey);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 2, 2)), kWhite);

  ClickCell(list, 2, 1);
  EXPECT_EQ(SelectedItems(list), std::vector<int>{2});
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" 3:2");
  shot = CaptureWindow(list);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 2, 1)), kCurrentCell);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 2, 0)), kSelection);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 2, 2)), kSelection);
  EXPECT_EQ(CellBackground(shot, CellRect(list, 3, 1)), kLightGrey);
}

TEST_F(ViewerRenderTest, TheThemeFollowsTheSettingsAndTheHostsDarkFlag) {
  const std::wstring path = WriteTempFile(L"theme.csv", kWords);
  struct Case {
    const char* settings;
    int showFlags;
    bool dark;
  };
  const Case cases[] = {
      {"", 0x80, false},                             // no theme-mode, no dark-theme: light
      {"dark-theme=1\n", 0, true},                   // the older switch
      {"theme-mode=dark\n", 0, true},
      {"theme-mode=  LIGHT \ndark-theme=1\n", 0x80, false},
      {"theme-mode=1\n", 0, true},
      {"theme-mode=0\n", 0x80, false},
      {"theme-mode= Total Commander \n", 0x80, true},  // follows the host
      {"theme-mode=system\n", 0, false},
      {"theme-mode=Auto\n", 0x80, true},
      {"theme-mode=tc\n", 0x10, false},
      {"theme-mode=purple\n", 0x80, true},            // unknown words follow the host
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.settings) + " flags " + std::to_string(c.showFlags));
    SetSettings(c.settings);
    TViewerSession session(path, c.showFlags);
    ASSERT_TRUE(session.WaitLoaded());
    const TThemePixels pixels = ThemePixels(session);
    EXPECT_EQ(pixels.row0, c.dark ? kBackDark : kWhite);
    EXPECT_EQ(pixels.row1, c.dark ? kBackDark2 : kLightGrey);
    EXPECT_EQ(pixels.header, c.dark ? kHeaderDark : kHeaderLight);
  }
}

TEST_F(ViewerRenderTest, OnlyTheHostFollowingThemeReactsToNewDisplayParameters) {
  const std::wstring path = WriteTempFile(L"tc.csv", kWords);
  struct Step {
    int command;
    int parameter;
    bool darkInTc;  // the expected theme when theme-mode is "tc"
  };
  const Step steps[] = {
      // Copy and select all (1, 3) act on the grid, not the theme (the copy tests): set percent stands for them.
      {2, 0x80, true}, {4, 0, true}, {2, 0x180, true}, {2, 0x100, false}, {2, 0, false},
  };
  for (const char* mode : {"tc", "light", "dark"}) {
    SCOPED_TRACE(mode);
    SetSettings(std::string("theme-mode=") + mode + "\n");
    TViewerSession session(path, 0);
    ASSERT_TRUE(session.WaitLoaded());
    for (const Step& s : steps) {
      SCOPED_TRACE("command " + std::to_string(s.command) + " parameter " + std::to_string(s.parameter));
      EXPECT_EQ(Plugin().listSendCommand(session.Viewer(), s.command, s.parameter), 0);
      PumpPending();
      const bool dark = std::string(mode) == "dark" || (std::string(mode) == "tc" && s.darkInTc);
      EXPECT_EQ(ThemePixels(session).row0, dark ? kBackDark : kWhite);
    }
  }
}

TEST_F(ViewerRenderTest, LineNumbersCountTheRowsInViewOrder) {
  SetSettings("show-line-numbers=1\n");
  TViewerSession session(WriteTempFile(L"numbers.csv", "letter,n\r\nc,3\r\na,1\r\nb,2\r\nab,12\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"#", L"letter", L"n"}));
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));
  EXPECT_EQ(session.FilterEdit(0), nullptr) << "no filter box over the line numbers";
  const TCapture shot = CaptureWindow(list);
  EXPECT_EQ(shot.At(CellRect(list, 1, 0).left + 2, CellRect(list, 1, 0).top + 2), COLORREF{0xE6E6E6});

  ClickColumnHeader(list, 1);
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"a", L"ab", L"b", L"c"}));
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"1", L"2", L"3", L"4"}));

  // A click on the line-number column sorts nothing.
  ClickColumnHeader(list, 0);
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"a", L"ab", L"b", L"c"}));
  EXPECT_EQ(SortArrow(session.Header(), 1), 1);

  TypeText(session.FilterEdit(1), L"b");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::wstring>{L"ab", L"b"}));
  EXPECT_EQ(ColumnTexts(list, 0), (std::vector<std::wstring>{L"1", L"2"}));
}

// One column of numbers in several forms; the rows are addressed by their text below.
// Rows compared with each other share a parity, so that they share a background.
constexpr char kNumbers[] =
    "value;label\r\n300;a\r\n-7;b\r\n1.5;c\r\n10,25;d\r\n300.5;e\r\n7,25;f\r\n1.2.3;g\r\n.5;h\r\n";
enum NumberRow { r300, rMinus7, r1_5, r10_25, r300_5, r7_25, r1_2_3, rDot5 };

TEST_F(ViewerRenderTest, NumbersAlignOnTheirDecimalSeparator) {
  TViewerSession session(WriteTempFile(L"aligned.csv", kNumbers));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const TCapture shot = CaptureWindow(list);
  const auto ink = [&](int row) { return InkOf(shot, CellRect(list, row, 0)); };

  // Integers end on the common edge; separators start there, so equal tails end equally.
  EXPECT_LE(std::abs(ink(r300).right - ink(rMinus7).right), 2);
  EXPECT_EQ(ink(r1_5).right, ink(r300_5).right);
  EXPECT_EQ(ink(r10_25).right, ink(r7_25).right);
  EXPECT_GT(ink(r1_5).right, ink(r300).right + 2);
  EXPECT_GT(ink(rMinus7).left, ink(r300).left + 5);
  // Texts that are not numbers of these forms are drawn as the list view draws them: at the left.
  EXPECT_LE(std::abs(ink(r1_2_3).left - ink(rDot5).left), 3);
  EXPECT_LT(ink(r1_2_3).left, ink(rMinus7).left - 5);
  EXPECT_LE(std::abs(ink(r1_2_3).left - ink(r300).left), 3);

  // The skipped default drawing leaves the grid lines to the viewer.
  const RECT cell = CellRect(list, r1_5, 0);
  EXPECT_EQ(shot.At(cell.right - 1, (cell.top + cell.bottom) / 2), GetSysColor(COLOR_BTNFACE));
}

// The width of a text in the grid's font.
int GridTextWidth(HWND listView, const std::wstring& text) {
  const HDC dc = GetDC(listView);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(listView, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(listView, dc);
  return size.cx;
}

// Regression: the alignment's integer width was measured on sampled rows only, so a wider value later in
// the file, or any value in a column too narrow for the alignment, lost digits and read as another number
// (123456789.5 was drawn as 9.5).
TEST_F(ViewerRenderTest, ANumberIsNeverDrawnWithMissingDigits) {
  struct Case {
    const char* name;
    const char* settings;
    std::string csv;
    bool narrow;  // the column is made just wide enough for 1234567
    int row;
    std::wstring text;
    bool cut;         // too wide for the column: drawn from its first digit, cut before the margin
    int alignedWith;  // a row whose number (with the same fraction) ends at the same edge, or -1
  };
  const std::string late = "amount in euros and cents\r\n1.5\r\n2.5\r\n123456789.5\r\n4.5\r\n3.5\r\n";
  const std::string mixed = "n\r\n12345678901234567890\r\n1234567\r\n1.5\r\n";
  const Case cases[] = {
      {"a wider value between the samples", "max-column-samples=2\n", late, false, 2, L"123456789.5", false,
       0},
      {"a column narrower than the alignment", "", mixed, true, 1, L"1234567", false, -1},
      {"a number wider than its column", "", mixed, true, 0, L"12345678901234567890", true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(c.settings);
    TViewerSession session(WriteTempFile(L"digits.csv", c.csv));
    ASSERT_TRUE(session.WaitLoaded());
    const HWND list = session.ListView();
    if (c.narrow) {
      // Margins of 6 pixels and 4 to spare; the alignment, measured on the long number, is far wider.
      SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(GridTextWidth(list, L"1234567") + 16, 0));
      PumpPending();
    }
    const TCapture shot = CaptureWindow(list);
    const RECT cell = CellRect(list, c.row, 0);
    const TInk ink = InkOf(shot, cell);
    ASSERT_GE(ink.left, 0) << "nothing drawn";
    EXPECT_GE(ink.left, cell.left + 3) << "cut at the cell's left edge";
    if (c.cut) {
      EXPECT_LE(ink.left, cell.left + 9) << "the first digits are shown";
      EXPECT_LT(ink.right, cell.right - 4) << "cut within the cell, where the ellipsis shows it";
    } else {
      EXPECT_GE(ink.right - ink.left + 1, GridTextWidth(list, c.text) - 4) << "digits are missing";
    }
    if (c.alignedWith >= 0) {
      EXPECT_EQ(ink.right, InkOf(shot, CellRect(list, c.alignedWith, 0)).right) << "not aligned";
    }
  }
}

TEST_F(ViewerRenderTest, WithoutDecimalAlignmentOrGridLinesNumbersAreDrawnPlainly) {
  const std::wstring path = WriteTempFile(L"plain.csv", kNumbers);
  SetSettings("decimal-align=0\n");
  {
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const TCapture shot = CaptureWindow(session.ListView());
    const auto ink = [&](int row) { return InkOf(shot, CellRect(session.ListView(), row, 0)); };
    EXPECT_LE(std::abs(ink(r300).left - ink(rMinus7).left), 3);
    EXPECT_LT(ink(rMinus7).right, ink(r300).right - 5);
  }
  SetSettings("disable-grid-lines=1\n");
  {
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const TCapture shot = CaptureWindow(session.ListView());
    const RECT cell = CellRect(session.ListView(), r10_25, 0);  // an odd row: the second background
    EXPECT_EQ(shot.At(cell.right - 1, (cell.top + cell.bottom) / 2), kLightGrey);
    EXPECT_EQ(shot.At(cell.right - 8, cell.bottom - 1), kLightGrey);
  }
}

// A realistic file for the screenshots in the build folder (the README shows one of them).
constexpr char kCountries[] =
    "Country;Capital;Population;Area km\xC2\xB2;Density;Note\r\n"
    "Germany;Berlin;3677472;891,12;4126,9;\"Capital, largest city\"\r\n"
    "France;Paris;2102650;105,4;19949,2;City of light\r\n"
    "Ukraine;\xD0\x9A\xD0\xB8\xD1\x97\xD0\xB2;2952301;839;3518,8;\xD0\xA1\xD1\x82\xD0\xBE\xD0\xBB\xD0\xB8\xD1\x86\xD1\x8F\r\n"
    "Spain;Madrid;3332035;604,3;5513,9;\"Quoted \"\"text\"\" here\"\r\n"
    "Italy;Rome;2748109;1285;2138,6;Eternal city\r\n"
    "Poland;Warszawa;1861975;517,24;3599,9;\r\n"
    "Austria;Wien;2006134;414,87;4835,6;Danube\r\n"
    "Czechia;Praha;1384732;496;2791,8;Hundred spires\r\n"
    "Sweden;Stockholm;984748;188;5238;Venice of the North\r\n"
    "Portugal;Lisboa;545796;100,05;5455,2;\r\n";

TEST_F(ViewerRenderTest, ScreenshotsOfTheLightAndTheDarkTheme) {
  const std::wstring path = WriteTempFile(L"countries.csv", kCountries);
  CreateDirectoryW(BuildPath(L"screenshots").c_str(), nullptr);
  {
    TViewerSession session(path, 0, 1200, 420);
    ASSERT_TRUE(session.WaitLoaded());
    ClickCell(session.ListView(), 2, 1);
    EXPECT_TRUE(SavePng(CaptureWindow(session.Viewer()), BuildPath(L"screenshots/viewer-light.png")));
  }
  SetSettings("theme-mode=dark\nshow-line-numbers=1\n");
  {
    TViewerSession session(path, 0, 1200, 420);
    ASSERT_TRUE(session.WaitLoaded());
    ClickColumnHeader(session.ListView(), 3);
    ClickColumnHeader(session.ListView(), 3);
    EXPECT_EQ(ColumnTexts(session.ListView(), 1).front(), L"Germany") << "population, descending";
    ClickCell(session.ListView(), 1, 4);
    EXPECT_TRUE(SavePng(CaptureWindow(session.Viewer()), BuildPath(L"screenshots/viewer-dark-sorted.png")));
  }
}

}  // namespace
}  // namespace qelvar::gui
