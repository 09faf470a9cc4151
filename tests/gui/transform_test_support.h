// Helpers of the transform panel's GUI tests: the panel's controls of a session, its list's entries, its
// buttons pressed as the user presses them, and running the command-line tool on the files it wrote.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "harness_dialogs.h"
#include "viewer_test_support.h"

namespace qelvar::gui {

inline HWND PanelList(const TViewerSession& session) {
  return session.Child(kTransformListId);
}
inline HWND PanelInput(const TViewerSession& session) {
  return session.Child(kTransformInputId);
}
inline HWND PanelButton(const TViewerSession& session, int id) {
  return session.Child(id);
}

// The command through the viewer window, as the context menu and Ctrl+T send it.
inline void SendCommand(const TViewerSession& session, int id) { SendCommand(session.Viewer(), id); }

// A panel button clicked: the notification its click sends to the viewer window.
inline void Press(const TViewerSession& session, int id) {
  SendMessageW(session.Viewer(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(PanelButton(session, id)));
  PumpPending();
}

// Opens `path` with the panel shown and waits for the grid.
inline void OpenWithPanel(TViewerSession& session) {
  ASSERT_TRUE(session.WaitLoaded());
  SendCommand(session, cmToggleTransformMode);
  ASSERT_TRUE(IsShown(PanelList(session)));
}

inline std::vector<std::wstring> ListEntries(HWND list) {
  std::vector<std::wstring> entries;
  const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring text(
        static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
    const auto length =
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    entries.push_back(text);
  }
  return entries;
}

inline int ListSelection(HWND list) {
  return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
}
inline void SelectEntry(HWND list, int index) {
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
inline void SetInput(const TViewerSession& session, const std::wstring& text) {
  SetWindowTextW(PanelInput(session), text.c_str());
}

// Selects an entry, types the input and presses a button: one step of building a transformation.
inline void Apply(const TViewerSession& session, int entry, const std::wstring& input, int button) {
  SelectEntry(PanelList(session), entry);
  SetInput(session, input);
  Press(session, button);
}

// Runs a program with its command line and waits for it; its exit code, or -1 when it could not start or
// did not end within the time-out.
inline int RunProgram(std::wstring commandLine, DWORD timeoutMs = 60000) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  const THandle processHandle(process.hProcess);
  const THandle threadHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}

// The plug-in's own boxes among those a script answered (the file dialog's overwrite question is not one).
inline std::vector<TDialogScript::TBox> PluginBoxes(const TDialogScript& script) {
  std::vector<TDialogScript::TBox> boxes;
  for (const auto& box : script.Boxes())
    if (box.caption == L"qelvar") boxes.push_back(box);
  return boxes;
}

inline std::wstring Quoted(const std::wstring& text) {
  return L"\"" + text + L"\"";
}

}  // namespace qelvar::gui
