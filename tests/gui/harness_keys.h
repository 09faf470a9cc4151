// Keys as the host delivers them, and what the plug-in hands to the shell.
//
// The host's message loop translates every key-down (TranslateMessage queues its WM_CHAR) before it
// dispatches it; PostKey goes the same way through the harness's pump, so a test sees both what a key
// does and what it would type. TShellOpens records the plug-in's ShellExecuteW calls.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "harness.h"
#include "plugin_imports.h"

namespace qelvar::gui {

// Posts the key-down and key-up of `vk` (scan code and repeat count in the long parameter) to `window` and
// dispatches them, translated, with everything they cause. Modifiers come from TModifierKeys.
inline void PostKey(HWND window, int vk) {
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(vk), static_cast<LPARAM>(1U | (scan << 16)));
  PostMessageW(window, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001U | (scan << 16)));
  PumpPending();
}

// The long parameter of a key-down of `vk` as the plug-in posts it to the host.
inline LPARAM HostKeyData(int vk) {
  return static_cast<LPARAM>(1U | (MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC) << 16));
}

// While alive, the plug-in's ShellExecuteW calls are recorded; they reach the shell only with
// `passOn` (otherwise they report success without opening anything).
class TShellOpens {
 public:
  struct TCall {
    std::wstring verb;
    std::wstring target;
    int show = 0;
  };
  explicit TShellOpens(bool passOn = false) {
    Calls().clear();
    PassOn() = passOn;
    Original() = patch_.Original<decltype(ShellExecuteW)>();
  }
  ~TShellOpens() { Original() = nullptr; }
  TShellOpens(const TShellOpens&) = delete;
  TShellOpens& operator=(const TShellOpens&) = delete;

  bool Installed() const { return patch_.Installed(); }
  const std::vector<TCall>& Seen() const { return Calls(); }

 private:
  static std::vector<TCall>& Calls() {
    static std::vector<TCall> calls;
    return calls;
  }
  static bool& PassOn() {
    static bool passOn = false;
    return passOn;
  }
  static decltype(ShellExecuteW)*& Original() {
    static decltype(ShellExecuteW)* original = nullptr;
    return original;
  }
  static HINSTANCE WINAPI Record(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, INT show) {
    Calls().push_back({verb ? verb : L"", file ? file : L"", show});
    if (PassOn() && Original()) return Original()(owner, verb, file, parameters, folder, show);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
  }

  TImportPatch patch_{"shell32.dll", "ShellExecuteW", &Record};
};

}  // namespace qelvar::gui
