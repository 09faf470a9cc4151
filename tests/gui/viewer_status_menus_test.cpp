// The status bar's popups (encoding, delimiter, comments): where they open, what they check, and the
// reload each choice makes, including a reload that fails; and status parts as wide as their texts.
#include <string>

#include "harness_keys.h"
#include "harness_menus.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerStatusMenusTest = ViewerTest;

RECT PartRect(HWND statusBar, int part) {
  RECT rect{};
  SendMessageW(statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

// Clicks a status part with the answerer alive: the popup that opens is recorded and answered.
void ClickPart(HWND statusBar, int part) {
  const RECT rect = PartRect(statusBar, part);
  ClickAt(statusBar, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PumpPending();
}

// The popup of a status part, seen and closed (empty when none opened).
TMenuSeen PopupOf(HWND statusBar, int part) {
  TMenuAnswerer answerer;
  ClickPart(statusBar, part);
  return answerer.Menus().empty() ? TMenuSeen{} : answerer.Menus()[0];
}

// Chooses `id` in the popup of `part`.
void Choose(HWND statusBar, int part, UINT id) {
  TMenuAnswerer answerer(id);
  ClickPart(statusBar, part);
}

std::vector<std::wstring> CheckedTexts(const TMenuSeen& menu) {
  std::vector<std::wstring> checked;
  for (const TMenuItemSeen& item : menu.items)
    if (item.checked) checked.push_back(item.text);
  return checked;
}

std::vector<std::wstring> Texts(const TMenuSeen& menu) {
  std::vector<std::wstring> texts;
  for (const TMenuItemSeen& item : menu.items) texts.push_back(item.text);
  return texts;
}

TEST_F(ViewerStatusMenusTest, EachPopupOpensAboveItsPartWithWhatIsInUseChecked) {
  const std::wstring path = WriteTempFile(L"semicolons.csv", "# note\r\na;b\r\n1;2\r\n");
  struct Case {
    const char* settings;
    std::vector<std::wstring> delimiterChecked;
    std::vector<std::wstring> commentsChecked;
  };
  const Case cases[] = {
      // Detected: only Auto is checked, whatever was found.
      {"", {L"Auto"}, {L"Parse normally"}},
      {"default-column-delimiter=;\nskip-comments=2\n", {L";"}, {L"Hide"}},
      {"default-column-delimiter=\"\t\"\nskip-comments=1\n", {L"TAB"}, {L"Do not parse"}},
      {"skip-comments=3\n", {L"Auto"}, {L"Auto"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    SetSettings(c.settings);
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const HWND bar = session.StatusBar();

    const TMenuSeen encodings = PopupOf(bar, 0);
    EXPECT_EQ(Texts(encodings), (std::vector<std::wstring>{L"ANSI", L"UTF-8", L"UTF-16LE", L"UTF-16BE"}));
    EXPECT_EQ(CheckedTexts(encodings), std::vector<std::wstring>{L"UTF-8"});
    // Its bottom-left corner at the part's top-left corner.
    RECT part = PartRect(bar, 0);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&part), 2);
    EXPECT_EQ(encodings.window.left, part.left);
    EXPECT_EQ(encodings.window.bottom, part.top);

    const TMenuSeen delimiters = PopupOf(bar, 1);
    EXPECT_EQ(Texts(delimiters), (std::vector<std::wstring>{L"Auto", L",", L";", L"|", L"TAB", L":"}));
    EXPECT_EQ(CheckedTexts(delimiters), c.delimiterChecked);
    RECT delimiterPart = PartRect(bar, 1);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&delimiterPart), 2);
    EXPECT_EQ(delimiters.window.left, delimiterPart.left);

    const TMenuSeen comments = PopupOf(bar, 2);
    EXPECT_EQ(Texts(comments), (std::vector<std::wstring>{L"Auto", L"Parse normally", L"Do not parse", L"Hide"}));
    EXPECT_EQ(CheckedTexts(comments), c.commentsChecked);

    EXPECT_TRUE(PopupOf(bar, 3).items.empty()) << "the row count has no popup";
    EXPECT_TRUE(PopupOf(bar, 4).items.empty());
  }
}

TEST_F(ViewerStatusMenusTest, ARightClickOpensThePopupToo) {
  TViewerSession session(WriteTempFile(L"right.csv", "a,b\r\n1,2\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  TMenuAnswerer answerer;
  const RECT rect = PartRect(session.StatusBar(), 1);
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  PostMessageW(session.StatusBar(), WM_RBUTTONUP, 0, point);
  SendMessageW(session.StatusBar(), WM_RBUTTONDOWN, MK_RBUTTON, point);
  PumpPending();
  ASSERT_EQ(answerer.Menus().size(), 1u);
  EXPECT_EQ(answerer.Menus()[0].items.size(), 6u);
}

TEST_F(ViewerStatusMenusTest, AnEncodingChoiceRereadsTheFileAndBack) {
  const std::string bytes = "name\r\ncaf\xC3\xA9\r\n";
  TViewerSession session(WriteTempFile(L"cafe.csv", bytes));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND bar = session.StatusBar();
  EXPECT_EQ(CellText(session.ListView(), 0, 0), L"caf\u00E9");

  Choose(bar, 0, cmEncodingAnsi);
  // The two bytes of "é" read in the ANSI code page ("Ã©" in Windows-1252).
  wchar_t ansi[8] = {};
  MultiByteToWideChar(CP_ACP, 0, "caf\xC3\xA9", 5, ansi, 8);
  EXPECT_EQ(CellText(session.ListView(), 0, 0), ansi);
  if (GetACP() == 1252) {
    EXPECT_EQ(CellText(session.ListView(), 0, 0), L"caf\u00C3\u00A9");
  }
  EXPECT_EQ(StatusPart(bar, 0), L" ANSI");
  EXPECT_EQ(CheckedTexts(PopupOf(bar, 0)), std::vector<std::wstring>{L"ANSI"});

  Choose(bar, 0, cmEncodingUtf8);
  EXPECT_EQ(CellText(session.ListView(), 0, 0), L"caf\u00E9");
  EXPECT_EQ(StatusPart(bar, 0), L" UTF-8");
}

TEST_F(ViewerStatusMenusTest, DelimiterAndCommentChoicesRereadTheFile) {
  TViewerSession session(WriteTempFile(L"mixed.csv", "# comment\r\na;b,c\r\n1;2,3\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND bar = session.StatusBar();
  const HWND list = session.ListView();
  // A tie goes to the comma.
  EXPECT_EQ(StatusPart(bar, 1), L" Delimiter: Auto (,)");

  Choose(bar, 1, cmDelimiterSemicolon);
  EXPECT_EQ(StatusPart(bar, 1), L" Delimiter: ;");
  EXPECT_EQ(RowTexts(list, 1), (std::vector<std::wstring>{L"1", L"2,3"}));

  Choose(bar, 2, cmCommentsHide);
  EXPECT_EQ(StatusPart(bar, 2), L" Comments: hidden (1)");
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"a", L"b,c"}));
  EXPECT_EQ(ItemCount(list), 1);
  EXPECT_EQ(StatusPart(bar, 1), L" Delimiter: ;") << "the delimiter choice stays";
  // The filter row follows the new columns.
  EXPECT_TRUE(IsShown(session.FilterEdit(1)));

  Choose(bar, 1, cmDelimiterAuto);
  EXPECT_EQ(StatusPart(bar, 1), L" Delimiter: Auto (,)");
  Choose(bar, 2, cmCommentsAuto);
  EXPECT_EQ(StatusPart(bar, 2), L" Comments: auto (1)");
}

// The same columns after the reload: the view stays as it was, the filter included.
TEST_F(ViewerStatusMenusTest, AReloadKeepsHiddenColumnsTheLineNumberWidthTheFilterAndTheSelectedRecords) {
  SetSettings("show-line-numbers=1\n");
  TViewerSession session(
      WriteTempFile(L"keep.csv", "name,city,age\r\nAnna,Paris,31\r\nBen,Berlin,45\r\nCleo,Rome,27\r\nDan,Paris,52\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ListView_SetColumnWidth(list, 0, 77);
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 3);
  }
  TypeText(session.FilterEdit(2), L"Paris");
  ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
  ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);  // Anna and Dan

  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmEncodingUtf8, 0), 0);
  EXPECT_EQ(ItemCount(list), 2) << "the filter stays";
  EXPECT_EQ(WindowText(session.FilterEdit(2)), L"Paris");
  EXPECT_EQ(SelectedItems(list), (std::vector<int>{0, 1})) << "the same records";
  EXPECT_EQ(ColumnWidth(list, 0), 77);
  EXPECT_EQ(ColumnWidth(list, 3), 0);
  EXPECT_EQ(StatusPart(session.StatusBar(), 4), L" Selected: 2 rows, 2 columns") << "no current cell";
}

