// The clipboard as a test reads, fills and blocks it (declared in edit_test_support.h).
#include <cstring>

#include "edit_test_support.h"

namespace qelvar::gui {
namespace {

// Wine synchronises the clipboard with X on another thread: opening it may fail for a moment.
bool OpenWithRetry(HWND owner) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(owner)) return true;
    PumpFor(20);
  }
  return false;
}

}  // namespace

std::optional<std::wstring> ClipboardText() {
  if (!OpenWithRetry(nullptr)) return std::nullopt;
  std::optional<std::wstring> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = std::wstring(chars);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void PutClipboardText(const std::wstring& text) {
  ASSERT_TRUE(OpenWithRetry(nullptr));
  EmptyClipboard();
  TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
  if (memory) {
    std::memcpy(GlobalLock(memory.Get()), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory.Get());
    if (SetClipboardData(CF_UNICODETEXT, memory.Get())) memory.Release();
  }
  CloseClipboard();
}

namespace {

struct THolderStart {
  HANDLE opened;   // set once the clipboard is open (or could not be)
  HANDLE release;  // set by the test to let go
  bool holding = false;
};

DWORD WINAPI HoldClipboard(void* parameter) {
  auto& start = *static_cast<THolderStart*>(parameter);
  const HWND window =
      CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  for (int attempt = 0; attempt < 50 && !start.holding; ++attempt) {
    start.holding = OpenClipboard(window) != FALSE;
    if (!start.holding) Sleep(20);
  }
  const HANDLE release = start.release;
  const bool holding = start.holding;
  SetEvent(start.opened);  // `start` may be gone from here on
  WaitForSingleObject(release, 30000);
  if (holding) CloseClipboard();
  DestroyWindow(window);
  return 0;
}

}  // namespace

TClipboardHolder::TClipboardHolder() : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  const THandle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  THolderStart start{opened.Get(), release_.Get()};
  thread_.Reset(CreateThread(nullptr, 0, &HoldClipboard, &start, 0, nullptr));
  if (thread_) WaitForSingleObject(opened.Get(), 10000);
  holding_ = start.holding;
}

TClipboardHolder::~TClipboardHolder() {
  SetEvent(release_.Get());
  if (thread_) WaitForSingleObject(thread_.Get(), 10000);
}

}  // namespace qelvar::gui
