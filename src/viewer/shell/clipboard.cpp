#include "viewer/shell/clipboard.h"

#include <cstring>

#include "win/handles.h"

namespace qelvar {
namespace {

// The clipboard opened for a window while alive.
class TOpenClipboard {
 public:
  explicit TOpenClipboard(HWND owner) noexcept {
    // Another program may hold it for a moment (and Wine synchronises it with X on another thread).
    for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
      if (attempt > 0) Sleep(10);
      open_ = OpenClipboard(owner) != FALSE;
    }
  }
  ~TOpenClipboard() {
    if (open_) CloseClipboard();
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
  explicit operator bool() const noexcept { return open_; }

 private:
  bool open_ = false;
};

}  // namespace

bool SetClipboardText(HWND owner, std::u16string_view text) noexcept {
  // Everything that can fail before the clipboard is touched happens first: its content stays otherwise.
  TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t)));
  if (!memory) return false;
  auto* target = static_cast<char16_t*>(GlobalLock(memory.Get()));
  if (!target) return false;
  if (!text.empty()) std::memcpy(target, text.data(), text.size() * sizeof(char16_t));
  target[text.size()] = u'\0';
  GlobalUnlock(memory.Get());

  const TOpenClipboard clipboard(owner);
  if (!clipboard || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
  memory.Release();  // the clipboard owns it now
  return true;
}

}  // namespace qelvar
