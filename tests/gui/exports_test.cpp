// The plug-in's exports as the host sees them: the detect string, the default parameters, and requests on
// windows that carry no viewer.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"

namespace qelvar::gui {
namespace {

constexpr char kDefaultDetect[] = "MULTIMEDIA & (ext=\"CSV\" | ext=\"TAB\" | ext=\"TSV\")";

std::string DetectString(int bufferSize) {
  std::string buffer(static_cast<std::size_t>(bufferSize) + 8, '\x7f');
  Plugin().listGetDetectString(buffer.data(), bufferSize);
  return buffer;
}

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettings(); }
  void TearDown() override { ResetSettings(); }
};

TEST_F(ExportsTest, EveryListerFunctionIsExportedUndecorated) {
  const host::TListerPlugin& p = Plugin();
  EXPECT_NE(p.listLoad, nullptr);
  EXPECT_NE(p.listLoadW, nullptr);
  EXPECT_NE(p.listCloseWindow, nullptr);
  EXPECT_NE(p.listGetDetectString, nullptr);
  EXPECT_NE(p.listSetDefaultParams, nullptr);
  EXPECT_NE(p.listSearchText, nullptr);
  EXPECT_NE(p.listSearchTextW, nullptr);
  EXPECT_NE(p.listSendCommand, nullptr);
  // Functions the host would use if present must be absent.
  for (const char* name : {"ListNotificationReceived", "ListPrint", "ListGetPreviewBitmap", "ListLoadNext",
                           "ListLoadNextW", "ListGetText", "DllCanUnloadNow"}) {
    EXPECT_EQ(GetProcAddress(p.module.Get(), name), nullptr) << name;
  }
}

TEST_F(ExportsTest, DetectStringFitsTheBuffer) {
  const std::size_t full = std::strlen(kDefaultDetect);
  struct Case {
    int bufferSize;
    std::size_t expectedLength;
  };
  const Case cases[] = {
      {1, 0}, {2, 1}, {10, 9}, {static_cast<int>(full), full - 1}, {static_cast<int>(full) + 1, full}, {1024, full},
  };
  for (const Case& c : cases) {
    const std::string buffer = DetectString(c.bufferSize);
    SCOPED_TRACE(c.bufferSize);
    EXPECT_EQ(std::strlen(buffer.c_str()), c.expectedLength);
    EXPECT_EQ(std::string(buffer.c_str()), std::string(kDefaultDetect).substr(0, c.expectedLength));
    // Nothing is written past the buffer.
    EXPECT_EQ(buffer[static_cast<std::size_t>(c.bufferSize)], '\x7f');
  }
}

TEST_F(ExportsTest, DetectStringIgnoresUnusableBuffers) {
  std::string buffer(8, '\x7f');
  Plugin().listGetDetectString(buffer.data(), 0);
  Plugin().listGetDetectString(buffer.data(), -5);
  Plugin().listGetDetectString(nullptr, 100);
  EXPECT_EQ(buffer, std::string(8, '\x7f'));
}

TEST_F(ExportsTest, DetectStringComesFromTheSettingsAsUtf8) {
  // "ext=\"ÄÖ\"": the ini file is UTF-8; the host receives UTF-8 too.
  SetSettings("detect-string=ext=\"\xC3\x84\xC3\x96\" | ext=\"CSV\"\n");
  EXPECT_EQ(std::string(DetectString(256).c_str()), "ext=\"\xC3\x84\xC3\x96\" | ext=\"CSV\"");
  // A cut never splits a character: 7 bytes hold "ext=\"" and the two bytes of the first letter.
  EXPECT_EQ(std::string(DetectString(8).c_str()), "ext=\"\xC3\x84");
  EXPECT_EQ(std::string(DetectString(7).c_str()), "ext=\"");
}

TEST_F(ExportsTest, FirstDefaultParamsWin) {
  // The harness handed its ini file over first; a later path (with other settings) is not taken.
  const std::wstring other = WriteTempFile(L"other.ini", "[qelvar]\r\ndetect-string=ext=\"OTHER\"\r\n");
  SetSettings("detect-string=ext=\"FIRST\"\n");
  host::SetPluginIni(Plugin(), other);
  EXPECT_EQ(std::string(DetectString(256).c_str()), "ext=\"FIRST\"");
  // A nil record is ignored.
  Plugin().listSetDefaultParams(nullptr);
  EXPECT_EQ(std::string(DetectString(256).c_str()), "ext=\"FIRST\"");
}

TEST_F(ExportsTest, RequestsOnWindowsWithoutViewerDoNothing) {
  THostWindow host;
  HWND plain = CreateWindowExW(0, L"STATIC", L"not a viewer", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host.Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(plain, nullptr);
  wchar_t text[] = L"abc";
  char ansi[] = "abc";
  for (HWND window : {plain, static_cast<HWND>(nullptr), reinterpret_cast<HWND>(static_cast<INT_PTR>(0x12345))}) {
    EXPECT_EQ(Plugin().listSearchTextW(window, text, lcs_findfirst), 0);
    EXPECT_EQ(Plugin().listSearchTextW(window, nullptr, 0), 0);
    EXPECT_EQ(Plugin().listSearchText(window, ansi, 0), 0);
    EXPECT_EQ(Plugin().listSearchText(window, nullptr, 0), 0);
    for (int command = 0; command <= 5; ++command) EXPECT_EQ(Plugin().listSendCommand(window, command, 0x180), 0);
  }
  EXPECT_TRUE(IsWindow(plain));
  EXPECT_EQ(WindowText(plain), L"not a viewer");
  // Closing something that is not a window is ignored.
  Plugin().listCloseWindow(nullptr);
  Plugin().listCloseWindow(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x12345)));
  EXPECT_TRUE(IsWindow(plain));
  EXPECT_TRUE(IsWindow(host.Handle()));
  // A real window without a viewer is simply destroyed.
  Plugin().listCloseWindow(plain);
  EXPECT_FALSE(IsWindow(plain));
  EXPECT_TRUE(IsWindow(host.Handle()));
}

