// The viewer's lifetime against a host that destroys it at any moment (while it shows a message box, before
// and after its deferred load, during background decoding), how it is recognised through the exports, and
// commands reaching the one dispatcher.
#include <memory>
#include <string>

#include "edit_test_support.h"
#include "harness_keys.h"
#include "harness_menus.h"
#include "plugin_imports.h"
#include "win/threads.h"

namespace qelvar::gui {
namespace {

using ViewerLifetimeTest = ViewerTest;

HFONT GridFont(HWND viewer) {
  return reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(viewer, kListViewId), WM_GETFONT, 0, 0));
}

// ---- a message box's modal loop -----------------------------------------------------------------------

// What a thread timer saw and did while the viewer's error box was up.
struct TBoxWatch {
  HWND host = nullptr;
  HWND viewer = nullptr;
  HFONT font = nullptr;
  HWND box = nullptr;
  bool viewerWindowGone = false;  // right after the host was destroyed, inside the box's loop
  bool fontAlive = false;         // likewise: the viewer object (which owns the font) not yet freed
};
TBoxWatch& Watch() {
  static TBoxWatch watch;
  return watch;
}

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  if (!TDialogAnswerer::IsDialog(window) || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Runs inside the box's modal loop, which dispatches thread timers.
void CALLBACK DestroyTheHostOnceTheBoxIsUp(HWND, UINT, UINT_PTR, DWORD) {
  TBoxWatch& watch = Watch();
  if (watch.box != nullptr) return;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&watch.box));
  if (watch.box == nullptr) return;
  DestroyWindow(watch.host);
  watch.viewerWindowGone = !IsWindow(watch.viewer);
  watch.fontAlive = GetObjectType(watch.font) != 0;
}

TEST_F(ViewerLifetimeTest, DestroyingTheHostWhileTheErrorBoxIsUpFreesTheViewerOnlyAfterTheBox) {
  TPluginObjects objects;
  ASSERT_TRUE(objects.Installed());
  auto host = std::make_unique<THostWindow>();
  std::wstring missing = TempDir() + L"\\no-such-file.csv";
  Watch() = TBoxWatch{};
  Watch().host = host->Handle();
  Watch().viewer = Plugin().listLoadW(host->Handle(), missing.data(), 0);
  ASSERT_NE(Watch().viewer, nullptr);
  Watch().font = GridFont(Watch().viewer);
  ASSERT_NE(GetObjectType(Watch().font), 0u);

  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &DestroyTheHostOnceTheBoxIsUp);
  const bool boxCame = PumpUntil([] { return Watch().box != nullptr; });
  // The box goes with its owner; should it stay, it is closed, so that the run goes on.
  const bool boxWent = PumpUntil([] { return !IsWindow(Watch().box); }, 3000);
  if (!boxWent) PostMessageW(Watch().box, WM_COMMAND, IDOK, 0);
  PumpFor(100);
  KillTimer(nullptr, timer);

  ASSERT_TRUE(boxCame) << "the failed load showed no error box";
  EXPECT_TRUE(boxWent) << "the error box outlived its owner";
  EXPECT_TRUE(Watch().viewerWindowGone);
  EXPECT_TRUE(Watch().fontAlive) << "the viewer was freed while its handler still showed the box";
  EXPECT_EQ(GetObjectType(Watch().font), 0u) << "the viewer was never freed";
  EXPECT_EQ(objects.LiveGdiObjects(), 0u);
  EXPECT_EQ(objects.OpenDCs(), 0);
  HWND stray = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&stray));
  EXPECT_EQ(stray, nullptr) << "a second box appeared";
}

// ---- a user flipping through a folder ---------------------------------------------------------------------

// About `bytes` of quoted rows: every value needs decoding, so background decoding runs long after the load.
std::string QuotedTable(std::size_t bytes) {
  std::string text = "id,name,amount,city,note\r\n";
  text.reserve(bytes + 128);
  for (int i = 1; text.size() < bytes; ++i) {
    const std::string n = std::to_string(i);
    text += "\"" + n + "\",\"name " + n + "\",\"" + n + ".5\",\"city, " + n + "\",\"say \"\"" + n + "\"\"\"\r\n";
  }
  return text;
}

