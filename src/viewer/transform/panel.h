// The transform panel: the column of controls right of the grid (the list of output columns, an input box
// and the buttons) with which the user builds a transformation of the table, and the drag and drop that
// reorders the list.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "viewer/commands.h"
#include "viewer/look/metrics.h"

namespace qelvar {

class TTransformConfig;

// Buttons of one group share a colour, so that the panel reads as blocks of related commands.
enum class TPanelGroup { Move, Columns, Cells, File, Output, Other };

// A button's caption is its command's text in the command table.
struct TPanelButton {
  int id;
  TPanelGroup group;
};

// The order on screen. Export CSV comes after Delimiter and Number format, whose settings it uses, although
// its id is the lower one.
inline constexpr std::array<TPanelButton, 14> kPanelButtons = {{
    {cmTransformUp, TPanelGroup::Move},
    {cmTransformDown, TPanelGroup::Move},
    {cmTransformAddColumn, TPanelGroup::Columns},
    {cmTransformRemoveColumn, TPanelGroup::Columns},
    {cmTransformRenameColumn, TPanelGroup::Columns},
    {cmTransformSetAllCells, TPanelGroup::Cells},
    {cmTransformFillEmptyCells, TPanelGroup::Cells},
    {cmTransformEnumerateCells, TPanelGroup::Cells},
    {cmTransformLoadJson, TPanelGroup::File},
    {cmTransformSaveJson, TPanelGroup::File},
    {cmTransformDelimiter, TPanelGroup::Output},
    {cmTransformNumberFormat, TPanelGroup::Output},
    {cmTransformExportCsv, TPanelGroup::Output},
    {cmTransformApplyToGrid, TPanelGroup::Other},
}};

// The group of the button with command `id`; Other for an id that is no panel button.
constexpr TPanelGroup PanelGroupOf(int id) noexcept {
  for (const TPanelButton& button : kPanelButtons)
    if (button.id == id) return button.group;
  return TPanelGroup::Other;
}

// The background of a group's buttons; the light theme's "other" button has the system's button face.
COLORREF PanelButtonColor(TPanelGroup group, bool dark) noexcept;

// An entry dragged to a gap of the list: `gap` 0 is before the first entry.
struct TPanelDrop {
  int from = -1;
  int gap = -1;
};

class TTransformPanel {
 public:
  // Creates the list (control id kTransformListId), the input box (kTransformInputId, with its hint) and the
  // buttons in the order of kPanelButtons, hidden, as children of `window`. Once, while the window is
  // created; a control that cannot be created stays null.
  void Create(HWND window, HINSTANCE instance);
  // The window is gone, and the controls with it: their handles are forgotten.
  void Forget() noexcept;

  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible) noexcept { visible_ = visible; }
  HWND List() const noexcept { return list_; }
  HWND Input() const noexcept { return input_; }
  const std::vector<HWND>& Buttons() const noexcept { return buttons_; }
  // Whether `control` is one of the panel's controls (their keys are no grid keys).
  bool IsControl(HWND control) const noexcept;

  // Gives `font` to the controls, and the input box its margins of `margin` pixels.
  void SetFont(HFONT font, int margin) noexcept;
  // Right of the grid (`gridWidth` wide) in `panelWidth` pixels above a status bar `statusHeight` high, or
  // hidden when the panel is not visible.
  void Layout(HWND window, int statusHeight, int gridWidth, int panelWidth, const TMetrics& metrics) noexcept;
  // Refills the list from `config` (the selection stays on its index where it can) and updates the three
  // captions that change (delimiter, number format, and apply or reset for `transformedView`).
  void Refresh(const TTransformConfig& config, bool transformedView);

  // Drag and drop over a list of `count` entries; each answers whether the drag took the message (the
  // list's own handling is then skipped). A press on an entry selects it and captures the mouse; a move
  // of `threshold` pixels or more starts the drag.
  bool Press(LPARAM point, int count) noexcept;
  bool Move(WPARAM keys, LPARAM point, int threshold, int count) noexcept;
  // The button went up: where the pressed entry lands (a click without a move lands where it started),
  // or nothing when no entry was pressed.
  std::optional<TPanelDrop> Release(LPARAM point, int count) noexcept;
  // The capture went elsewhere (another window, a menu): the drag is abandoned where it is.
  void CaptureLost() noexcept;
  // A drag over an old list would move an entry of the new one.
  void CancelDrag() noexcept;
  // The line where a dragged entry would land, over the list after it painted itself (only while dragging).
  void DrawDropMarker(int count, const TMetrics& metrics, COLORREF color) const noexcept;

 private:
  // The gap between entries nearest above the list's client y: 0 before the first entry .. count.
  int DropGapAt(int y, int count) const noexcept;

  bool visible_ = false;
  HWND list_ = nullptr;
  HWND input_ = nullptr;
  std::vector<HWND> buttons_;  // in the order of kPanelButtons
  int dragStartX_ = 0, dragStartY_ = 0;  // where the left button went down on an entry
  int dragFrom_ = -1;                    // the entry being dragged; -1 when idle
  int dragTo_ = -1;                      // the drop gap, 0 .. count
  bool dragging_ = false;                // the pointer moved far enough for a drag
};

}  // namespace qelvar
