// Alt+click opens a cell's link through the shell, which runs whatever a scheme is registered to run. A
// probe program registered in the Wine prefix for a private scheme and for the web's schemes shows what
// is really started: web links reach it, and nothing else is even handed to the shell.
#include <string>

#include "harness_keys.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerLinksTest = ViewerTest;

// Registers the probe as the "open" command of URL schemes, and puts back what was there before. Wine's
// classes root is the machine's alone (it does not look at the user's classes).
class TProbeAsHandler {
 public:
  TProbeAsHandler(std::initializer_list<const wchar_t*> schemes, const std::wstring& probe, const std::wstring& out) {
    for (const wchar_t* scheme : schemes) {
      TSaved saved{std::wstring(L"Software\\Classes\\") + scheme, false, {}};
      HKEY key = nullptr;
      if (RegOpenKeyExW(kRoot, saved.key.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        saved.existed = true;
        RegCloseKey(key);
        saved.command = ReadDefault(saved.key + L"\\shell\\open\\command");
      }
      saved_.push_back(saved);
      Write(saved.key, L"URL Protocol", L"");
      Write(saved.key, nullptr, std::wstring(L"URL:") + scheme);
      Write(saved.key + L"\\shell\\open\\command", nullptr, L"\"" + probe + L"\" \"" + out + L"\" \"%1\"");
    }
  }
  ~TProbeAsHandler() {
    for (const TSaved& saved : saved_) {
      if (!saved.existed) RegDeleteTreeW(kRoot, saved.key.c_str());
      else Write(saved.key + L"\\shell\\open\\command", nullptr, saved.command);
    }
  }
  TProbeAsHandler(const TProbeAsHandler&) = delete;
  TProbeAsHandler& operator=(const TProbeAsHandler&) = delete;

 private:
  static inline const HKEY kRoot = HKEY_LOCAL_MACHINE;
  struct TSaved {
    std::wstring key;
    bool existed;
    std::wstring command;
  };
  static void Write(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(kRoot, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  static std::wstring ReadDefault(const std::wstring& path) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    RegGetValueW(kRoot, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
  }
  std::vector<TSaved> saved_;
};

void AltClickCell(HWND listView, int item) {
  const RECT cell = CellRect(listView, item, 0);
  TModifierKeys alt({VK_MENU});
  ClickAt(listView, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

TEST_F(ViewerLinksTest, AltClickOpensWebLinksAndHandsNothingElseToTheShell) {
  const std::wstring out = TempDir() + L"\\probe-links.txt";
  DeleteFileW(out.c_str());
  TProbeAsHandler handlers({L"probe", L"http", L"https"}, WindowsPathOf(QELVAR_LINK_PROBE_FILE), out);
  // The links' colons would otherwise be taken for the delimiter.
  SetSettings("default-column-delimiter=,\n");
  TViewerSession session(WriteTempFile(
      L"links.csv",
      "link\r\n"
      "file:///C:/windows/system32/notepad.exe\r\n"
      "probe://payload\r\n"
      "1.5\r\n"
      "see http://example.com/page?x=1 here\r\n"
      "example.org/start\r\n"
      "\\\\server\\share\\run.exe\r\n"));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();

  TShellOpens shell(true);
  ASSERT_TRUE(shell.Installed());
  TBeepCounter beeps;
  for (const int refused : {0, 1, 2, 5}) {
    SCOPED_TRACE(refused);
    AltClickCell(list, refused);
    EXPECT_TRUE(shell.Seen().empty());
  }
  EXPECT_EQ(beeps.Beeps(), 4) << "each refusal beeps";
  // A click without Alt only makes the cell current (on another row than the next click, which would
  // otherwise make a double-click).
  const RECT cell = CellRect(list, 2, 0);
  ClickAt(list, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  EXPECT_TRUE(shell.Seen().empty());

  AltClickCell(list, 3);
  AltClickCell(list, 4);
  ASSERT_EQ(shell.Seen().size(), 2u);
  EXPECT_EQ(shell.Seen()[0].verb, L"open");
  EXPECT_EQ(shell.Seen()[0].target, L"http://example.com/page?x=1");
  EXPECT_EQ(shell.Seen()[0].show, SW_SHOWNORMAL);
  EXPECT_EQ(shell.Seen()[1].target, L"https://example.org/start");
  EXPECT_EQ(beeps.Beeps(), 4);

  // What the handler really received; nothing else started it.
  const std::string expected = "http://example.com/page?x=1\nhttps://example.org/start\n";
  EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(out).size() >= expected.size(); }, 15000));
  PumpFor(300);
  const std::string received = ReadFileBytes(out);
  EXPECT_NE(received.find("http://example.com/page?x=1\n"), std::string::npos) << received;
  EXPECT_NE(received.find("https://example.org/start\n"), std::string::npos) << received;
  EXPECT_EQ(received.size(), expected.size()) << received;
}

}  // namespace
}  // namespace qelvar::gui
