// The eight functions the host's Lister calls. Each one converts its arguments and forwards to the viewer
// or the settings store; nothing else is exported (see qelvar.def).
//
// The host calls these on its user-interface thread and cannot handle a C++ exception: every function
// catches everything and answers as if the request had failed.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/platform.h"
#include "platform/utf.h"
#include "platform/wide.h"
#include "host/lister_interface.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

namespace {

std::u16string FromAnsi(const char* text) {
  return text != nullptr ? qelvar::platform::AnsiToUtf16(text) : std::u16string();
}

// The longest prefix of `utf8` of at most `limit` bytes that does not end inside a character.
std::size_t Utf8PrefixLength(std::string_view utf8, std::size_t limit) {
  if (utf8.size() <= limit) return utf8.size();
  std::size_t n = limit;
  // Step back over continuation bytes to the lead byte of the cut character, and drop that character.
  while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0U) == 0x80U) --n;
  return n;
}

}  // namespace

extern "C" {

HWND WINAPI ListLoadW(HWND parentWin, WCHAR* fileToLoad, int showFlags) {
  try {
    return qelvar::CreateViewer(parentWin, qelvar::FromWide(fileToLoad), showFlags);
  } catch (...) {
    return nullptr;
  }
}

HWND WINAPI ListLoad(HWND parentWin, char* fileToLoad, int showFlags) {
  try {
    return qelvar::CreateViewer(parentWin, FromAnsi(fileToLoad), showFlags);
  } catch (...) {
    return nullptr;
  }
}

void WINAPI ListCloseWindow(HWND listWin) {
  try {
    qelvar::CloseViewer(listWin);
  } catch (...) {
    // the window stays; the host may ask again
  }
}

void WINAPI ListGetDetectString(char* detectString, int maxLen) {
  if (detectString == nullptr || maxLen <= 0) return;
  try {
    const std::string utf8 = qelvar::Utf16ToUtf8(qelvar::ReadString(u"detect-string"));
    const std::size_t n = Utf8PrefixLength(utf8, static_cast<std::size_t>(maxLen) - 1);
    std::memcpy(detectString, utf8.data(), n);
    detectString[n] = '\0';
  } catch (...) {
    detectString[0] = '\0';
  }
}

void WINAPI ListSetDefaultParams(qelvar::TListDefaultParams* params) {
  if (params == nullptr) return;
  try {
    // The path fills at most the record's field, terminated or not.
    const std::size_t length = strnlen(params->defaultIniName, sizeof(params->defaultIniName));
    qelvar::SetDefaultIniPath(qelvar::platform::AnsiToUtf16(std::string_view(params->defaultIniName, length)));
  } catch (...) {
    // without the host's path the plug-in's own ini file is used
  }
}

int WINAPI ListSearchTextW(HWND listWin, WCHAR* searchString, int searchParameter) {
  try {
    return qelvar::SearchViewer(listWin, qelvar::FromWide(searchString), searchParameter);
  } catch (...) {
    return 0;
  }
}

int WINAPI ListSearchText(HWND listWin, char* searchString, int searchParameter) {
  try {
    return qelvar::SearchViewer(listWin, FromAnsi(searchString), searchParameter);
  } catch (...) {
    return 0;
  }
}

int WINAPI ListSendCommand(HWND listWin, int command, int parameter) {
  try {
    qelvar::SendViewerCommand(listWin, command, parameter);
  } catch (...) {
    // ignored like any command the viewer does not know
  }
  return 0;
}

}  // extern "C"

// Each export has exactly the type under which the host calls it.
static_assert(std::is_same_v<decltype(&ListLoad), qelvar::ListLoadFn>);
static_assert(std::is_same_v<decltype(&ListLoadW), qelvar::ListLoadWFn>);
static_assert(std::is_same_v<decltype(&ListCloseWindow), qelvar::ListCloseWindowFn>);
static_assert(std::is_same_v<decltype(&ListGetDetectString), qelvar::ListGetDetectStringFn>);
static_assert(std::is_same_v<decltype(&ListSetDefaultParams), qelvar::ListSetDefaultParamsFn>);
static_assert(std::is_same_v<decltype(&ListSearchText), qelvar::ListSearchTextFn>);
static_assert(std::is_same_v<decltype(&ListSearchTextW), qelvar::ListSearchTextWFn>);
static_assert(std::is_same_v<decltype(&ListSendCommand), qelvar::ListSendCommandFn>);
