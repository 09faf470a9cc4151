// The filter row's boxes: one edit box over each data column of the list view (none over the line-number
// column), which of them hold text not yet applied, and whether the row is shown. The viewer creates the
// boxes (they need its font and procedure) and applies their texts to the grid model.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qelvar {

class TFilterRow {
 public:
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible) noexcept { visible_ = visible; }

  // Per list-view column; null for the line-number column and for a box that could not be created.
  const std::vector<HWND>& Edits() const noexcept { return edits_; }
  // Destroys the boxes and forgets what was pending; then `count` empty places (0: none).
  void Reset(std::size_t count);
  // The box over list-view column `index` (a place of Reset); the box keeps `index` in its GWLP_USERDATA.
  void Put(std::size_t index, HWND edit) noexcept;
  // The syntax help that a box shows as a tooltip while the mouse rests on it, one form a line; the
  // tooltip window (a popup, destroyed by Forget) is made on the first call. Boxes put afterwards show it.
  void SetHelp(HWND window, const std::u16string& text) noexcept;
  HWND HelpTooltip() const noexcept { return tooltip_; }
  // The window is gone, and the boxes with it: their handles are forgotten, the help's tooltip destroyed.
  void Forget() noexcept;
  // The list-view column of box `control`, or -1 when it is none of the boxes (their control id is
  // `id`).
  int IndexOf(HWND control, int id) const noexcept;
  bool IsEdit(HWND control, int id) const noexcept { return IndexOf(control, id) >= 0; }

  // Places each box over the visible part of its column's header item, `height` high above the grid's
  // client area, in one batch so that the row moves as a whole while the grid scrolls; boxes of hidden
  // columns, and all when `rowVisible` is false, are hidden.
  void Place(HWND window, HWND listView, HWND header, int height, bool rowVisible) const noexcept;

  // The text of box `index` changed and is not applied yet; false for no such box.
  bool MarkPending(int index);
  // The pending flags by list-view column, forgotten here (the caller applies them).
  std::vector<bool> TakePending() noexcept;
  bool AnyPending() const noexcept;
  bool Pending(std::size_t index) const noexcept { return index < pending_.size() && pending_[index]; }
  void SetPending(std::vector<bool> pending) noexcept { pending_ = std::move(pending); }

 private:
  std::vector<HWND> edits_;
  std::vector<bool> pending_;  // per box: changed, not yet applied
  bool visible_ = true;
  HWND tooltip_ = nullptr;  // the help's tooltip (a popup owned by the viewer window)
  std::u16string help_;
};

}  // namespace qelvar
