#include "viewer/chrome/filter_row.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace qelvar {

void TFilterRow::Reset(std::size_t count) {
  for (HWND edit : edits_)
    if (edit) DestroyWindow(edit);
  edits_.clear();
  pending_.clear();
  edits_.assign(count, nullptr);
}

void TFilterRow::Put(std::size_t index, HWND edit) noexcept {
  if (index >= edits_.size()) return;
  edits_[index] = edit;
  if (edit) SetWindowLongPtrW(edit, GWLP_USERDATA, static_cast<LONG_PTR>(index));
}

void TFilterRow::Forget() noexcept { edits_.clear(); }

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
