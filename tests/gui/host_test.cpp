// The stand-in host as a separate process, driven the way the plug-in drives it: key-down messages posted
// to its window (N, P, F3, Esc) and its menu commands. Its controls are read across the process boundary
// with messages that carry no pointers.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace qelvar::gui {
namespace {

// Menu commands of the host window.
constexpr int kCmdDark = 110;

std::wstring HostPath() {
  std::wstring plugin = PluginPath();
  return plugin.substr(0, plugin.find_last_of(L"\\/") + 1) + L"qelvar-host.exe";
}

// One host process for one test; killed if a test leaves it running.
class THostProcess {
 public:
  THostProcess(const std::wstring& file, const std::wstring& extra) {
    std::wstring command = L"\"" + HostPath() + L"\" --plugin \"" + PluginPath() + L"\" " + extra + L" \"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      process_.Reset(info.hProcess);
      thread_.Reset(info.hThread);
      processId_ = info.dwProcessId;
      PumpUntil([this] { return (window_ = TopLevelOf(processId_, L"QelvarListerHost")) != nullptr && IsWindowVisible(window_); }, 20000);
    }
  }
  ~THostProcess() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.Get(), 99);
  }
  THostProcess(const THostProcess&) = delete;
  THostProcess& operator=(const THostProcess&) = delete;

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return processId_; }
  void PostKey(int vk) const { PostMessageW(window_, WM_KEYDOWN, static_cast<WPARAM>(vk), 1); }
  // The title names the file shown: "qelvar-host - [path]".
  bool WaitTitleEndsWith(const std::wstring& tail) const {
    return PumpUntil([&] {
      const std::wstring title = WindowText(window_);
      return title.size() >= tail.size() + 1 && title.compare(title.size() - tail.size() - 1, tail.size(), tail) == 0;
    });
  }
  HWND ListView() const {
    HWND viewer = GetWindow(window_, GW_CHILD);
    return viewer != nullptr ? GetDlgItem(viewer, kListViewId) : nullptr;
  }
  // Exit code once the process has ended within the time-out; -1 while it runs.
  int WaitExit(DWORD timeoutMs = 10000) const {
    if (!PumpUntil([&] { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }, timeoutMs)) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return static_cast<int>(code);
  }

 private:
  THandle process_;
  THandle thread_;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempDir() + L"\\host-" + std::to_wstring(++counter_);
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  std::wstring Write(const std::wstring& name, std::string_view bytes) {
    return WriteTempFile(folder_.substr(TempDir().size() + 1) + L"\\" + name, bytes);
  }
  std::wstring folder_;
  static inline int counter_ = 0;
};

TEST_F(HostTest, NextAndPreviousOpenTheFilesTheDetectStringAccepts) {
  // Sorted without regard to case: a.csv, B.txt (not accepted), c.TSV, d.csv, e.tab.
  const std::wstring first = Write(L"a.csv", "x,y\r\n1,2\r\n");
  Write(L"B.txt", "not a table\r\n");
  Write(L"c.TSV", "x\ty\r\n1\t2\r\n");
  Write(L"d.csv", "x,y\r\n3,4\r\n");
  Write(L"e.tab", "x\ty\r\n5\t6\r\n");
  THostProcess host(first, L"--size 600x300");
  ASSERT_NE(host.Window(), nullptr);
  ASSERT_TRUE(host.WaitTitleEndsWith(L"a.csv"));

  struct Step {
    int key;
    const wchar_t* shown;
  };
  // P at the start and N at the end stay where they are.
  const Step steps[] = {{'P', L"a.csv"}, {'N', L"c.TSV"}, {'N', L"d.csv"}, {'N', L"e.tab"},
                        {'N', L"e.tab"}, {'P', L"d.csv"}, {'P', L"c.TSV"}};
  for (const Step& step : steps) {
    // Keys are handled in order, so each wait sees the result of its own key.
    host.PostKey(step.key);
    EXPECT_TRUE(host.WaitTitleEndsWith(step.shown)) << Utf8(WindowText(host.Window()));
  }
  EXPECT_TRUE(PumpUntil([&] { return IsShown(host.ListView()) && ItemCount(host.ListView()) == 1; }));

  host.PostKey(VK_ESCAPE);
  EXPECT_EQ(host.WaitExit(), 0);
}

