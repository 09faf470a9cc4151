// The Lister plug-in interface as a host sees it: the eight entry points, loaded by name from the DLL.
// Shared by the stand-in host and the GUI tests, which both play the host's part.
#pragma once

#include <windows.h>

#include <string>

namespace qelvar::host {

// Search flags of ListSearchText(W).
inline constexpr int kSearchFindFirst = 1;
inline constexpr int kSearchMatchCase = 2;
inline constexpr int kSearchWholeWords = 4;
inline constexpr int kSearchBackwards = 8;

// ListSendCommand: new display parameters, and the dark-mode bits of the show flags and of its parameter.
inline constexpr int kCommandNewParams = 2;
inline constexpr int kShowFlagForceShow = 0x10;
inline constexpr int kShowFlagDarkMode = 0x80;
inline constexpr int kShowFlagDarkModeNative = 0x100;

// The record ListSetDefaultParams receives: three 32-bit fields, then the plug-in ini path in ANSI.
struct TListDefaultParams {
  int size;
  DWORD pluginInterfaceVersionLow;
  DWORD pluginInterfaceVersionHi;
  char defaultIniName[MAX_PATH];
};

using ListLoadFn = HWND(WINAPI*)(HWND parent, char* fileToLoad, int showFlags);
using ListLoadWFn = HWND(WINAPI*)(HWND parent, WCHAR* fileToLoad, int showFlags);
using ListCloseWindowFn = void(WINAPI*)(HWND listWin);
using ListGetDetectStringFn = void(WINAPI*)(char* detectString, int maxLen);
using ListSetDefaultParamsFn = void(WINAPI*)(TListDefaultParams* params);
using ListSearchTextFn = int(WINAPI*)(HWND listWin, char* searchString, int searchParameter);
using ListSearchTextWFn = int(WINAPI*)(HWND listWin, WCHAR* searchString, int searchParameter);
using ListSendCommandFn = int(WINAPI*)(HWND listWin, int command, int parameter);

// A loaded plug-in. Entry points the DLL lacks stay null; Load fails only when the DLL itself does not
// load or lacks ListLoadW (without it there is nothing to show).
struct TListerPlugin {
  HMODULE module = nullptr;
  ListLoadFn listLoad = nullptr;
  ListLoadWFn listLoadW = nullptr;
  ListCloseWindowFn listCloseWindow = nullptr;
  ListGetDetectStringFn listGetDetectString = nullptr;
  ListSetDefaultParamsFn listSetDefaultParams = nullptr;
  ListSearchTextFn listSearchText = nullptr;
  ListSearchTextWFn listSearchTextW = nullptr;
  ListSendCommandFn listSendCommand = nullptr;

  TListerPlugin() = default;
  TListerPlugin(const TListerPlugin&) = delete;
  TListerPlugin& operator=(const TListerPlugin&) = delete;
  ~TListerPlugin() {
    if (module != nullptr) FreeLibrary(module);
  }

  bool Load(const std::wstring& path) {
    module = LoadLibraryW(path.c_str());
    if (module == nullptr) return false;
    Resolve(listLoad, "ListLoad");
    Resolve(listLoadW, "ListLoadW");
    Resolve(listCloseWindow, "ListCloseWindow");
    Resolve(listGetDetectString, "ListGetDetectString");
    Resolve(listSetDefaultParams, "ListSetDefaultParams");
    Resolve(listSearchText, "ListSearchText");
    Resolve(listSearchTextW, "ListSearchTextW");
    Resolve(listSendCommand, "ListSendCommand");
    return listLoadW != nullptr;
  }

 private:
  template <typename Fn>
  void Resolve(Fn& fn, const char* name) {
    // GetProcAddress returns a generic function pointer; the cast to the real signature is the contract.
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
};

// Hands an ini path to the plug-in the way the host does (converted to the ANSI code page).
inline void SetPluginIni(const TListerPlugin& plugin, const std::wstring& iniPath) {
  if (plugin.listSetDefaultParams == nullptr) return;
  TListDefaultParams params{};
  params.size = static_cast<int>(sizeof(params));
  params.pluginInterfaceVersionLow = 10;
  params.pluginInterfaceVersionHi = 2;
  WideCharToMultiByte(CP_ACP, 0, iniPath.c_str(), -1, params.defaultIniName,
                      static_cast<int>(sizeof(params.defaultIniName)) - 1, nullptr, nullptr);
  plugin.listSetDefaultParams(&params);
}

}  // namespace qelvar::host