// Ten megabytes load in the background: half the cycles close the viewer while its worker still reads.
TEST_F(ViewerLifetimeTest, AHundredQuickOpenAndCloseCyclesOnATenMegabyteFileLeaveNothingBehind) {
  std::wstring path = WriteTempFile(L"ten-megabytes.csv", QuotedTable(10 * 1000 * 1000));
  {
    // What lives as long as the process (the window class, the system's cached fonts) exists from here on.
    TViewerSession warm(path);
    ASSERT_TRUE(warm.WaitLoaded(60000));
  }
  PumpPending();
  const std::size_t windowsBefore = ThreadWindowCount();
  int threadsAfterFirstRound = -1;
  int workersLeft = 0;
  int loadingSeen = 0;
  TPluginObjects objects;
  ASSERT_TRUE(objects.Installed());

  enum TWay { kCloseBeforeTheLoad, kCloseWhileDecoding, kDestroyParentBeforeTheLoad, kDestroyParentWhileDecoding };
  int decodingSeen = 0;
  for (int cycle = 0; cycle < 100; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    const auto way = static_cast<TWay>(cycle % 4);
    auto host = std::make_unique<THostWindow>(600, 400);
    const HWND viewer = Plugin().listLoadW(host->Handle(), path.data(), 0);
    ASSERT_NE(viewer, nullptr);
    if (way == kCloseWhileDecoding || way == kDestroyParentWhileDecoding) {
      ASSERT_TRUE(PumpUntil([&] { return IsShown(GetDlgItem(viewer, kListViewId)); }, 60000));
      const std::wstring rows = StatusPart(GetDlgItem(viewer, kStatusBarId), 3);
      if (rows.rfind(L" Loading ", 0) == 0) ++loadingSeen;
      if (TimerRuns(viewer, 2, 15)) ++decodingSeen;  // timer 2: background decoding
    }
    if (way == kCloseBeforeTheLoad || way == kCloseWhileDecoding) Plugin().listCloseWindow(viewer);
    else host.reset();
    PumpPending();
    EXPECT_FALSE(IsWindow(viewer));
    // The system makes a helper thread of its own in the first round: the count is taken after it. Then
    // right after each close: the worker must have ended with its viewer, not later.
    if (cycle == 3) {
      PumpFor(1000);
      threadsAfterFirstRound = ProcessThreadCount();
    } else if (cycle > 3 && ProcessThreadCount() > threadsAfterFirstRound) {
      ++workersLeft;
    }
  }
  PumpFor(50);

  EXPECT_EQ(decodingSeen, 50) << "the viewer was not closed during background decoding";
  EXPECT_GE(loadingSeen, 25) << "the viewer was not closed while the rest of the file was read";
  EXPECT_EQ(workersLeft, 0) << "a load's worker outlived its viewer";
  EXPECT_GE(objects.CreatedGdiObjects(), 400u) << "the counting did not see the viewers' fonts and brushes";
  EXPECT_EQ(objects.LiveGdiObjects(), 0u);
  EXPECT_EQ(objects.OpenDCs(), 0);
  EXPECT_GE(objects.Windows().size(), 500u);
  for (const HWND window : objects.Windows()) EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
}

// ---- a user editing file after file ----------------------------------------------------------------------

