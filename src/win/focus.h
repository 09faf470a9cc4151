// Keeping the focus across a modal loop. A message box, a popup menu or a file dialog hands the focus,
// when it ends, to whatever its owner's top-level window gives it; a host that does not pass the focus on
// to its child leaves it there, and the viewer's keys (Ctrl+S, the arrows) would then go to the host.
// Header-only, like the whole kit.
#pragma once

#include <windows.h>

namespace qelvar {

// Remembers the focused window when it is `owner` or one of its descendants, and gives the focus back to
// it at the end of the scope when it still exists and no longer has it. Nothing when the focus was
// elsewhere (another program, the host's own controls).
class TFocusKeeper {
 public:
  explicit TFocusKeeper(HWND owner) noexcept {
    const HWND focus = GetFocus();
    if (owner && focus && (focus == owner || IsChild(owner, focus))) focus_ = focus;
  }
  ~TFocusKeeper() {
    if (focus_ && IsWindow(focus_) && GetFocus() != focus_) SetFocus(focus_);
  }
  TFocusKeeper(const TFocusKeeper&) = delete;
  TFocusKeeper& operator=(const TFocusKeeper&) = delete;

 private:
  HWND focus_ = nullptr;
};

}  // namespace qelvar