TEST_F(ViewerStatusMenusTest, AFailedReloadKeepsTheGridAndTheChoicesAndShowsOneBox) {
  SetSettings("max-file-size=100\n");
  const std::wstring path = WriteTempFile(L"grows.csv", "a,b\r\n1,2\r\n3,4\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND bar = session.StatusBar();
  const HWND list = session.ListView();
  ASSERT_TRUE(WriteFileBytes(path, "a;b\r\n" + std::string(200, 'x') + "\r\n"));

  // Filter text typed just before the choice is still applied afterwards.
  TypeText(session.FilterEdit(0), L"3");
  {
    TMessageBoxAnswerer boxes(IDOK);
    Choose(bar, 1, cmDelimiterSemicolon);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, L"qelvar");
    EXPECT_EQ(boxes.Boxes()[0].text,
              L"The file could not be loaded because it exceeds the configured size limit.\r\n"
              L"File size: 207 bytes\r\nLimit: 100 bytes");
  }
  EXPECT_EQ(ColumnTitles(list), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(StatusPart(bar, 1), L" Delimiter: Auto (,)");
  EXPECT_EQ(CheckedTexts(PopupOf(bar, 1)), std::vector<std::wstring>{L"Auto"});
  EXPECT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }, 2000)) << "the typed filter was dropped";
  EXPECT_EQ(CellText(list, 0, 0), L"3");
}

