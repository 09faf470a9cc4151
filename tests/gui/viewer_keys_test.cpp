// Keys as the host delivers them (posted, translated, dispatched): which of them the host gets back from
// the viewer and with which settings, the viewer's own shortcuts, and that a shortcut never also types.
#include <string>

#include "harness_keys.h"
#include "viewer_test_support.h"

namespace qelvar::gui {
namespace {

using ViewerKeysTest = ViewerTest;

std::wstring ThreeColumns() {
  return WriteTempFile(L"keys.csv", "name,city,note\r\nalpha,Paris,one\r\nbeta,Berlin,two\r\ngamma,Rome,three\r\n");
}

// A viewer past its first 500 ms, when keys may go to the host, with the grid focused.
void ReadyForHostKeys(TViewerSession& session) {
  ASSERT_TRUE(session.WaitLoaded());
  PumpFor(550);
  SetFocus(session.ListView());
  session.Host().ClearPostedKeys();
}

TEST_F(ViewerKeysTest, TheHostGetsItsKeysFromTheGridAsTheSettingsSay) {
  struct Case {
    const char* name;
    const char* settings;
    std::initializer_list<int> modifiers;
    int key;
    bool posted;
  };
  const Case cases[] = {
      {"Esc", "", {}, VK_ESCAPE, true},
      {"F3", "", {}, VK_F3, true},
      {"Ctrl+F", "", {VK_CONTROL}, 'F', true},
      {"F alone", "", {}, 'F', false},
      {"digit 1", "", {}, '1', true},
      {"digit 8", "", {}, '8', true},
      {"Shift+2", "", {VK_SHIFT}, '2', true},
      {"digit 9", "", {}, '9', false},
      {"Ctrl+2", "", {VK_CONTROL}, '2', false},
      {"digit with disable-num-keys", "disable-num-keys=1\n", {}, '2', false},
      {"N", "", {}, 'N', true},
      {"Shift+P", "", {VK_SHIFT}, 'P', true},
      {"N with disable-np-keys", "disable-np-keys=1\n", {}, 'N', false},
      {"P with disable-np-keys", "disable-np-keys=1\n", {}, 'P', false},
      {"Q", "", {}, 'Q', false},
      {"Q with exit-by-q", "exit-by-q=1\n", {}, 'Q', true},
      {"Ctrl+Q with exit-by-q", "exit-by-q=1\n", {VK_CONTROL}, 'Q', true},
      {"a letter", "", {}, 'K', false},
  };
  TViewerSession session(ThreeColumns());
  ReadyForHostKeys(session);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The settings are read at each key: the same viewer sees every change.
    SetSettings(c.settings);
    session.Host().ClearPostedKeys();
    {
      TModifierKeys modifiers(c.modifiers);
      PostKey(session.ListView(), c.key);
    }
    PumpPending();
    if (c.posted) {
      ASSERT_EQ(session.Host().PostedKeys().size(), 1u);
      EXPECT_EQ(session.Host().PostedKeys()[0].first, static_cast<WPARAM>(c.key));
      EXPECT_EQ(session.Host().PostedKeys()[0].second, HostKeyData(c.key)) << "scan code and repeat count";
    } else {
      EXPECT_TRUE(session.Host().PostedKeys().empty());
    }
    ASSERT_TRUE(session.Alive());
  }
}

TEST_F(ViewerKeysTest, TypingInAFilterBoxNeverReachesTheHostButEscLeavesItAndThenCloses) {
  TViewerSession session(ThreeColumns());
  ReadyForHostKeys(session);
  const HWND filter = session.FilterEdit(1);
  SetFocus(filter);
  for (const int key : {int{'2'}, int{'N'}, int{'P'}, VK_F3}) PostKey(filter, key);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(filter, 'F');
  }
  EXPECT_TRUE(session.Host().PostedKeys().empty());
  EXPECT_EQ(WindowText(filter), L"2np");

  PostKey(filter, VK_ESCAPE);
  EXPECT_EQ(GetFocus(), session.ListView()) << "the first Esc leaves the box";
  EXPECT_TRUE(session.Host().PostedKeys().empty());
  PostKey(session.ListView(), VK_ESCAPE);
  ASSERT_EQ(session.Host().PostedKeys().size(), 1u) << "the second, from the grid, goes to the host";
  EXPECT_EQ(session.Host().PostedKeys()[0].first, static_cast<WPARAM>(VK_ESCAPE));
}

TEST_F(ViewerKeysTest, NoKeyGoesToTheHostInTheFirstHalfSecondOrWithoutTheFocus) {
  TViewerSession session(ThreeColumns());
  ASSERT_TRUE(session.WaitLoaded());
  SetFocus(session.ListView());
  PostKey(session.ListView(), VK_ESCAPE);
  EXPECT_TRUE(session.Host().PostedKeys().empty()) << "within 500 ms of opening";

  PumpFor(550);
  SetFocus(session.Host().Handle());
  PostKey(session.ListView(), 'N');
  EXPECT_TRUE(session.Host().PostedKeys().empty()) << "the focus is outside the viewer";
  SetFocus(session.ListView());
  PostKey(session.ListView(), 'N');
  EXPECT_EQ(session.Host().PostedKeys().size(), 1u);
}

