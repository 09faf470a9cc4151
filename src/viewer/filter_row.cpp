// The filter row: one edit box over each data column, placed over the visible part of its column, and
// applied to the grid model 250 ms after the typing pauses.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {

void TCsvViewer::CreateFilterEdits() {
  const int count = std::max(GridColumnCount(), 0);
  const auto dataColumns = static_cast<std::size_t>(std::max(count - LineNumberOffset(), 0));
  std::vector<bool>& hidden = HiddenColumnFlags();
  if (hidden.size() != dataColumns) hidden.resize(dataColumns, false);

  for (HWND edit : filterEdits)
    if (edit) DestroyWindow(edit);
  filterEdits.assign(static_cast<std::size_t>(count), nullptr);
  pendingFilters.clear();
  themeStale = true;
  if (!header || transformedView) return;

  const int align = ReadInteger(u"filter-align");
  const DWORD alignment = align == -1 ? ES_LEFT : align == 1 ? ES_RIGHT : ES_CENTER;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  for (int i = 0; i < count; ++i) {
    if (showLineNumbers && i == 0) continue;
    // Boxes recreated over a model that kept its filters (the transformed view left, a toggle) show them
    // again: the row never hides a filter that applies. Given at creation, the text notifies no change.
    const auto column = static_cast<std::size_t>(i - LineNumberOffset());
    const std::u16string filter = model && column < model->Filters().size() ? model->Filters()[column] : u"";
    const HWND edit = CreateWindowExW(
        0, L"Edit", Wide(filter), WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | alignment, 0, 0, 0, 0,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFilterEditFirstId + i)), instance, nullptr);
    if (!edit) continue;
    filterEdits[static_cast<std::size_t>(i)] = edit;
    if (font) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    SetEditMargins(edit);
    SubclassControl(edit, &FilterEditProc);
  }
  PlaceFilterEdits();
}

void TCsvViewer::PlaceFilterEdits() noexcept {
  if (!listView || !header || !window) return;
  RECT grid{};
  GetClientRect(listView, &grid);
  MapWindowPoints(listView, window, reinterpret_cast<POINT*>(&grid), 2);
  const int height = FilterRowHeight();
  const bool rowVisible = filterRowVisible && !transformedView;

  struct TPlacement {
    HWND edit;
    int left, width;
  };
  std::vector<TPlacement> placements;
  try {
    placements.reserve(filterEdits.size());
  } catch (...) {
    return;
  }
  for (std::size_t i = 0; i < filterEdits.size(); ++i) {
    if (!filterEdits[i]) continue;
    int left = grid.left;
    int right = grid.left;
    RECT item{};
    if (Header_GetItemRect(header, static_cast<int>(i), &item)) {
      MapWindowPoints(header, window, reinterpret_cast<POINT*>(&item), 2);
      left = std::clamp(static_cast<int>(item.left), static_cast<int>(grid.left), static_cast<int>(grid.right));
      right = std::clamp(static_cast<int>(item.right), static_cast<int>(grid.left), static_cast<int>(grid.right));
    }
    placements.push_back({filterEdits[i], left, std::max(right - left, 0)});
  }

  const auto flagsOf = [&](const TPlacement& p) {
    return SWP_NOZORDER | SWP_NOACTIVATE | (rowVisible && p.width > 0 ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  };
  // One batch, so that the row moves as a whole while the grid scrolls.
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

bool TCsvViewer::IsFilterEdit(HWND control) const noexcept {
  if (!control) return false;
  const int index = GetDlgCtrlID(control) - kFilterEditFirstId;
  return index >= 0 && index < static_cast<int>(filterEdits.size()) &&
         filterEdits[static_cast<std::size_t>(index)] == control;
}

void TCsvViewer::FilterTextChanged(int index) {
  if (index < 0 || index >= static_cast<int>(filterEdits.size())) return;
  if (pendingFilters.size() != filterEdits.size()) pendingFilters.resize(filterEdits.size(), false);
  pendingFilters[static_cast<std::size_t>(index)] = true;
  // Each further change within the period starts the wait again.
  SetTimer(window, kFilterTimer, kFilterDelayMs, nullptr);
}

void TCsvViewer::ApplyPendingFilters() {
  KillTimer(window, kFilterTimer);
  const std::vector<bool> pending = std::move(pendingFilters);
  pendingFilters.clear();
  for (std::size_t i = 0; i < pending.size(); ++i)
    if (pending[i]) ApplyFilterEdit(static_cast<int>(i));
}

void TCsvViewer::ApplyFilterEdit(int index) {
  if (index < 0 || index >= static_cast<int>(filterEdits.size())) return;
  const HWND edit = filterEdits[static_cast<std::size_t>(index)];
  const int column = index - LineNumberOffset();
  if (!edit || column < 0 || !model) return;

  const std::u16string filter = WindowText(edit);
  RebuildVisibleRows([&] { model->SetFilter(column, filter); }, false);

  search.Forget();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
}

}  // namespace qelvar
