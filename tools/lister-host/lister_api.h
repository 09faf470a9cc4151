// The Lister plug-in interface as a host sees it: the eight entry points, loaded by name from the DLL.
// Shared by the stand-in host, the GUI tests and the benchmarks, which all play the host's part; the
// values and types come from the plug-in's own interface header.
#pragma once

#include <windows.h>

#include <string>

#include "host/lister_interface.h"
#include "win/handles.h"

namespace qelvar::host {

// A loaded plug-in. Entry points the DLL lacks stay null; Load fails only when the DLL itself does not
// load or lacks ListLoadW (without it there is nothing to show).
struct TListerPlugin {
  TLibrary module;
  ListLoadFn listLoad = nullptr;
  ListLoadWFn listLoadW = nullptr;
  ListCloseWindowFn listCloseWindow = nullptr;
  ListGetDetectStringFn listGetDetectString = nullptr;
  ListSetDefaultParamsFn listSetDefaultParams = nullptr;
  ListSearchTextFn listSearchText = nullptr;
  ListSearchTextWFn listSearchTextW = nullptr;
  ListSendCommandFn listSendCommand = nullptr;

  bool Load(const std::wstring& path) {
    module.Reset(LoadLibraryW(path.c_str()));
    if (!module) return false;
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
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
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
