// The GUI test harness: plays the host's part for the real plug-in DLL under Wine.
//
// The DLL is loaded once per test process with LoadLibraryW and driven through its exports and window
// messages, never through its internals. The settings live in one ini file per process (the first
// ListSetDefaultParams wins, so the path cannot change); tests rewrite its contents with SetSettings,
// which the plug-in reads at every use.
//
// Waiting is always for a condition (PumpUntil) with a time-out; PumpFor exists only for checking that
// something does NOT happen within a period.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../../tools/lister-host/lister_api.h"
#include "viewer/commands.h"
#include "win/dialog_answerer.h"
#include "win/files.h"

namespace qelvar::gui {

// ---- the plug-in and the files of a test run --------------------------------------------------------

// The plug-in, loaded on first use (fails the test run when it cannot be loaded). Before handing it out
// the harness has called ListSetDefaultParams with the path of SettingsPath().
const host::TListerPlugin& Plugin();
// The Windows path of the DLL under test.
std::wstring PluginPath();
// The Windows path of a file of the source tree, e.g. SourcePath(L"examples/sample.csv").
std::wstring SourcePath(std::wstring_view relative);
// The Windows path of the build folder of the plug-in (screenshots for people go there).
std::wstring BuildPath(std::wstring_view relative);
// A path of the machine that builds (as CMake names build outputs) as the Windows path Wine maps it to.
std::wstring WindowsPathOf(const std::string& unixPath);
// A folder of this process, created on first use and removed at exit.
std::wstring TempDir();
// Writes `bytes` to TempDir()\name and returns its path.
std::wstring WriteTempFile(std::wstring_view name, std::string_view bytes);
// ReadFileBytes and WriteFileBytes read and write whole files (win/files.h).

// ---- settings -----------------------------------------------------------------------------------------

// The ini file handed to the plug-in.
std::wstring SettingsPath();
// Replaces the settings: writes "[qelvar]" and then the given lines ("key=value\n...") as UTF-8.
void SetSettings(std::string_view lines);
// Back to an empty section: every setting at its default.
inline void ResetSettings() { SetSettings({}); }

// ---- message loop -------------------------------------------------------------------------------------

// Dispatches this thread's messages until `condition` holds (checked after every message and at least
// every 10 ms) or `timeoutMs` passes. Returns whether the condition held.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// Dispatches messages for a fixed period (only for "nothing happens within ..." checks).
void PumpFor(DWORD milliseconds);
// Dispatches what is queued now, without waiting.
void PumpPending();

// ---- the host window ------------------------------------------------------------------------------------

// A top-level window standing in for Lister: resizable, visible, and it records the key-down messages
// that the plug-in posts back to it.
class THostWindow {
 public:
  explicit THostWindow(int width = 900, int height = 600);
  ~THostWindow();
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  // Key-down messages received so far: (virtual key, long parameter).
  const std::vector<std::pair<WPARAM, LPARAM>>& PostedKeys() const;
  void ClearPostedKeys();
  // Resizes the client area; the plug-in window follows (as in the host).
  void Resize(int width, int height);

  struct TState;

 private:
  std::unique_ptr<TState> state_;
  HWND hwnd_ = nullptr;
};

// ---- a viewer opened like the host opens one ----------------------------------------------------------

// The filter box of list-view column `column` in a viewer window (they share one id and keep their column
// in GWLP_USERDATA), or null.
HWND FilterBox(HWND viewer, int column);

// Opens `path` through ListLoadW in a new host window. Closing (ListCloseWindow) happens in Close() or
// the destructor; a viewer that destroyed itself (failed load) is simply gone.
class TViewerSession {
 public:
  explicit TViewerSession(const std::wstring& path, int showFlags = 0, int width = 900, int height = 600);
  ~TViewerSession();
  TViewerSession(const TViewerSession&) = delete;
  TViewerSession& operator=(const TViewerSession&) = delete;

  THostWindow& Host() { return host_; }
  // The window ListLoadW returned (null when it refused).
  HWND Viewer() const { return viewer_; }
  // Whether the viewer window still exists.
  bool Alive() const { return viewer_ != nullptr && IsWindow(viewer_) != FALSE; }
  // Waits until the grid is shown (the list view visible, the loading label hidden).
  bool WaitLoaded(DWORD timeoutMs = 10000);
  // Waits until the viewer window is gone (e.g. after a failed load).
  bool WaitGone(DWORD timeoutMs = 10000);
  // ListCloseWindow; returns whether the window is gone afterwards.
  bool Close();