TEST_F(ExportsTest, LoadingWithoutAParentOrPathFailsQuietly) {
  TMessageBoxAnswerer boxes;
  // Without a parent no child window can exist: the host sees a refusal, and no box appears.
  wchar_t sample[] = L"C:\\nowhere\\missing.csv";
  EXPECT_EQ(Plugin().listLoadW(nullptr, sample, 0), nullptr);
  EXPECT_TRUE(boxes.Boxes().empty());
  // A nil ANSI path becomes the empty name, reported like any file that cannot be read: one box, no window.
  THostWindow host;
  HWND viewer = Plugin().listLoad(host.Handle(), nullptr, 0);
  ASSERT_NE(viewer, nullptr) << "the window is created before the file is read";
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }));
  EXPECT_EQ(boxes.Boxes().size(), 1U);
  EXPECT_EQ(GetWindow(host.Handle(), GW_CHILD), nullptr);
}

// ---- the exports on a real viewer ---------------------------------------------------------------------

// A path or text in the ANSI code page; nullopt when the code page cannot hold it.
std::optional<std::string> ToAnsi(const std::wstring& text) {
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &lossy);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, out.data(), n, nullptr, &lossy);
  if (lossy || n <= 0) return std::nullopt;
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

constexpr char kCities[] = "city,country\r\nOslo,Norway\r\nZ\xC3\xBCrich,Switzerland\r\nWien,Austria\r\n";

double Brightness(const TCapture& capture) {
  double sum = 0;
  for (const std::uint32_t p : capture.pixels) sum += ((p >> 16) & 0xFFU) + ((p >> 8) & 0xFFU) + (p & 0xFFU);
  return capture.pixels.empty() ? 0 : sum / 3 / static_cast<double>(capture.pixels.size());
}

TEST_F(ExportsTest, AnsiLoadAndSearchConvertFromTheAnsiCodePage) {
  const std::wstring path = WriteTempFile(L"Z\u00FCrich.csv", kCities);
  const std::optional<std::string> ansiPath = ToAnsi(path);
  const std::optional<std::string> ansiText = ToAnsi(L"Z\u00FCrich");
  if (!ansiPath || !ansiText) GTEST_SKIP() << "the ANSI code page has no u-umlaut";

  THostWindow host;
  std::string file = *ansiPath;
  HWND viewer = Plugin().listLoad(host.Handle(), file.data(), 0);
  ASSERT_NE(viewer, nullptr);
  HWND list = GetDlgItem(viewer, kListViewId);
  ASSERT_TRUE(PumpUntil([&] { return IsShown(list); })) << "the ANSI path did not reach the file";
  EXPECT_EQ(CellText(list, 1, 0), L"Z\u00FCrich");

  std::string text = *ansiText;
  EXPECT_EQ(Plugin().listSearchText(viewer, text.data(), lcs_findfirst), 1);
  EXPECT_EQ(SelectedItems(list), std::vector<int>{1});
  // The same search through the wide export continues after the match and wraps to nothing else.
  wchar_t wide[] = L"Wien";
  EXPECT_EQ(Plugin().listSearchTextW(viewer, wide, 0), 1);
  EXPECT_EQ(SelectedItems(list), std::vector<int>{2});

  Plugin().listCloseWindow(viewer);
  EXPECT_FALSE(IsWindow(viewer));
  EXPECT_TRUE(IsWindow(host.Handle()));
}

TEST_F(ExportsTest, OnlyNewDisplayParametersReachTheTheme) {
  // "tc" follows the host's dark-mode bit, which arrives with command 2 only.
  SetSettings("theme-mode=tc\n");
  TViewerSession session(WriteTempFile(L"cities.csv", kCities), 0, 500, 300);
  ASSERT_TRUE(session.WaitLoaded());
  const double light = Brightness(CaptureWindow(session.Host().Handle()));
  ASSERT_GT(light, 150.0);
  // Set percent (4) and unknown commands are ignored, whatever the parameter (copy and select all act on
  // the grid: the copy tests).
  for (const int command : {4, 0, 5, -1}) {
    EXPECT_EQ(Plugin().listSendCommand(session.Viewer(), command, lcp_darkmode | lcp_darkmodenative), 0);
    EXPECT_NEAR(Brightness(CaptureWindow(session.Host().Handle())), light, 3.0) << "command " << command;
  }
  EXPECT_EQ(Plugin().listSendCommand(session.Viewer(), lc_newparams, lcp_darkmode), 0);
  EXPECT_LT(Brightness(CaptureWindow(session.Host().Handle())), 110.0);
  EXPECT_EQ(Plugin().listSendCommand(session.Viewer(), lc_newparams, 0), 0);
  EXPECT_NEAR(Brightness(CaptureWindow(session.Host().Handle())), light, 3.0);
}

TEST_F(ExportsTest, CloseWindowDestroysTheViewerAndOnlyIt) {
  TViewerSession session(WriteTempFile(L"close.csv", kCities));
  ASSERT_TRUE(session.WaitLoaded());
  HWND list = session.ListView();
  EXPECT_TRUE(session.Close());
  EXPECT_FALSE(IsWindow(list));
  EXPECT_TRUE(IsWindow(session.Host().Handle()));
  // A second close of the same, now dead, handle is harmless.
  Plugin().listCloseWindow(session.Viewer());
  EXPECT_TRUE(IsWindow(session.Host().Handle()));
}

}  // namespace
}  // namespace qelvar::gui
