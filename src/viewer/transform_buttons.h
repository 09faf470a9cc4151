// The transform panel's buttons: caption, command id and colour group of each, in the panel's order, and
// the background colour of each group in the light and the dark theme.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "localization/localization.h"
#include "viewer/commands.h"

namespace qelvar {

// Buttons of one group share a colour, so that the panel reads as blocks of related commands.
enum class TPanelGroup { Move, Columns, Cells, File, Output, Other };

struct TPanelButton {
  TUiText caption;
  int id;
  TPanelGroup group;
};

// The order on screen. Export CSV comes after Delimiter and Number format, whose settings it uses, although
// its id is the lower one.
inline constexpr std::array<TPanelButton, 14> kPanelButtons = {{
    {utUp, cmTransformUp, TPanelGroup::Move},
    {utDown, cmTransformDown, TPanelGroup::Move},
    {utAddColumn, cmTransformAddColumn, TPanelGroup::Columns},
    {utRemoveColumn, cmTransformRemoveColumn, TPanelGroup::Columns},
    {utRenameColumn, cmTransformRenameColumn, TPanelGroup::Columns},
    {utSetAllCells, cmTransformSetAllCells, TPanelGroup::Cells},
    {utFillEmptyCells, cmTransformFillEmptyCells, TPanelGroup::Cells},
    {utEnumerateCells, cmTransformEnumerateCells, TPanelGroup::Cells},
    {utLoadTransformation, cmTransformLoadJson, TPanelGroup::File},
    {utSaveTransformation, cmTransformSaveJson, TPanelGroup::File},
    {utDelimiter, cmTransformDelimiter, TPanelGroup::Output},
    {utNumberFormat, cmTransformNumberFormat, TPanelGroup::Output},
    {utExportCsv, cmTransformExportCsv, TPanelGroup::Output},
    {utApplyToGrid, cmTransformApplyToGrid, TPanelGroup::Other},
}};

// The position of the button with command `id` in kPanelButtons (the first one for an unknown id).
constexpr std::size_t PanelButtonIndex(int id) noexcept {
  for (std::size_t i = 0; i < kPanelButtons.size(); ++i)
    if (kPanelButtons[i].id == id) return i;
  return 0;
}

// The group of the button with command `id`; Other for an id that is no panel button.
constexpr TPanelGroup PanelGroupOf(int id) noexcept {
  for (const TPanelButton& button : kPanelButtons)
    if (button.id == id) return button.group;
  return TPanelGroup::Other;
}

// The background of a group's buttons; the light theme's "other" button has the system's button face.
inline COLORREF PanelButtonColor(TPanelGroup group, bool dark) noexcept {
  switch (group) {
    case TPanelGroup::Move: return dark ? RGB(48, 78, 104) : RGB(208, 228, 246);
    case TPanelGroup::Columns: return dark ? RGB(48, 83, 58) : RGB(212, 237, 218);
    case TPanelGroup::Cells: return dark ? RGB(91, 76, 37) : RGB(255, 242, 204);
    case TPanelGroup::File: return dark ? RGB(74, 58, 96) : RGB(228, 216, 244);
    case TPanelGroup::Output: return dark ? RGB(43, 78, 84) : RGB(210, 236, 240);
    case TPanelGroup::Other: break;
  }
  return dark ? RGB(64, 64, 64) : GetSysColor(COLOR_BTNFACE);
}

}  // namespace qelvar
