// The viewer window's life: deferred loading, background decoding, failed loads, keys before the load,
// DPI changes, font zoom, and that closing frees every object.
#include <string>
#include <vector>

#include "harness_keys.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

// `rows` data rows of five quoted columns: every value needs decoding.
std::string QuotedTable(int rows) {
  std::string text = "id,name,amount,city,note\r\n";
  for (int i = 1; i <= rows; ++i) {
    const std::string n = std::to_string(i);
    text += "\"" + n + "\",\"name " + n + "\",\"" + n + ".5\",\"city, " + n + "\",\"say \"\"" + n + "\"\"\"\r\n";
  }
  return text;
}

// The character height of the grid's font (a negative LOGFONT height).
LONG GridFontHeight(HWND listView) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(listView, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

int HeightOf(HWND window) {
  const RECT r = RectIn(window, GetParent(window));
  return r.bottom - r.top;
}

using ViewerLifecycleTest = ViewerTest;

TEST_F(ViewerLifecycleTest, ShowsLoadingFirstThenTheGridAndDecodesTheRestInTheBackground) {
  std::wstring path = WriteTempFile(L"background.csv", QuotedTable(3000));
  THostWindow host(800, 500);
  const HWND viewer = Plugin().listLoadW(host.Handle(), path.data(), 0);
  ASSERT_NE(viewer, nullptr);
  const HWND label = GetDlgItem(viewer, kLoadingLabelId);
  const HWND list = GetDlgItem(viewer, kListViewId);
  const HWND bar = GetDlgItem(viewer, kStatusBarId);

  // Creation returns before the file is read.
  EXPECT_TRUE(IsShown(label));
  EXPECT_FALSE(IsShown(list));
  EXPECT_EQ(WindowText(label), L"Loading...");
  EXPECT_EQ(StatusTexts(bar), (std::vector<std::wstring>{L" Loading...", L"", L"", L"", L""}));
  RECT client{};
  GetClientRect(host.Handle(), &client);
  EXPECT_EQ(RectIn(viewer, host.Handle()).right, client.right);
  EXPECT_EQ(RectIn(viewer, host.Handle()).bottom, client.bottom);

  ASSERT_TRUE(PumpUntil([&] { return IsShown(list) && !IsShown(label); }));
  EXPECT_EQ(ItemCount(list), 3000);
  // The first 1000 rows were decoded while loading, so the rest is still waiting for timer 2.
  EXPECT_TRUE(TimerRuns(viewer, 2, 15));
  // Probing restarts the timer's period, so it is probed only now and then.
  ULONGLONG nextProbe = 0;
  const auto decodingEnded = [&] {
    if (GetTickCount64() < nextProbe) return false;
    nextProbe = GetTickCount64() + 100;
    return !TimerRuns(viewer, 2, 15);
  };
  ASSERT_TRUE(PumpUntil(decodingEnded, 5000)) << "background decoding never ended";
  EXPECT_EQ(RowTexts(list, 2999), (std::vector<std::wstring>{L"3000", L"name 3000", L"3000.5", L"city, 3000",
                                                               L"say \"3000\""}));
  EXPECT_EQ(StatusPart(bar, 3), L" Rows: 3000/3000");

  Plugin().listCloseWindow(viewer);
  EXPECT_FALSE(IsWindow(viewer));
}

// Keys sent within the first half second were never forwarded anyway, so the test could not tell whether
// the loading viewer swallowed them: now they come later, posted and translated as the host's loop does,
// while the load has still not run (its message, posted by the creation, is queued again behind them).
TEST_F(ViewerLifecycleTest, KeysBeforeTheLoadAreSwallowed) {
  std::wstring path = WriteTempFile(L"keys.csv", "a,b\r\n1,2\r\n");
  THostWindow host;
  const HWND viewer = Plugin().listLoadW(host.Handle(), path.data(), 0);
  ASSERT_NE(viewer, nullptr);
  Sleep(600);
  SetFocus(viewer);
  std::vector<MSG> queued;
  for (MSG msg; PeekMessageW(&msg, viewer, WM_USER, 0x7FFF, PM_REMOVE);) queued.push_back(msg);
  ASSERT_FALSE(queued.empty());
  for (const int key : {VK_ESCAPE, VK_F3, int{'N'}, int{'P'}, int{'2'}, VK_DOWN})
    PostMessageW(viewer, WM_KEYDOWN, static_cast<WPARAM>(key), HostKeyData(key));
  for (const MSG& msg : queued) PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  ASSERT_TRUE(PumpUntil([&] { return IsShown(GetDlgItem(viewer, kListViewId)); }));
  PumpPending();
  EXPECT_TRUE(host.PostedKeys().empty());
  EXPECT_EQ(ItemCount(GetDlgItem(viewer, kListViewId)), 1);

  // The same key once the grid is shown reaches the host.
  SetFocus(GetDlgItem(viewer, kListViewId));
  PostKey(GetDlgItem(viewer, kListViewId), VK_ESCAPE);
  ASSERT_EQ(host.PostedKeys().size(), 1u);
  EXPECT_EQ(host.PostedKeys()[0].first, static_cast<WPARAM>(VK_ESCAPE));
  Plugin().listCloseWindow(viewer);
}

TEST_F(ViewerLifecycleTest, AFailedLoadShowsOneErrorBoxAndLeavesNoWindow) {
  const std::wstring openQuote = WriteTempFile(L"open-quote.csv", "a,b\r\n\"never closed,1\r\n");
  struct Case {
    const char* name;
    std::wstring path;
    const char* settings;
    std::wstring message;
  };
  const Case cases[] = {
      {"missing file", TempDir() + L"\\no-such-file.csv", "", L"The file could not be loaded."},
      {"text ends inside quotes", openQuote, "", L"The file could not be loaded."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetSettings(c.settings);
    TMessageBoxAnswerer answerer(IDOK);
    TViewerSession session(c.path);
    ASSERT_NE(session.Viewer(), nullptr) << "the window is created before the file is read";
    EXPECT_TRUE(session.WaitGone());
    PumpFor(100);
    ASSERT_EQ(answerer.Boxes().size(), 1u);
    EXPECT_EQ(answerer.Boxes()[0].caption, L"qelvar");
    EXPECT_EQ(answerer.Boxes()[0].text, c.message);
    EXPECT_EQ(GetWindow(session.Host().Handle(), GW_CHILD), nullptr) << "a child of the host is left";
  }
}

// A plug-in that declines a file lets Lister show the next one: no window, and no box on every F3.
TEST_F(ViewerLifecycleTest, AFileOverTheSizeLimitIsDeclinedWithoutAWindowOrABox) {
  SetSettings("max-file-size=10\n");
  TMessageBoxAnswerer answerer(IDOK);
  TViewerSession session(WriteTempFile(L"large.csv", std::string(100, 'x')));
  EXPECT_EQ(session.Viewer(), nullptr);
  PumpFor(100);
  EXPECT_TRUE(answerer.Boxes().empty());
  EXPECT_EQ(GetWindow(session.Host().Handle(), GW_CHILD), nullptr);
}

// The DPI the system reports for a window while alive. The plug-in asks GetDpiForWindow, which it looks up
// through GetProcAddress; the test points that import at a stand-in, since Wine has no per-monitor DPI.
class TWindowDpi {
 public:
  TWindowDpi() { Dpi() = 96; }
  bool Installed() const { return patch_.Installed(); }
  void Set(UINT dpi) { Dpi() = dpi; }

 private:
  static UINT& Dpi() {
    static UINT dpi = 96;
    return dpi;
  }
  static UINT WINAPI GetDpiForWindow(HWND) { return Dpi(); }
  static FARPROC WINAPI GetProcAddressStandIn(HMODULE module, LPCSTR name) {
    // Names, not ordinals (uxtheme's entries are also looked up by ordinal).
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && std::string_view(name) == "GetDpiForWindow")
      return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&GetDpiForWindow));
    return GetProcAddress(module, name);
  }

  TImportPatch patch_{"kernel32.dll", "GetProcAddress", &GetProcAddressStandIn};
};

