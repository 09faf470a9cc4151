// The plug-in's exports as the host sees them: the detect string, the default parameters, and requests on
// windows that carry no viewer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
    EXPECT_EQ(GetProcAddress(p.module, name), nullptr) << name;
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
    EXPECT_EQ(Plugin().listSearchTextW(window, text, host::kSearchFindFirst), 0);
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
}

TEST_F(ExportsTest, LoadingWithoutAParentOrPathFailsQuietly) {
  TMessageBoxAnswerer boxes;
  // A nil ANSI path becomes the empty name: the viewer reports it like any missing file, or refuses.
  THostWindow host;
  HWND viewer = Plugin().listLoad(host.Handle(), nullptr, 0);
  if (viewer != nullptr) {
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(viewer); }));
  }
  EXPECT_LE(boxes.Boxes().size(), 1U);
}

}  // namespace
}  // namespace qelvar::gui