// The reason of an earlier failed load (of any viewer) must not be given for this one.
TEST_F(ViewerStatusMenusTest, AReloadOfAVanishedFileSaysSoWithoutAnEarlierReason) {
  const std::wstring path = WriteTempFile(L"vanishes.csv", "a,b\r\n1,2\r\n");
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  {
    SetSettings("max-file-size=3\n");
    TMessageBoxAnswerer boxes(IDOK);
    TViewerSession tooLarge(WriteTempFile(L"large.csv", "a,b\r\n1,2\r\n"));
    ASSERT_TRUE(tooLarge.WaitGone());
    ResetSettings();
  }
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  TMessageBoxAnswerer boxes(IDOK);
  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(cmEncodingUtf16Le, 0), 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"The file could not be reloaded.");
  EXPECT_EQ(StatusPart(session.StatusBar(), 0), L" UTF-8");
  EXPECT_EQ(CheckedTexts(PopupOf(session.StatusBar(), 0)), std::vector<std::wstring>{L"UTF-8"});
}

// At the default 16 pt the parts of fixed width cut their own texts ("Comments: parsed normall..."), and
// the German, Ukrainian and Russian texts lost more.
TEST_F(ViewerStatusMenusTest, StatusPartsAreWideEnoughForTheirTexts) {
  const std::wstring path = WriteTempFile(L"parts.csv", "a,b\r\n1,2\r\n");
  for (const char* language : {"English", "German", "Ukrainian", "Russian"}) {
    for (const int wheelTurns : {0, 6}) {
      SCOPED_TRACE(std::string(language) + " after " + std::to_string(wheelTurns) + " zoom steps");
      SetSettings(std::string("language=") + language + "\nskip-comments=0\n");
      TViewerSession session(path, 0, 1200, 500);
      ASSERT_TRUE(session.WaitLoaded());
      const HWND bar = session.StatusBar();
      for (int i = 0; i < wheelTurns; ++i) SendMessageW(bar, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
      const HDC dc = GetDC(bar);
      const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(bar, WM_GETFONT, 0, 0)));
      for (int part = 0; part < 4; ++part) {
        const std::wstring text = StatusPart(bar, static_cast<std::size_t>(part));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        const RECT rect = PartRect(bar, part);
        // The text is painted 4 pixels in.
        EXPECT_GE(rect.right - rect.left, size.cx + 4) << "part " << part << ": " << Utf8(text);
      }
      SelectObject(dc, previous);
      ReleaseDC(bar, dc);
      if (wheelTurns == 0 && std::string(language) == "English") {
        // A short text keeps the part's own width: 110 at 13-pixel text, scaled to the 21-pixel font.
        EXPECT_EQ(StatusPartEdges(bar)[0], 110 * 21 / 13);
      }
      EXPECT_EQ(StatusPartEdges(bar).back(), -1) << "the last part takes the rest";
    }
  }
}

}  // namespace
}  // namespace qelvar::gui