// Open, edit, zoom, open the grid's menu, then close with the edit unsaved and answer Yes, No or Cancel
// (then No): every cycle's fonts, brushes, windows (with their timers) and recovery files must go with it.
// The freed-memory run (gui-freed-memory) repeats it with every freed block filled.
TEST_F(ViewerLifetimeTest, AHundredEditZoomMenuAndCloseCyclesLeaveNothingBehind) {
  SetSettings("start-mode=editor\n");
  const TTempFolderOverride temp(L"stress");
  const std::wstring path = WriteTempFile(L"stress.csv", "name,city\r\nalpha,Oslo\r\nbeta,Wien\r\n");
  {
    TViewerSession warm(path);
    ASSERT_TRUE(warm.WaitLoaded());
  }
  PumpPending();
  const std::size_t windowsBefore = ThreadWindowCount();
  TPluginObjects objects;
  ASSERT_TRUE(objects.Installed());
  int menusSeen = 0;
  for (int cycle = 0; cycle < 100; ++cycle) {
    SCOPED_TRACE("cycle " + std::to_string(cycle));
    auto session = std::make_unique<TViewerSession>(path);
    ASSERT_TRUE(session->WaitLoaded());
    const HWND viewer = session->Viewer();
    const HWND list = session->ListView();
    const std::wstring value = L"v" + std::to_wstring(cycle);
    EditCell(list, 0, 1, value);
    const HFONT unzoomed = GridFont(viewer);
    {
      TModifierKeys ctrl({VK_CONTROL});
      PostKey(list, cycle % 2 == 0 ? VK_ADD : VK_SUBTRACT);
    }
    ASSERT_NE(GridFont(viewer), unzoomed) << "the zoom did not take";
    {
      TMenuAnswerer menu;  // closed without a choice
      const RECT cell = CellRect(list, 0, 1);
      POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
      ClientToScreen(list, &at);
      SendMessageW(viewer, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
      menusSeen += static_cast<int>(menu.Menus().size());
    }
    const int way = cycle % 3;  // 0: Yes, 1: No, 2: Cancel and then No
    {
      TBoxes boxes({way == 0 ? IDYES : way == 1 ? IDNO : IDCANCEL, IDNO});
      if (way == 2) {
        SendMessageW(viewer, WM_CLOSE, 0, 0);
        PumpPending();
        ASSERT_TRUE(IsWindow(viewer)) << "Cancel closed the viewer";
      }
      session->Close();
      PumpPending();
      EXPECT_EQ(boxes.Seen().size(), way == 2 ? 2u : 1u) << Utf8(boxes.Texts());
    }
    EXPECT_FALSE(IsWindow(viewer));
    const bool saved = ReadFileBytes(path).find(Utf8(value)) != std::string::npos;
    EXPECT_EQ(saved, way == 0);
    session.reset();
  }
  PumpFor(50);
  EXPECT_EQ(menusSeen, 100) << "the menus were not opened";
  EXPECT_GE(objects.CreatedGdiObjects(), 300u) << "the counting did not see the viewers' fonts and brushes";
  EXPECT_EQ(objects.LiveGdiObjects(), 0u);
  EXPECT_EQ(objects.OpenDCs(), 0);
  for (const HWND window : objects.Windows()) EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
  EXPECT_EQ(temp.Files(), std::vector<std::wstring>{}) << "a recovery file was left";
}

// ---- how the exports find the viewer ---------------------------------------------------------------------

WNDPROC& ViewersOwnProcedure() {
  static WNDPROC procedure = nullptr;
  return procedure;
}

LRESULT CALLBACK AnotherSubclasser(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(ViewersOwnProcedure(), window, message, wParam, lParam);
}

TEST_F(ViewerLifetimeTest, AViewerSubclassedByAnotherProgramIsStillRecognised) {
  SetSettings("theme-mode=tc\n");
  TViewerSession session(WriteTempFile(L"subclassed.csv", "name\r\nalpha\r\nbeta\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  const HFONT font = GridFont(session.Viewer());
  // Another program (an accessibility tool, a part of the host) puts its procedure in front of the viewer's.
  ViewersOwnProcedure() = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      session.Viewer(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AnotherSubclasser)));

  EXPECT_EQ(Search(session.Viewer(), L"beta", lcs_findfirst), 1);
  EXPECT_EQ(SelectedItems(list), std::vector<int>{1});
  const auto background = [&] { return static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)); };
  const COLORREF light = background();
  Plugin().listSendCommand(session.Viewer(), lc_newparams, lcp_darkmode);
  EXPECT_NE(background(), light) << "new display parameters did not reach the viewer";

  EXPECT_TRUE(session.Close());
  EXPECT_EQ(GetObjectType(font), 0u);
}

// ---- commands ---------------------------------------------------------------------------------------------

// Sent without pumping: the first case needs the deferred load not to have run.
LRESULT SendCommandWithoutPumping(HWND viewer, int id) {
  return SendMessageW(viewer, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

TEST_F(ViewerLifetimeTest, CommandsReachTheDispatcherThroughWmCommand) {
  const std::wstring path = WriteTempFile(L"commands.csv", "name,city,note\r\nalpha,Oslo,one\r\nbeta,Wien,two\r\n");
  {
    // Before the grid is shown no command acts (nothing is pumped, so the deferred load has not run).
    THostWindow host;
    std::wstring file = path;
    const HWND viewer = Plugin().listLoadW(host.Handle(), file.data(), 0);
    ASSERT_NE(viewer, nullptr);
    SendCommandWithoutPumping(viewer, cmThemeDark);
    EXPECT_EQ(ReadFileBytes(SettingsPath()).find("theme-mode"), std::string::npos);
    Plugin().listCloseWindow(viewer);
  }
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  ClickCell(list, 0, 1);
  const int cityWidth = ColumnWidth(list, 1);
  ASSERT_GT(cityWidth, 0);

  SendCommandWithoutPumping(session.Viewer(), cmHideColumn);
  EXPECT_EQ(ColumnWidth(list, 1), 0);
  SendCommandWithoutPumping(session.Viewer(), cmShowAllColumns);
  EXPECT_EQ(ColumnWidth(list, 1), cityWidth);

  const auto background = [&] { return static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)); };
  struct Theme {
    int command;
    const char* written;
    COLORREF back;
  };
  const Theme themes[] = {{cmThemeDark, "theme-mode=dark", 0x202020},
                          {cmThemeLight, "theme-mode=light", 0xFFFFFF},
                          {cmThemeTc, "theme-mode=tc", 0xFFFFFF}};
  for (const Theme& t : themes) {
    SCOPED_TRACE(t.written);
    SendCommandWithoutPumping(session.Viewer(), t.command);
    EXPECT_NE(ReadFileBytes(SettingsPath()).find(t.written), std::string::npos);
    EXPECT_EQ(background(), t.back);
  }
}

}  // namespace
}  // namespace qelvar::gui
