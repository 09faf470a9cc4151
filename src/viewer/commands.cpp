// The command table and the key bindings: which text, which needs and which keys each command has.
#include "viewer/commands.h"

#include <array>

namespace qelvar {
namespace {

constexpr std::uint8_t kEditRows = cnEditMode | cnDocumentView | cnWholeFile;

constexpr std::array<TCommandInfo, 67> kCommands{{
    {cmCopyCell, utCopyCell, 0},
    {cmCopyRows, utCopyRows, 0},
    {cmCopyRowsWithHeader, utCopyRowsWithHeader, 0},
    {cmCopyColumn, utCopyColumn, cnWholeFile},
    {cmInsertRowBelow, utInsertRowBelow, kEditRows | cnCurrentRow},
    {cmInsertRowAbove, utInsertRowAbove, kEditRows},
    {cmAppendRow, utAppendRow, kEditRows},
    {cmDeleteRows, utDeleteRows, kEditRows},
    {cmDeleteColumn, utDeleteColumn, kEditRows | cnDataColumn},
    {cmHideColumn, utHideColumn, 0},
    {cmAutoSizeColumns, utAdjustAllColumnsWidth, 0},
    {cmShowAllColumns, utShowAllColumns, 0},
    {cmToggleFilterRow, utFilters, 0},
    {cmToggleHeaderRow, utHeaderRow, 0},
    {cmToggleEditMode, utEditMode, 0},
    {cmToggleTransformMode, utTransformMode, cnWholeFile},
    {cmSave, utSave, cnWholeFile},
    {cmToggleLineNumbers, utShowLineNumbers, 0},
    {cmFilterByValue, utFilterByValue, cnDocumentView | cnCurrentRow | cnDataColumn},
    {cmExcludeValue, utExcludeValue, cnDocumentView | cnCurrentRow | cnDataColumn},
    {cmColumnProfile, utColumnProfile, cnDocumentView | cnDataColumn | cnWholeFile},
    {cmReload, utReload, 0},
    {cmToggleFollow, utFollowRows, 0},
    {cmThemeTc, utThemeTc, 0},
    {cmThemeLight, utThemeLight, 0},
    {cmThemeDark, utThemeDark, 0},
    {cmUndo, kNoUiText, 0},
    {cmRedo, kNoUiText, 0},
    {cmEncodingAnsi, kNoUiText, 0},
    {cmEncodingUtf8, kNoUiText, 0},
    {cmEncodingUtf16Le, kNoUiText, 0},
    {cmEncodingUtf16Be, kNoUiText, 0},
    {cmDelimiterAuto, utAuto, 0},
    {cmDelimiterComma, kNoUiText, 0},
    {cmDelimiterSemicolon, kNoUiText, 0},
    {cmDelimiterBar, kNoUiText, 0},
    {cmDelimiterTab, kNoUiText, 0},
    {cmDelimiterColon, kNoUiText, 0},
    {cmCommentsAuto, utAuto, 0},
    {cmCommentsParse, utParseNormally, 0},
    {cmCommentsNoParse, utDoNotParse, 0},
    {cmCommentsHide, utHide, 0},
    {cmTransformUp, utUp, 0},
    {cmTransformDown, utDown, 0},
    {cmTransformAddColumn, utAddColumn, 0},
    {cmTransformRemoveColumn, utRemoveColumn, 0},
    {cmTransformRenameColumn, utRenameColumn, 0},
    {cmTransformSetAllCells, utSetAllCells, 0},
    {cmTransformFillEmptyCells, utFillEmptyCells, 0},
    {cmTransformEnumerateCells, utEnumerateCells, 0},
    {cmTransformLoadJson, utLoadTransformation, 0},
    {cmTransformSaveJson, utSaveTransformation, 0},
    {cmTransformExportCsv, utExportCsv, 0},
    {cmTransformDelimiter, utDelimiter, 0},
    {cmTransformNumberFormat, utNumberFormat, 0},
    {cmTransformApplyToGrid, utApplyToGrid, 0},
    {cmHelp, kNoUiText, 0},
    {cmZoomIn, kNoUiText, 0},
    {cmZoomOut, kNoUiText, 0},
    {cmEditCell, kNoUiText, 0},
    {cmCursorLeft, kNoUiText, 0},
    {cmCursorUp, kNoUiText, 0},
    {cmCursorRight, kNoUiText, 0},
    {cmCursorDown, kNoUiText, 0},
    {cmCopyByKey, kNoUiText, 0},
    {cmSelectAllRows, kNoUiText, 0},
    {cmClearCell, kNoUiText, 0},
}};

// In order: the first binding for a key and Ctrl state decides.
constexpr std::array<TKeyBinding, 25> kBindings{{
    {kKeyF1, TCtrlRule::Any, cmHelp, TKeyScope::Anywhere},
    {kKeyAdd, TCtrlRule::Held, cmZoomIn, TKeyScope::Anywhere},
    {kKeySubtract, TCtrlRule::Held, cmZoomOut, TKeyScope::Anywhere},
    {kKeySpace, TCtrlRule::Held, cmShowAllColumns, TKeyScope::Loaded},
    {'H', TCtrlRule::Held, cmAutoSizeColumns, TKeyScope::Loaded},
    {'S', TCtrlRule::Held, cmSave, TKeyScope::Loaded},
    {'E', TCtrlRule::Held, cmToggleEditMode, TKeyScope::Loaded},
    {'R', TCtrlRule::Held, cmToggleEditMode, TKeyScope::Loaded},
    {'T', TCtrlRule::Held, cmToggleTransformMode, TKeyScope::Loaded},
    {kKeyLeft, TCtrlRule::Any, cmCursorLeft, TKeyScope::Cursor},
    {kKeyUp, TCtrlRule::Any, cmCursorUp, TKeyScope::Cursor},
    {kKeyRight, TCtrlRule::Any, cmCursorRight, TKeyScope::Cursor},
    {kKeyDown, TCtrlRule::Any, cmCursorDown, TKeyScope::Cursor},
    {kKeyF2, TCtrlRule::Any, cmEditCell, TKeyScope::GridFocused},
    {kKeyF5, TCtrlRule::Any, cmReload, TKeyScope::Loaded},
    {'F', TCtrlRule::Any, cmToggleFollow, TKeyScope::GridControlUnlessTyping, TShiftRule::Held},
    {kKeyReturn, TCtrlRule::Any, cmEditCell, TKeyScope::EditableCell},
    {'Z', TCtrlRule::Held, cmUndo, TKeyScope::EditModeGrid},
    {'Y', TCtrlRule::Held, cmRedo, TKeyScope::EditModeGrid},
    {'C', TCtrlRule::Any, cmCopyByKey, TKeyScope::GridControlUnlessTyping},
    {'X', TCtrlRule::Held, cmDeleteRows, TKeyScope::EditModeControl},
    {'A', TCtrlRule::Held, cmSelectAllRows, TKeyScope::GridControl},
    {kKeyInsert, TCtrlRule::Any, cmAppendRow, TKeyScope::EditModeControl, TShiftRule::Held},
    {kKeyInsert, TCtrlRule::Any, cmInsertRowAbove, TKeyScope::EditModeControl},
    {kKeyDelete, TCtrlRule::Any, cmClearCell, TKeyScope::EditableCell},
}};

bool HasCurrentRow(const TCommandState& s) noexcept { return s.currentRow >= 0 && s.currentRow < s.rowCount; }

bool HasDataColumn(const TCommandState& s) noexcept {
  const int column = s.currentColumn - s.lineNumberOffset;
  return s.hasDocument && s.currentColumn >= 0 && column >= 0 && column < s.documentColumns;
}

bool ScopeHolds(TKeyScope scope, const TKeyContext& c, bool ctrl) noexcept {
  const TCommandState& s = c.state;
  switch (scope) {
    case TKeyScope::Anywhere:
    case TKeyScope::Loaded:
    case TKeyScope::Cursor: return true;
    case TKeyScope::GridFocused: return c.gridFocused;
    case TKeyScope::EditableCell: return TypesIntoCell(c);
    case TKeyScope::EditModeGrid: return s.editMode && c.target != TKeyTarget::Other;
    case TKeyScope::GridControl: return c.target == TKeyTarget::GridControl;
    case TKeyScope::GridControlUnlessTyping: return c.target == TKeyTarget::GridControl && (ctrl || !TypesIntoCell(c));
    case TKeyScope::EditModeControl: return s.editMode && c.target == TKeyTarget::GridControl;
  }
  return false;
}

}  // namespace

bool TypesIntoCell(const TKeyContext& c) noexcept {
  const TCommandState& s = c.state;
  return s.editMode && !s.transformedView && c.gridFocused && HasCurrentRow(s) && HasDataColumn(s);
}

const TCommandInfo* FindCommand(int id) noexcept {
  for (const TCommandInfo& command : kCommands)
    if (command.id == id) return &command;
  return nullptr;
}

bool CommandEnabled(int id, const TCommandState& state) noexcept {
  const TCommandInfo* command = FindCommand(id);
  if (!command) return true;
  const std::uint8_t needs = command->needs;
  if ((needs & cnEditMode) && !state.editMode) return false;
  if ((needs & cnDocumentView) && state.transformedView) return false;
  if ((needs & cnCurrentRow) && !HasCurrentRow(state)) return false;
  if ((needs & cnDataColumn) && !HasDataColumn(state)) return false;
  if ((needs & cnWholeFile) && !state.wholeFile) return false;
  return true;
}

bool NeedsWholeFile(int id) noexcept {
  const TCommandInfo* command = FindCommand(id);
  return command && (command->needs & cnWholeFile) != 0;
}

TKeyAction KeyAction(int key, bool ctrl, const TKeyContext& context) noexcept {
  for (const TKeyBinding& binding : kBindings) {
    if (binding.key != key || (binding.ctrl == TCtrlRule::Held && !ctrl)) continue;
    if (binding.shift == TShiftRule::Held && !context.shift) continue;
    if (!ScopeHolds(binding.scope, context, ctrl)) return {};
    return {binding.command, binding.scope != TKeyScope::Loaded || context.loaded};
  }
  return {};
}

}  // namespace qelvar