// Sent by Windows to child windows around a DPI change of their top-level window (WM_DPICHANGED itself
// reaches top-level windows only); not declared for the targeted Windows version.
constexpr UINT kDpiChangedBeforeParent = 0x02E2;
constexpr UINT kDpiChangedAfterParent = 0x02E3;

TEST_F(ViewerLifecycleTest, ADpiChangeRescalesFontFilterRowAndStatusBar) {
  const std::wstring path = WriteTempFile(L"dpi.csv", "name,value\r\nalpha,1\r\nbeta,2\r\n");
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
  };
  const Case cases[] = {
      // What Windows sends to a child such as the viewer: the DPI is the window's to ask.
      {"a child's notices around its parent's change", kDpiChangedAfterParent, 0},
      // What a host that forwards its own notice sends (the stand-in host does).
      {"the top-level notice, forwarded", WM_DPICHANGED, MAKEWPARAM(192, 192)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TWindowDpi windowDpi;
    ASSERT_TRUE(windowDpi.Installed());
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    const auto fontHeight = [&] {
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(session.ListView(), WM_GETFONT, 0, 0)), sizeof font, &font);
      return font.lfHeight;
    };
    const auto heightOf = [](HWND window) {
      const RECT r = RectIn(window, GetParent(window));
      return r.bottom - r.top;
    };

    // 16 points at 96 DPI: 21 pixels; the filter row is 21 + 8, the status bar at least as high.
    EXPECT_EQ(fontHeight(), -21);
    EXPECT_EQ(heightOf(session.FilterEdit(0)), 29);
    EXPECT_EQ(RectIn(session.ListView(), session.Viewer()).top, 29);
    EXPECT_GE(heightOf(session.StatusBar()), 29);

    windowDpi.Set(192);
    RECT suggested{0, 0, 1800, 1200};
    if (c.message == kDpiChangedAfterParent) {
      SendMessageW(session.Viewer(), kDpiChangedBeforeParent, 0, 0);
      SendMessageW(session.Viewer(), kDpiChangedAfterParent, 0, 0);
    } else {
      SendMessageW(session.Viewer(), c.message, c.wParam, reinterpret_cast<LPARAM>(&suggested));
    }
    PumpPending();
    EXPECT_EQ(fontHeight(), -42);
    EXPECT_EQ(heightOf(session.FilterEdit(0)), 58);
    EXPECT_EQ(RectIn(session.ListView(), session.Viewer()).top, 58);
    EXPECT_GE(heightOf(session.StatusBar()), 58);
    EXPECT_GT(ColumnWidth(session.ListView(), 0), 0);
  }
}