TEST_F(HostTest, FindBoxSearchesAndDarkModeFollowsTheMenu) {
  const std::wstring ini = Write(L"host.ini", "[qelvar]\r\ntheme-mode=tc\r\n");
  const std::wstring file = Write(L"find.csv", "name\r\nalpha\r\nbeta\r\ngamma\r\nbeta two\r\n");
  THostProcess host(file, L"--ini \"" + ini + L"\"");
  ASSERT_NE(host.Window(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return IsShown(host.ListView()); }));
  HWND list = host.ListView();

  // F3 opens the find box; its text and Next (IDOK) find the first match, Next again the second.
  host.PostKey(VK_F3);
  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (box = TopLevelOf(host.ProcessId(), L"QelvarHostFindBox")) != nullptr && IsWindowVisible(box); }));
  SetWindowTextW(GetDlgItem(box, 101), L"beta");
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(PumpUntil([&] { return FocusedItem(list) == 1; }));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(PumpUntil([&] { return FocusedItem(list) == 3; }));
  // Previous (105) goes back.
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(105, BN_CLICKED), 0);
  EXPECT_TRUE(PumpUntil([&] { return FocusedItem(list) == 1; }));

  // The View menu's dark mode reaches the viewer as new display parameters.
  const auto background = [&] { return static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)); };
  const COLORREF light = background();
  PostMessageW(host.Window(), WM_COMMAND, kCmdDark, 0);
  EXPECT_TRUE(PumpUntil([&] { return background() != light; }));
  PostMessageW(host.Window(), WM_COMMAND, kCmdDark, 0);
  EXPECT_TRUE(PumpUntil([&] { return background() == light; }));

  host.PostKey(VK_ESCAPE);
  EXPECT_EQ(host.WaitExit(), 0);
}

// Keys typed in the grid, as a user types them: the host's loop translates and dispatches them to the
// plug-in's list view, and the plug-in hands N, P and Esc back to the host, which acts on them.
TEST_F(HostTest, NextPreviousAndEscTypedInTheGridReachTheHost) {
  const std::wstring first = Write(L"a.csv", "x,y\r\n1,2\r\n");
  Write(L"b.csv", "x,y\r\n3,4\r\n5,6\r\n");
  THostProcess host(first, L"--size 600x300");
  ASSERT_NE(host.Window(), nullptr);
  ASSERT_TRUE(host.WaitTitleEndsWith(L"a.csv"));
  ASSERT_TRUE(PumpUntil([&] { return IsShown(host.ListView()); }));
  PumpFor(600);  // keys reach the host only after the viewer's first half second

  const auto typeInGrid = [&](int key) {
    const HWND list = host.ListView();
    ASSERT_NE(list, nullptr);
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageW(list, WM_KEYDOWN, static_cast<WPARAM>(key), static_cast<LPARAM>(1U | (scan << 16)));
    PostMessageW(list, WM_KEYUP, static_cast<WPARAM>(key), static_cast<LPARAM>(0xC0000001U | (scan << 16)));
  };
  typeInGrid('N');
  ASSERT_TRUE(host.WaitTitleEndsWith(L"b.csv")) << Utf8(WindowText(host.Window()));
  ASSERT_TRUE(PumpUntil([&] { return IsShown(host.ListView()) && ItemCount(host.ListView()) == 2; }));
  PumpFor(600);
  typeInGrid('P');
  ASSERT_TRUE(host.WaitTitleEndsWith(L"a.csv")) << Utf8(WindowText(host.Window()));
  ASSERT_TRUE(PumpUntil([&] { return IsShown(host.ListView()) && ItemCount(host.ListView()) == 1; }));
  PumpFor(600);
  typeInGrid(VK_ESCAPE);
  EXPECT_EQ(host.WaitExit(), 0);
}

}  // namespace
}  // namespace qelvar::gui
