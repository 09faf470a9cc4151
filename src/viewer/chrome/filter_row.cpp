#include "viewer/chrome/filter_row.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace qelvar {

namespace {

// The tool of `edit` in the help tooltip: the box itself, the text asked for when it shows.
TTTOOLINFOW HelpTool(HWND edit, const std::u16string* text) noexcept {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(edit);
  tool.uId = reinterpret_cast<UINT_PTR>(edit);
  tool.lpszText = text ? const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(text->c_str())) : nullptr;
  return tool;
}

}  // namespace

void TFilterRow::SetHelp(HWND window, const std::u16string& text) noexcept {
  try {
    help_ = text;
  } catch (...) {
    return;
  }
  if (!tooltip_ || !IsWindow(tooltip_)) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)), nullptr);
    // Wide enough for the longest form, one form a line; it stays up while the mouse rests on the box.
    if (tooltip_) {
      SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 480);
      SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    }
  }
}

void TFilterRow::Reset(std::size_t count) {
  for (HWND edit : edits_) {
    if (!edit) continue;
    if (tooltip_) {
      TTTOOLINFOW tool = HelpTool(edit, nullptr);
      SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    DestroyWindow(edit);
  }
  edits_.clear();
  pending_.clear();
  edits_.assign(count, nullptr);
}

void TFilterRow::Put(std::size_t index, HWND edit) noexcept {
  if (index >= edits_.size()) return;
  edits_[index] = edit;
  if (!edit) return;
  SetWindowLongPtrW(edit, GWLP_USERDATA, static_cast<LONG_PTR>(index));
  if (tooltip_ && !help_.empty()) {
    TTTOOLINFOW tool = HelpTool(edit, &help_);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void TFilterRow::Forget() noexcept {
  edits_.clear();
  // A popup's owner is the top-level window (the host's), which outlives the viewer: it goes now.
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

int TFilterRow::IndexOf(HWND control, int id) const noexcept {
  if (!control || GetDlgCtrlID(control) != id) return -1;
  const LONG_PTR index = GetWindowLongPtrW(control, GWLP_USERDATA);
  const bool box = index >= 0 && static_cast<std::size_t>(index) < edits_.size() &&
                   edits_[static_cast<std::size_t>(index)] == control;
  return box ? static_cast<int>(index) : -1;
}

void TFilterRow::Place(HWND window, HWND listView, HWND header, int height, bool rowVisible) const noexcept {
  if (!listView || !header || !window) return;
  RECT grid{};
  GetClientRect(listView, &grid);
  MapWindowPoints(listView, window, reinterpret_cast<POINT*>(&grid), 2);

  struct TPlacement {
    HWND edit;
    int left, width;
  };
  std::vector<TPlacement> placements;
  try {
    placements.reserve(edits_.size());
  } catch (...) {
    return;
  }
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (!edits_[i]) continue;
    int left = grid.left;
    int right = grid.left;
    RECT item{};
    if (Header_GetItemRect(header, static_cast<int>(i), &item)) {
      MapWindowPoints(header, window, reinterpret_cast<POINT*>(&item), 2);
      left = std::clamp(static_cast<int>(item.left), static_cast<int>(grid.left), static_cast<int>(grid.right));
      right = std::clamp(static_cast<int>(item.right), static_cast<int>(grid.left), static_cast<int>(grid.right));
    }
    placements.push_back({edits_[i], left, std::max(right - left, 0)});
  }

  const auto flagsOf = [&](const TPlacement& p) {
    return SWP_NOZORDER | SWP_NOACTIVATE | (rowVisible && p.width > 0 ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  };
  HDWP batch = BeginDeferWindowPos(static_cast<int>(placements.size()));
  if (batch) {
    for (const TPlacement& p : placements) {
      batch = DeferWindowPos(batch, p.edit, nullptr, p.left, grid.top - height, p.width, height, flagsOf(p));
      if (!batch) break;
    }
    if (batch && EndDeferWindowPos(batch)) return;
  }
  for (const TPlacement& p : placements)
    SetWindowPos(p.edit, nullptr, p.left, grid.top - height, p.width, height, flagsOf(p));
}

bool TFilterRow::MarkPending(int index) {
  if (index < 0 || index >= static_cast<int>(edits_.size())) return false;
  if (pending_.size() != edits_.size()) pending_.resize(edits_.size(), false);
  pending_[static_cast<std::size_t>(index)] = true;
  return true;
}

std::vector<bool> TFilterRow::TakePending() noexcept {
  std::vector<bool> pending = std::move(pending_);
  pending_.clear();
  return pending;
}

bool TFilterRow::AnyPending() const noexcept {
  return std::find(pending_.begin(), pending_.end(), true) != pending_.end();
}

}  // namespace qelvar
