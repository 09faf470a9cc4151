// The transform panel's buttons: each edits the transformation with the list's selection and the input
// box's text, then the transformed grid follows and the panel shows the result.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "transform/transform.h"
#include "viewer/viewer.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

// The input split at every ";", each piece without the blanks around it (empty pieces stay: each takes
// a position).
std::vector<std::u16string> Pieces(std::u16string_view input) {
  std::vector<std::u16string> pieces;
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(input.find(u';', start), input.size());
    std::u16string_view piece = input.substr(start, end - start);
    while (!piece.empty() && blank(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && blank(piece.back())) piece.remove_suffix(1);
    pieces.emplace_back(piece);
    if (end == input.size()) return pieces;
    start = end + 1;
  }
}

// The names of the output columns hidden in the transformed view; after a command the flags follow
// their columns by name, wherever the command moved them.
std::vector<std::u16string> HiddenNames(const TTransformConfig& config, const std::vector<bool>& flags) {
  std::vector<std::u16string> names;
  for (std::int32_t i = 0; i < config.TargetCount() && static_cast<std::size_t>(i) < flags.size(); ++i)
    if (flags[static_cast<std::size_t>(i)]) names.push_back(config.TargetOrder[static_cast<std::size_t>(i)]);
  return names;
}

std::vector<bool> FlagsOf(const TTransformConfig& config, const std::vector<std::u16string>& names) {
  std::vector<bool> flags(static_cast<std::size_t>(config.TargetCount()), false);
  if (names.empty()) return flags;
  for (std::int32_t i = 0; i < config.TargetCount(); ++i)
    flags[static_cast<std::size_t>(i)] =
        IndexOfName(names, config.TargetOrder[static_cast<std::size_t>(i)]) >= 0;
  return flags;
}

}  // namespace

bool TCsvViewer::TransformCommand(int id) {
  if (id < kFirstTransformCommand || id > kLastTransformCommand) return false;
  if (!transformConfig) return true;
  if (rest.load) {
    MessageBeep(MB_ICONEXCLAMATION);  // the panel (start-mode) waits until the whole table is read
    return true;
  }
  TTransformConfig& config = *transformConfig;
  int selected = panel.List() ? static_cast<int>(SendMessageW(panel.List(), LB_GETCURSEL, 0, 0)) : -1;
  if (selected < 0) selected = -1;
  const std::u16string input = WindowText(panel.Input());
  const std::vector<std::u16string> hidden = HiddenNames(config, hiddenColumns.output);

  switch (id) {
    case cmTransformUp:
      if (selected > 0 && selected < config.TargetCount()) {
        config.MoveTarget(selected, -1);
        --selected;
      }
      break;
    case cmTransformDown:
      if (selected >= 0 && selected + 1 < config.TargetCount()) {
        config.MoveTarget(selected, +1);
        ++selected;
      }
      break;
    case cmTransformAddColumn: {
      // One position per piece, also for a piece that is refused, so that the pieces keep their order.
      const std::vector<std::u16string> pieces = Pieces(input);
      int position = selected + 1;
      for (const std::u16string& piece : pieces) config.AddColumn(position++, piece);
      // One name leaves the selection where it was; each further name moves it one down.
      selected += static_cast<int>(pieces.size()) - 1;
      break;
    }
    case cmTransformRemoveColumn: config.RemoveColumn(selected); break;
    case cmTransformRenameColumn: config.RenameColumn(selected, input); break;
    case cmTransformSetAllCells: config.SetConstant(selected, input); break;
    case cmTransformFillEmptyCells: config.SetFill(selected, input); break;
    case cmTransformEnumerateCells: {
      // Numbers follow document rows, so that a filter or sort does not change them: without a stop
      // every data row gets its number, not only the rows listed now.
      std::int64_t dataRows = 0;
      if (document)
        dataRows = std::max<std::int64_t>(document->RowCount() - (model && model->HeaderRow() ? 1 : 0), 0);
      std::int64_t start = 1, stop = 1;
      SequenceFromInput(input, dataRows, start, stop);
      config.SetEnumeration(selected, start, stop);
      break;
    }
    case cmTransformLoadJson:
      LoadTransformationFile();
      if (life.destroyed) return true;
      break;
    case cmTransformSaveJson:
      SaveTransformationFile();
      if (life.destroyed) return true;
      break;
    case cmTransformExportCsv:
      ExportTransformedCsv();
      if (life.destroyed) return true;
      break;
    case cmTransformDelimiter:
      config.ExportDelimiter = config.ExportDelimiter == u','   ? u'\t'
                               : config.ExportDelimiter == u';' ? u','
                                                                : u';';
      break;
    case cmTransformNumberFormat:
      config.NumberFormat = config.NumberFormat == u"original" ? u"."
                            : config.NumberFormat == u"."      ? u","
                                                               : u"original";
      break;
    case cmTransformApplyToGrid:
      view.transformed = !view.transformed;
      RebuildTransformGrid();
      break;
    default: break;
  }

  // The file dialogs run modal loops in which a posted command (a reload, the header-row toggle) may
  // replace the transformation: what follows reads it afresh, never through `config`.
  if (!transformConfig) return true;
  const TTransformConfig& current = *transformConfig;
  hiddenColumns.output = FlagsOf(current, hidden);
  // The transformed grid follows every change of the transformation; the commands that change nothing it
  // shows (save, export, the export's delimiter) and Apply itself, which has rebuilt it, leave it be.
  const bool changesNothingShown = id == cmTransformSaveJson || id == cmTransformExportCsv ||
                                   id == cmTransformDelimiter || id == cmTransformApplyToGrid;
  if (view.transformed && !changesNothingShown) RebuildTransformGrid();
  RefreshTransformPanel();
  if (panel.List() && selected >= 0 && selected < current.TargetCount())
    SendMessageW(panel.List(), LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  return true;
}

void TCsvViewer::RebuildTransformGrid() {
  cursor.row = -1;
  cursor.column = -1;
  BuildColumns(ComputeColumnWidths(false));
  // The filter row goes with the transformed view and comes back with the document's.
  Layout();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
}

}  // namespace qelvar