// Sizes from the ini are clamped to the zoom's limits when read (font-size=100 once gave a font that the
// wheel could not shrink, and 200000000 overflowed into a 32,767 pixel filter row).
TEST_F(ViewerLifecycleTest, CtrlWheelZoomsBetweenTenAndFortyEightPoints) {
  const std::wstring path = WriteTempFile(L"zoom.csv", "a\r\n1\r\n");
  struct Case {
    const char* settings;
    int wheel;
    const char* written;  // the font-size line of the ini afterwards, or nullptr when nothing is written
    int points;           // the grid font's size afterwards
  };
  const Case cases[] = {
      {"", WHEEL_DELTA, "font-size=17", 17},
      {"", -WHEEL_DELTA, "font-size=15", 15},
      {"font-size=48\n", WHEEL_DELTA, nullptr, 48},
      {"font-size=10\n", -WHEEL_DELTA, nullptr, 10},
      {"font-size=48\n", -WHEEL_DELTA, "font-size=47", 47},
      {"font-size=100\n", -WHEEL_DELTA, "font-size=47", 47},
      {"font-size=200000000\n", WHEEL_DELTA, nullptr, 48},
      {"font-size=-5\n", WHEEL_DELTA, "font-size=11", 11},
      {"font-size=9\n", -WHEEL_DELTA, nullptr, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.settings) + " wheel " + std::to_string(c.wheel));
    SetSettings(c.settings);
    const std::string before = ReadFileBytes(SettingsPath());
    TViewerSession session(path);
    ASSERT_TRUE(session.WaitLoaded());
    SendMessageW(session.Viewer(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, c.wheel), 0);
    PumpPending();
    const std::string after = ReadFileBytes(SettingsPath());
    if (c.written) EXPECT_NE(after.find(c.written), std::string::npos) << after;
    else EXPECT_EQ(after, before);
    // At 96 DPI a size of p points is p * 96 / 72 pixels; the filter row is 8 pixels higher, at least 24.
    const int pixels = c.points * 96 / 72;
    EXPECT_EQ(GridFontHeight(session.ListView()), -pixels);
    EXPECT_EQ(HeightOf(session.FilterEdit(0)), std::max(pixels + 8, 24));
  }
  // Without Ctrl the wheel does not zoom.
  ResetSettings();
  TViewerSession session(path);
  ASSERT_TRUE(session.WaitLoaded());
  SendMessageW(session.Viewer(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(ReadFileBytes(SettingsPath()).find("font-size"), std::string::npos);
}

TEST_F(ViewerLifecycleTest, ClosingTwentyViewersFreesEveryObject) {
  std::wstring path = WriteTempFile(L"many.csv", QuotedTable(50));
  THostWindow host;
  // Opens a viewer, goes through what creates objects (fonts by zooming, brushes by a theme change, filter
  // boxes, sorting), and returns its windows and GDI objects after closing it.
  const auto openAndClose = [&](std::vector<HWND>& windows, std::vector<HGDIOBJ>& objects) {
    const HWND viewer = Plugin().listLoadW(host.Handle(), path.data(), 0);
    ASSERT_NE(viewer, nullptr);
    const HWND list = GetDlgItem(viewer, kListViewId);
    ASSERT_TRUE(PumpUntil([&] { return IsShown(list); }));
    SendMessageW(viewer, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    Plugin().listSendCommand(viewer, 2, 0x80);
    ClickColumnHeader(list, 1);
    TypeText(FilterBox(viewer, 1), L"1");
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) < 50; }));

    for (HWND w = GetWindow(viewer, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) windows.push_back(w);
    windows.push_back(viewer);
    objects.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    objects.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(ListView_GetHeader(list), WM_GETFONT, 0, 0)));
    const HDC screen = GetDC(nullptr);
    for (const auto& [message, control] : {std::pair{WM_CTLCOLOREDIT, FilterBox(viewer, 0)},
                                           std::pair{WM_CTLCOLORSTATIC, GetDlgItem(viewer, kLoadingLabelId)}}) {
      objects.push_back(reinterpret_cast<HGDIOBJ>(
          SendMessageW(viewer, message, reinterpret_cast<WPARAM>(screen), reinterpret_cast<LPARAM>(control))));
    }
    ReleaseDC(nullptr, screen);
    Plugin().listCloseWindow(viewer);
    PumpPending();
  };

  std::vector<HWND> windows;
  std::vector<HGDIOBJ> objects;
  openAndClose(windows, objects);  // classes, cached system fonts and the like exist from here on
  ResetSettings();
  windows.clear();
  objects.clear();
  const std::size_t windowsBefore = ThreadWindowCount();
  TPluginObjects gdi;
  ASSERT_TRUE(gdi.Installed());
  for (int i = 0; i < 20; ++i) openAndClose(windows, objects);

  EXPECT_EQ(objects.size(), 80u);
  for (const HGDIOBJ object : objects) {
    EXPECT_NE(object, nullptr);
    EXPECT_EQ(GetObjectType(object), 0u) << "a font or brush outlived its viewer";
  }
  for (const HWND window : windows) EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(GetWindow(host.Handle(), GW_CHILD), nullptr);
  EXPECT_EQ(gdi.LiveGdiObjects(), 0u) << "GDI objects of the plug-in outlived its viewers";
  EXPECT_EQ(gdi.OpenDCs(), 0) << "device contexts of the plug-in outlived its viewers";
  EXPECT_EQ(ThreadWindowCount(), windowsBefore);
}

}  // namespace
}  // namespace qelvar::gui