// The host's loop queues the character of a key before the viewer sees the key-down: Ctrl+H arrived in a
// filter box as a Backspace after auto-sizing the columns, and Ctrl+Space as a space.
TEST_F(ViewerKeysTest, ShortcutsInAFilterBoxDoNotTypeTheirCharacter) {
  TViewerSession session(ThreeColumns());
  ASSERT_TRUE(session.WaitLoaded());
  const HWND filter = session.FilterEdit(0);
  SetFocus(filter);
  TypeText(filter, L"abc");
  SendMessageW(filter, EM_SETSEL, 3, 3);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(filter, 'H');
    PostKey(filter, VK_SPACE);
  }
  EXPECT_EQ(WindowText(filter), L"abc");
  PostKey(filter, 'D');
  EXPECT_EQ(WindowText(filter), L"abcd") << "plain keys still type";
}

TEST_F(ViewerKeysTest, CtrlNumpadPlusAndMinusZoomWithinTheLimitsFromAnyControl) {
  const std::wstring path = ThreeColumns();
  struct Case {
    const char* settings;
    int key;
    const char* written;  // the font-size line afterwards, or nullptr when the ini stays as it was
  };
  const Case cases[] = {
      {"", VK_ADD, "font-size=17"},
      {"", VK_SUBTRACT, "font-size=15"},
      {"font-size=48\n", VK_ADD, nullptr},
      {"font-size=10\n", VK_SUBTRACT, nullptr},
      {"", VK_OEM_PLUS, nullptr},   // the main keyboard's plus is no zoom key
      {"", VK_OEM_MINUS, nullptr},
  };
  for (const Case& c : cases) {
    for (const bool fromFilter : {false, true}) {
      SCOPED_TRACE(std::string(c.settings) + " key " + std::to_string(c.key) + (fromFilter ? " in a filter box" : ""));
      SetSettings(c.settings);
      const std::string before = ReadFileBytes(SettingsPath());
      TViewerSession session(path);
      ASSERT_TRUE(session.WaitLoaded());
      const HWND target = fromFilter ? session.FilterEdit(0) : session.ListView();
      SetFocus(target);
      {
        TModifierKeys ctrl({VK_CONTROL});
        PostKey(target, c.key);
      }
      const std::string after = ReadFileBytes(SettingsPath());
      if (c.written) EXPECT_NE(after.find(c.written), std::string::npos) << after;
      else EXPECT_EQ(after, before);
      if (fromFilter) {
        EXPECT_EQ(WindowText(target), L"") << "nothing typed";
      }
    }
  }
}

TEST_F(ViewerKeysTest, CtrlWheelZoomsOverEveryControl) {
  TViewerSession session(ThreeColumns());
  ASSERT_TRUE(session.WaitLoaded());
  int expected = 16;
  for (const HWND control : {session.ListView(), session.Header(), session.FilterEdit(1), session.StatusBar()}) {
    SendMessageW(control, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    ++expected;
    EXPECT_NE(ReadFileBytes(SettingsPath()).find("font-size=" + std::to_string(expected)), std::string::npos)
        << "control " << GetDlgCtrlID(control);
  }
}

TEST_F(ViewerKeysTest, CtrlSpaceShowsHiddenColumnsAndCtrlHAutoSizesThem) {
  std::string text = "id,long,more\r\n";
  for (int i = 0; i < 5; ++i) text += std::to_string(i) + "," + std::string(120, 'w') + ",x\r\n";
  TViewerSession session(WriteTempFile(L"widths.csv", text));
  ASSERT_TRUE(session.WaitLoaded());
  const HWND list = session.ListView();
  SetFocus(list);
  // At first the long column is capped (300 pixels for 13-pixel text, scaled to the 16 pt font).
  EXPECT_EQ(ColumnWidth(list, 1), 300 * 21 / 13);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(list, 'H');
  }
  EXPECT_GT(ColumnWidth(list, 1), 1000) << "auto-size measures every row without the cap";
  {
    TModifierKeys ctrl({VK_CONTROL});
    ClickColumnHeader(list, 0);
  }
  EXPECT_EQ(ColumnWidth(list, 0), 0);
  {
    TModifierKeys ctrl({VK_CONTROL});
    PostKey(list, VK_SPACE);
  }
  EXPECT_GT(ColumnWidth(list, 0), 0) << "Ctrl+Space shows every column again";
}

TEST_F(ViewerKeysTest, F1OpensTheGuideBesideThePluginAndBeepsWithoutIt) {
  const std::wstring guide = BuildPath(L"qelvar.html");
  ASSERT_EQ(GetFileAttributesW(guide.c_str()), INVALID_FILE_ATTRIBUTES) << "a guide is already there";
  TViewerSession session(ThreeColumns());
  ASSERT_TRUE(session.WaitLoaded());
  SetFocus(session.FilterEdit(0));

  TShellOpens shell;
  ASSERT_TRUE(shell.Installed());
  {
    TBeepCounter beeps;
    ASSERT_TRUE(beeps.Installed());
    PostKey(session.FilterEdit(0), VK_F1);
    EXPECT_EQ(beeps.Beeps(), 1);
    EXPECT_TRUE(shell.Seen().empty());
  }

  ASSERT_TRUE(WriteFileBytes(guide, "<html><title>qelvar</title></html>"));
  {
    TBeepCounter beeps;
    PostKey(session.ListView(), VK_F1);
    EXPECT_EQ(beeps.Beeps(), 0);
  }
  DeleteFileW(guide.c_str());
  ASSERT_EQ(shell.Seen().size(), 1u);
  EXPECT_EQ(shell.Seen()[0].verb, L"open");
  EXPECT_EQ(_wcsicmp(shell.Seen()[0].target.c_str(), guide.c_str()), 0) << Utf8(shell.Seen()[0].target);
  EXPECT_EQ(shell.Seen()[0].show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace qelvar::gui
