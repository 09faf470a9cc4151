// The filter row: one edit box over each data column, placed over the visible part of its column, and
// applied to the grid model 250 ms after the typing pauses.
#include <algorithm>
#include <vector>

#include "document/csv_document.h"
#include "grid/filter_match.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {

void TCsvViewer::CreateFilterEdits() {
  ResetFilterRow();
  CreateFilterBoxes();
}

void TCsvViewer::ResetFilterRow() {
  const int count = std::max(GridColumnCount(), 0);
  const auto dataColumns = static_cast<std::size_t>(std::max(count - LineNumberOffset(), 0));
  std::vector<bool>& hidden = HiddenColumnFlags();
  if (hidden.size() != dataColumns) hidden.resize(dataColumns, false);

  filterRow.Reset(static_cast<std::size_t>(count));
}

void TCsvViewer::CreateFilterBoxes() {
  const int count = std::max(GridColumnCount(), 0);
  theme.MarkStale();
  const std::vector<HWND>& made = filterRow.Edits();
  if (!header || view.transformed || std::any_of(made.begin(), made.end(), [](HWND edit) { return edit != nullptr; }))
    return;
  // The filter syntax, one form a line, as the boxes' tooltip (in the language now).
  std::u16string help = UiText(utFilterHelp);
  for (std::size_t at = help.find(u" \u00B7 "); at != std::u16string::npos; at = help.find(u" \u00B7 ", at))
    help.replace(at, 3, u"\r\n");
  filterRow.SetHelp(window, help);

  const int align = ReadInteger(u"filter-align");
  const DWORD alignment = align == -1 ? ES_LEFT : align == 1 ? ES_RIGHT : ES_CENTER;
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  // A box is a window, and the host's process may own 10,000 of them: in a very wide file the columns past
  // kMaxFilterBoxes get none, so that the viewer never starves the host of windows.
  const int last = std::min(count, kMaxFilterBoxes + LineNumberOffset());
  for (int i = 0; i < last; ++i) {
    if (view.lineNumbers && i == 0) continue;
    // Boxes recreated over a model that kept its filters (the transformed view left, a toggle) show them
    // again: the row never hides a filter that applies. Given at creation, the text notifies no change.
    const auto column = static_cast<std::size_t>(i - LineNumberOffset());
    const std::u16string filter = model && column < model->Filters().size() ? model->Filters()[column] : u"";
    const HWND edit = CreateWindowExW(
        0, L"Edit", Wide(filter), WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | alignment, 0, 0, 0, 0,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFilterEditId)), instance, nullptr);
    if (!edit) continue;
    filterRow.Put(static_cast<std::size_t>(i), edit);
    if (fonts.Regular()) SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Regular()), FALSE);
    SetEditMargins(edit);
    SubclassControl(edit, &FilterEditProc);
  }
  PlaceFilterEdits();
}

void TCsvViewer::PlaceFilterEdits() noexcept {
  filterRow.Place(window, listView, header, metrics.FilterRowHeight(), filterRow.Visible() && !view.transformed);
  PlaceCellEditor();
}

bool TCsvViewer::IsFilterEdit(HWND control) const noexcept { return filterRow.IsEdit(control, kFilterEditId); }

void TCsvViewer::FilterTextChanged(int index) {
  if (!filterRow.MarkPending(index)) return;
  // Each further change within the period starts the wait again.
  SetTimer(window, kFilterTimer, kFilterDelayMs, nullptr);
}

void TCsvViewer::ApplyPendingFilters() {
  KillTimer(window, kFilterTimer);
  const std::vector<bool> pending = filterRow.TakePending();
  for (std::size_t i = 0; i < pending.size(); ++i)
    if (pending[i]) ApplyFilterEdit(static_cast<int>(i));
}

void TCsvViewer::ApplyFilterEdit(int index) {
  const std::vector<HWND>& edits = filterRow.Edits();
  if (index < 0 || index >= static_cast<int>(edits.size())) return;
  const HWND edit = edits[static_cast<std::size_t>(index)];
  const int column = index - LineNumberOffset();
  if (!edit || column < 0 || !model) return;

  const std::u16string filter = WindowText(edit);
  if (FilterAside(column, filter)) return;
  RebuildVisibleRows([&] { model->SetFilter(column, filter); }, false);

  search.Forget();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
}

void TCsvViewer::FilterByCurrentValue(bool exclude) {
  const int column = cursor.column - LineNumberOffset();
  if (!model || view.transformed || cursor.row < 0 || cursor.row >= VisibleRowCount() || column < 0 ||
      column >= GridColumnCount() - LineNumberOffset())
    return;
  const std::u16string value = model->GetCell(model->VisibleToDocumentRow(cursor.row), column);
  SetColumnFilter(column, exclude ? ExcludeFilterForValue(value) : FilterForValue(value));
}

bool TCsvViewer::FilterAside(int column, const std::u16string& filter) {
  if (!document || !model || !window || document->RowCount() < kFilterAsideFrom || view.editMode ||
      ReadOnlyWhileLoading())
    return false;
  StopRowsJob();
  model->StoreFilter(column, filter);
  // The worker reads only cells already decoded; this thread goes on decoding (and painting) the others.
  for (std::size_t k = 0; k < model->Filters().size(); ++k)
    if (!model->Filters()[k].empty()) document->DecodeColumn(static_cast<std::int32_t>(k));
  if (model->SortColumn() >= 0) document->DecodeColumn(model->SortColumn());
  auto job = std::make_unique<TRowsJob>();
  // The worker reads the document (nothing edits it while the job runs) and copies of the model's
  // settings.
  TCsvDocument* const source = document.get();
  const TUnicodeStringArray filters = model->Filters();
  const bool headerRow = model->HeaderRow();
  const bool caseSensitive = model->CaseSensitive();
  const int sortColumn = model->SortColumn();
  const int sortDirection = model->SortDirection();
  const HWND target = window;
  const bool begun = job->Begin(
      [=](const std::atomic<bool>& stop, TIntArray& rows) {
        return ComputeVisibleRows(*source, headerRow, caseSensitive, filters, sortColumn, sortDirection, stop, rows);
      },
      [target] { PostMessageW(target, kRowsReadyMessage, 0, 0); });
  if (!begun) return false;
  rowsJob = std::move(job);
  status.filtering = true;
  UpdateStatusBar();
  return true;
}

void TCsvViewer::TakeAsideRows() {
  if (!rowsJob || !rowsJob->Done() || !model) return;
  TIntArray rows = rowsJob->TakeRows();
  rowsJob.reset();
  status.filtering = false;
  RebuildVisibleRows([&] { model->AdoptRows(std::move(rows)); }, false);
  if (life.destroyed) return;
  search.Forget();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
  PlaceFilterEdits();
}

void TCsvViewer::StopRowsJob() noexcept {
  if (!rowsJob) return;
  rowsJob->Cancel();
  rowsJob.reset();
  status.filtering = false;
}

}  // namespace qelvar
