// The installed package at work: the release zip unpacked into a fresh folder (by the ctest fixture
// install-package-contents), its 64-bit plug-in loaded from there by the stand-in host, with a German
// language setting in a qelvar.ini beside the plug-in. The grid must show the file and the status bar must
// speak German, which it can only when the language files are where the package puts them.
//
// The host is another process: its controls are read with buffers allocated inside that process, since
// list-view and status-bar messages carry pointers that are not translated across processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "harness.h"

namespace qelvar::gui {
namespace {

// A block of memory inside another process, for messages whose pointer the receiver writes through.
class TRemoteBuffer {
 public:
  TRemoteBuffer(DWORD processId, std::size_t size) : size_(size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_ != nullptr) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~TRemoteBuffer() {
    if (memory_ != nullptr) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  TRemoteBuffer(const TRemoteBuffer&) = delete;
  TRemoteBuffer& operator=(const TRemoteBuffer&) = delete;

  bool Valid() const { return memory_ != nullptr; }
  // The address of `offset` bytes into the block, as the other process sees it.
  LPARAM At(std::size_t offset) const { return reinterpret_cast<LPARAM>(static_cast<char*>(memory_) + offset); }
  bool Write(std::size_t offset, const void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ &&
           WriteProcessMemory(process_, static_cast<char*>(memory_) + offset, data, size, &done) && done == size;
  }
  bool Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T done = 0;
    return offset + size <= size_ &&
           ReadProcessMemory(process_, static_cast<char*>(memory_) + offset, data, size, &done) && done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
  std::size_t size_ = 0;
};

constexpr int kTextCapacity = 512;

std::wstring RemoteStatusText(DWORD processId, HWND statusBar, int part) {
  TRemoteBuffer buffer(processId, kTextCapacity * sizeof(wchar_t));
  const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
  if (!buffer.Valid() || length >= kTextCapacity) return L"<unreadable>";
  SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part), buffer.At(0));
  std::wstring text(length, L'\0');
  return buffer.Read(0, text.data(), length * sizeof(wchar_t)) ? text : L"<unreadable>";
}

std::wstring RemoteCellText(DWORD processId, HWND listView, int item, int subItem) {
  TRemoteBuffer buffer(processId, sizeof(LVITEMW) + kTextCapacity * sizeof(wchar_t));
  LVITEMW request{};
  request.iSubItem = subItem;
  request.pszText = reinterpret_cast<LPWSTR>(buffer.At(sizeof(LVITEMW)));
  request.cchTextMax = kTextCapacity;
  if (!buffer.Valid() || !buffer.Write(0, &request, sizeof request)) return L"<unreadable>";
  const auto length = static_cast<std::size_t>(SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), buffer.At(0)));
  std::wstring text(std::min<std::size_t>(length, kTextCapacity - 1), L'\0');
  return buffer.Read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t)) ? text : L"<unreadable>";
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only the install ctest entry unpacks the package first; the ordinary GUI run has nothing to load.
    if (std::getenv("QELVAR_INSTALL_TEST") == nullptr) GTEST_SKIP() << "run by the ctest entry install-host-german";
    folder_ = BuildPath(L"install-test\\qelvar");
  }
  void TearDown() override {
    if (!folder_.empty()) DeleteFileW((folder_ + L"\\qelvar.ini").c_str());
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }

  // Starts the stand-in host of this build on `file` with the plug-in `plugin`; returns its window.
  HWND StartHost(const std::wstring& plugin, const std::wstring& hostIni, const std::wstring& file) {
    std::wstring command = L"\"" + BuildPath(L"qelvar-host.exe") + L"\" --plugin \"" + plugin + L"\" --ini \"" +
                           hostIni + L"\" --size 800x400 \"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
      return nullptr;
    HWND found = nullptr;
    PumpUntil([&] {
      found = TopLevelOf(process_.dwProcessId, L"QelvarListerHost");
      return found != nullptr && IsWindowVisible(found);
    }, 20000);
    return found;
  }

  std::wstring folder_;
  PROCESS_INFORMATION process_{};
};

TEST_F(InstallTest, UnpackedPluginShowsTheFileWithGermanTextsFromItsLanguageFolder) {
  const std::wstring plugin = folder_ + L"\\qelvar.wlx64";
  ASSERT_NE(GetFileAttributesW(plugin.c_str()), INVALID_FILE_ATTRIBUTES) << "not unpacked: " << Utf8(plugin);
  ASSERT_NE(GetFileAttributesW((folder_ + L"\\language\\de.lng").c_str()), INVALID_FILE_ATTRIBUTES);
  // The package itself must not bring a qelvar.ini: installing would override the user's settings.
  ASSERT_EQ(GetFileAttributesW((folder_ + L"\\qelvar.ini").c_str()), INVALID_FILE_ATTRIBUTES);

  // German from the ini beside the plug-in; the host's own ini says English and must lose.
  ASSERT_TRUE(WriteFileBytes(folder_ + L"\\qelvar.ini", "[qelvar]\r\nlanguage=Deutsch\r\n"));
  const std::wstring hostIni = WriteTempFile(L"install-host.ini", "[qelvar]\r\nlanguage=English\r\n");
  const std::wstring file = WriteTempFile(L"install-cities.csv",
                                          "city,people\r\nBerlin,3850809\r\nHamburg,1945532\r\nM\xC3\xBCnchen,1512491\r\n");

  const HWND host = StartHost(plugin, hostIni, file);
  ASSERT_NE(host, nullptr) << "the host did not open a window";
  // The host shows its window before it loads the plug-in, and the viewer's window exists before its
  // controls: everything is looked up again until the grid shows the file.
  HWND list = nullptr;
  HWND status = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    const HWND viewer = GetWindow(host, GW_CHILD);
    list = viewer != nullptr ? GetDlgItem(viewer, kListViewId) : nullptr;
    status = viewer != nullptr ? GetDlgItem(viewer, kStatusBarId) : nullptr;
    return status != nullptr && IsShown(list) && ItemCount(list) == 3;
  }, 20000)) << "the unpacked plug-in did not show the file";
  EXPECT_EQ(RemoteCellText(process_.dwProcessId, list, 2, 0), L"M\u00FCnchen");

  const DWORD pid = process_.dwProcessId;
  ASSERT_TRUE(PumpUntil([&] { return RemoteStatusText(pid, status, 3) == L" Zeilen: 3/3"; }))
      << Utf8(RemoteStatusText(pid, status, 3));
  EXPECT_EQ(RemoteStatusText(pid, status, 1), L" Trennzeichen: Auto (,)");
  EXPECT_EQ(RemoteStatusText(pid, status, 2), L" Kommentare: normal zerlegt (0)");

  PostMessageW(host, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }));
}

}  // namespace
}  // namespace qelvar::gui
