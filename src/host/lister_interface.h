// The Lister plug-in interface as far as this plug-in uses it: the values of the host's commands, show
// flags and search flags (named as the host names them), the default-parameter record, and the types of
// the eight entry points. The exports, the viewer, the stand-in host and the tests all include this one
// header, so that they cannot disagree about a value. It depends on nothing but <windows.h>.
//
// The default detect string is the default of the setting "detect-string" in the settings' key table.
#pragma once

#include <windows.h>

namespace qelvar {

// ListSendCommand: the command.
inline constexpr int lc_copy = 1;
inline constexpr int lc_newparams = 2;
inline constexpr int lc_selectall = 3;
inline constexpr int lc_setpercent = 4;

// ListLoad(W) show flags and the parameter of lc_newparams.
enum : int {
  lcp_wraptext = 1,
  lcp_fittowindow = 2,
  lcp_ansi = 4,
  lcp_ascii = 8,
  lcp_variable = 12,
  lcp_forceshow = 16,  // the plug-in sits in a Lister window of its own
  lcp_fitlargeronly = 32,
  lcp_center = 64,
  lcp_darkmode = 128,
  lcp_darkmodenative = 256,
};

// ListSearchText(W) search flags.
enum : int { lcs_findfirst = 1, lcs_matchcase = 2, lcs_wholewords = 4, lcs_backwards = 8 };

// The record ListSetDefaultParams receives: three 32-bit fields, then the host's plug-in ini path in the
// ANSI code page, NUL-terminated within the field.
struct TListDefaultParams {
  int size;
  DWORD pluginInterfaceVersionLow;
  DWORD pluginInterfaceVersionHi;
  char defaultIniName[MAX_PATH];
};

// The entry points as the host calls them (stdcall on x86).
using ListLoadFn = HWND(WINAPI*)(HWND parentWin, char* fileToLoad, int showFlags);
using ListLoadWFn = HWND(WINAPI*)(HWND parentWin, WCHAR* fileToLoad, int showFlags);
using ListCloseWindowFn = void(WINAPI*)(HWND listWin);
using ListGetDetectStringFn = void(WINAPI*)(char* detectString, int maxLen);
using ListSetDefaultParamsFn = void(WINAPI*)(TListDefaultParams* params);
using ListSearchTextFn = int(WINAPI*)(HWND listWin, char* searchString, int searchParameter);
using ListSearchTextWFn = int(WINAPI*)(HWND listWin, WCHAR* searchString, int searchParameter);
using ListSendCommandFn = int(WINAPI*)(HWND listWin, int command, int parameter);

}  // namespace qelvar