  HWND ListView() const { return Child(kListViewId); }
  HWND Header() const;
  HWND StatusBar() const { return Child(kStatusBarId); }
  HWND LoadingLabel() const { return Child(kLoadingLabelId); }
  // The filter edit of list-view column `column` (null when there is none).
  HWND FilterEdit(int column) const { return Alive() ? FilterBox(viewer_, column) : nullptr; }
  HWND Child(int id) const;

 private:
  THostWindow host_;
  HWND viewer_ = nullptr;
};

// ---- reading the controls -------------------------------------------------------------------------------

int ItemCount(HWND listView);
int ColumnCount(HWND listView);
std::vector<std::wstring> ColumnTitles(HWND listView);
int ColumnWidth(HWND listView, int column);
// The text the list view shows for a cell: asked through LVM_GETITEMTEXTW, i.e. the owner-data path.
std::wstring CellText(HWND listView, int item, int subItem);
// A whole row (every column, line-number column included when shown).
std::vector<std::wstring> RowTexts(HWND listView, int item);
std::vector<int> SelectedItems(HWND listView);
int FocusedItem(HWND listView);
int TopIndex(HWND listView);
// The sort arrow drawn in a header item, read from the header's pixels (the header's own sort flags are
// not what the user sees): 1 pointing up, -1 pointing down, 0 none, 2 ink that is no arrow.
int SortArrow(HWND header, int column);

// The first top-level window of process `processId` with the class `className`, or null.
HWND TopLevelOf(DWORD processId, const wchar_t* className);

// Status bar parts: their right edges (SB_GETPARTS) and texts (SB_GETTEXTW).
std::vector<int> StatusPartEdges(HWND statusBar);
std::vector<std::wstring> StatusTexts(HWND statusBar);

// A window's rectangle in the client coordinates of `relativeTo`.
RECT RectIn(HWND window, HWND relativeTo);
bool IsShown(HWND window);
std::wstring WindowText(HWND window);

// ---- input ----------------------------------------------------------------------------------------------

// Sets the thread's keyboard state for modifiers while alive (GetKeyState then reports them) and
// restores the previous state afterwards. Pass virtual keys such as VK_CONTROL, VK_SHIFT, VK_MENU.
class TModifierKeys {
 public:
  explicit TModifierKeys(std::initializer_list<int> keys);
  ~TModifierKeys();
  TModifierKeys(const TModifierKeys&) = delete;
  TModifierKeys& operator=(const TModifierKeys&) = delete;

 private:
  BYTE saved_[256]{};
};

// Sends WM_KEYDOWN (and WM_KEYUP) of `vk` to `window` with the scan code in the long parameter, then
// dispatches what the key caused to be posted.
void SendKey(HWND window, int vk);
// Sends WM_KEYDOWN only.
LRESULT SendKeyDown(HWND window, int vk);
// Types text into an edit box character by character (WM_CHAR), as a user would.
void TypeText(HWND edit, std::wstring_view text);
// Clicks a header item with the mouse (button down and up over its middle), first scrolling the list view
// as a user would when the item is out of view. Modifiers come from the keyboard state (TModifierKeys).
void ClickColumnHeader(HWND listView, int column);
// A left click at a point in the client area of `window` (button down and up messages).
void ClickAt(HWND window, int x, int y);

// ---- message boxes --------------------------------------------------------------------------------------

// While alive, every message box of this thread is answered at once with `answer` (IDOK, IDYES, IDNO,
// IDCANCEL ...) and its caption and text are recorded. Nested instances are not supported (they throw).
class TMessageBoxAnswerer {
 public:
  using TBox = TDialogAnswerer::TDialog;

  explicit TMessageBoxAnswerer(int answer = IDOK)
      : answer_(answer), answerer_([this](const TBox& box) {
          boxes_.push_back(box);
          return answer_;
        }) {}

  void SetAnswer(int answer) { answer_ = answer; }
  const std::vector<TBox>& Boxes() const { return boxes_; }

 private:
  int answer_;
  std::vector<TBox> boxes_;
  TDialogAnswerer answerer_;  // last: it calls back into the members above
};

// ---- pixels and resources -------------------------------------------------------------------------------

// A capture of a window's client area (after UpdateWindow), 32-bit BGRX rows top-down.
struct TCapture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB as read from the DIB
  // The pixel as a Windows colour value (0x00BBGGRR), comparable with the settings' colours.
  COLORREF At(int x, int y) const;
  bool Empty() const { return pixels.empty(); }
};
TCapture CaptureWindow(HWND window);
// Writes a capture as PNG; false when the file cannot be written.
bool SavePng(const TCapture& capture, const std::wstring& path);

// GDI and USER objects of this process (GetGuiResources).
DWORD GdiObjectCount();
DWORD UserObjectCount();

// Text helpers for assertions.
std::string Utf8(std::wstring_view text);

}  // namespace qelvar::gui
