// The stand-in Lister window: one top-level window that shows one file at a time through the plug-in.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "find_box.h"
#include "lister_api.h"

namespace qelvar::host {

struct THostOptions {
  std::wstring file;
  std::wstring plugin;  // empty: the .wlx64 / .wlx beside the host
  std::wstring ini;     // empty: lsplugin.ini beside the host, as the file manager keeps it
  bool dark = false;
  int width = 1000;  // client area
  int height = 640;
  std::wstring screenshot;  // non-empty: take a screenshot, then exit
  int afterMs = 1000;
  std::wstring until;  // non-empty: the screenshot also waits until the status bar shows this text
};

// Exit codes of the host.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class THostApp {
 public:
  explicit THostApp(THostOptions options);
  ~THostApp();
  THostApp(const THostApp&) = delete;
  THostApp& operator=(const THostApp&) = delete;

  // Loads the plug-in, opens the window and the file, runs the message loop; returns the exit code.
  int Run();

  // Window procedure entry (the object is found in the window's user data).
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // The find box's requests.
  int Search(const std::wstring& text, int flags);

 private:
  bool OpenFile(const std::wstring& path);
  bool CloseFile();
  void CloseHost();
  void OpenSibling(int step);
  void SetDark(bool dark);
  void UpdateTitle();
  void OnKey(WPARAM key);
  void OnCommand(int id);
  void OnTimer(UINT_PTR id);
  void TakeScreenshot();
  void Fail(const std::wstring& message);
  bool ViewerAlive() const;

  THostOptions options_;
  TListerPlugin plugin_;
  std::string detectString_;
  HWND window_ = nullptr;
  HWND listWin_ = nullptr;
  HMENU menu_ = nullptr;
  std::wstring currentFile_;
  bool dark_ = false;
  int exitCode_ = kExitOk;
  ULONGLONG screenshotDeadline_ = 0;
  std::unique_ptr<TFindBox> findBox_;
};

// Writes a message for the person who started the host: on the console when there is one, else (in an
// interactive run) in a message box.
void Report(const std::wstring& message, bool interactive);

}  // namespace qelvar::host
