// Every command id and control id of the viewer, the one command table (text and what each command
// needs) with its pure enabled-state rule, and the one key binding table.
//
// A command (a menu item, a key, a panel button) has one id here and one handler in
// TCsvViewer::ExecuteCommand, which WM_COMMAND, the key handler and the menus all call, whichever way the
// user invokes it. Free of <windows.h>, so that the GUI tests name the same ids and the unit tests check
// the rules natively.
#pragma once

#include <cstdint>

#include "localization/localization.h"

namespace qelvar {

// ---- the viewer window's child controls -------------------------------------------------------------
inline constexpr int kListViewId = 1001;
inline constexpr int kStatusBarId = 1002;
inline constexpr int kLoadingLabelId = 1003;
// Every filter box has this id; its list-view column is in its GWLP_USERDATA (an id per column would
// run past the 16 bits WM_COMMAND carries, and into the other controls' ids, in a wide file).
inline constexpr int kFilterEditId = 2000;
// Filter boxes made at most (the first columns of a wider file have them).
inline constexpr int kMaxFilterBoxes = 4000;
inline constexpr int kCellEditorId = 4000;
inline constexpr int kTransformListId = 6000;
inline constexpr int kTransformInputId = 6001;

// ---- commands ---------------------------------------------------------------------------------------
enum TCommandId : int {
  // The grid's context menu.
  cmCopyCell = 5000,
  cmCopyRows = 5001,
  cmCopyColumn = 5002,
  cmCopyRowsWithHeader = 5005,
  cmToggleFilterRow = 5003,
  cmToggleHeaderRow = 5004,
  cmToggleLineNumbers = 5006,
  cmDeleteRows = 5007,
  cmHideColumn = 5008,
  cmShowAllColumns = 5009,
  cmInsertRowBelow = 5034,
  cmInsertRowAbove = 5035,  // also into a table without rows (key Insert)
  cmAppendRow = 5036,       // after the last row of the file (key Shift+Insert)
  cmFilterByValue = 5014,   // the current column's filter keeps the rows holding the current cell's value
  cmExcludeValue = 5015,    // ... drops them
  cmColumnProfile = 5016,   // a window with the current column's figures and most frequent values
  cmReload = 5037,          // reads the file again, keeping the view (key F5)
  cmToggleFollow = 5038,    // keeps the last row in view as rows are appended (key Shift+F)
  cmToggleEditMode = 5040,
  cmSave = 5041,
  cmToggleTransformMode = 5042,
  cmDeleteColumn = 5043,
  cmThemeTc = 5044,
  cmThemeLight = 5045,
  cmThemeDark = 5046,
  cmAutoSizeColumns = 5047,
  // Undo and redo of the last edit (keys Ctrl+Z and Ctrl+Y in edit mode).
  cmUndo = 5048,
  cmRedo = 5049,

  // The status bar's popups: encoding, delimiter and comment handling, each followed by a reload.
  cmEncodingAnsi = 5010,
  cmEncodingUtf8 = 5011,
  cmEncodingUtf16Le = 5012,
  cmEncodingUtf16Be = 5013,
  cmDelimiterComma = 5020,
  cmDelimiterSemicolon = 5021,
  cmDelimiterBar = 5022,
  cmDelimiterTab = 5023,
  cmDelimiterColon = 5024,
  cmDelimiterAuto = 5025,
  cmCommentsParse = 5030,
  cmCommentsNoParse = 5031,
  cmCommentsHide = 5032,
  cmCommentsAuto = 5033,

  // The transform panel's buttons (the panel's list and input box are controls 6000 and 6001).
  cmTransformUp = 6010,
  cmTransformDown = 6011,
  cmTransformAddColumn = 6012,
  cmTransformRemoveColumn = 6013,
  cmTransformRenameColumn = 6014,
  cmTransformSetAllCells = 6015,
  cmTransformFillEmptyCells = 6016,
  cmTransformEnumerateCells = 6017,
  cmTransformLoadJson = 6018,
  cmTransformSaveJson = 6019,
  cmTransformExportCsv = 6020,
  cmTransformDelimiter = 6021,
  cmTransformNumberFormat = 6022,
  cmTransformApplyToGrid = 6023,

  // Commands that only keys invoke. Outside the ranges below, so that WM_COMMAND never reaches them.
  cmHelp = 5060,
  cmZoomIn = 5061,
  cmZoomOut = 5062,
  cmCursorLeft = 5063,
  cmCursorUp = 5064,
  cmCursorRight = 5065,
  cmCursorDown = 5066,
  cmEditCell = 5067,   // opens the cell editor on the current cell
  cmCopyByKey = 5068,  // C: Shift copies rows, Ctrl the column, else the cell (or the column, see copy-column)
  cmSelectAllRows = 5069,  // Ctrl+A in the grid, and the host's select-all command
  cmClearCell = 5070,      // Delete in edit mode: the current cell becomes empty
};

// The ranges the ids above lie in: WM_COMMAND hands ids within them to the dispatcher.
inline constexpr int kFirstMenuCommand = cmCopyCell;
inline constexpr int kLastMenuCommand = cmRedo;
inline constexpr int kFirstTransformCommand = cmTransformUp;
inline constexpr int kLastTransformCommand = cmTransformApplyToGrid;

// Whether WM_COMMAND hands `id` to the dispatcher.
constexpr bool IsDispatchedCommand(int id) noexcept {
  return (id >= kFirstMenuCommand && id <= kLastMenuCommand) ||
         (id >= kFirstTransformCommand && id <= kLastTransformCommand);
}

// ---- the command table ------------------------------------------------------------------------------

// What a command needs before it may run (a greyed menu item otherwise).
enum TCommandNeed : std::uint8_t {
  cnEditMode = 1,       // edit mode
  cnDocumentView = 2,   // the document's own grid, not the transformed view
  cnCurrentRow = 4,     // a current row that is listed
  cnDataColumn = 8,     // a current column that is a column of the document (not the line numbers)
  cnWholeFile = 16,     // the whole file is in (not still being read, nor read only in part)
};

// The text of a command that has none in the catalogue.
inline constexpr TUiText kNoUiText = static_cast<TUiText>(-1);

struct TCommandInfo {
  int id;
  TUiText text;        // the menu text; kNoUiText for a command without one (or one that is the same in
                       // every language: the encodings and delimiters of load/load_choices.h)
  std::uint8_t needs;  // TCommandNeed flags
};

// The command's row of the table, or null for an unknown id.
const TCommandInfo* FindCommand(int id) noexcept;

// The facts the enabled states depend on, as the viewer has them now.
struct TCommandState {
  bool editMode = false;
  bool transformedView = false;
  bool hasDocument = false;
  int currentRow = -1;        // list row, -1: none
  int currentColumn = -1;     // list-view column, -1: none
  int rowCount = 0;           // rows listed
  int lineNumberOffset = 0;   // 1 while the line-number column is shown
  int documentColumns = 0;    // columns of the document
  bool wholeFile = true;      // false while the rest of a large file is read, or when only part of it fit
};

// Whether command `id` may run in `state`: all of its needs are met. An id outside the table is enabled
// (the dispatcher answers it). Pure; the one place that greys menu items.
bool CommandEnabled(int id, const TCommandState& state) noexcept;
// Whether command `id` needs the whole file (cnWholeFile): keys reach commands without the menus' greying.
bool NeedsWholeFile(int id) noexcept;

// ---- keys --------------------------------------------------------------------------------------------

// The virtual-key codes the bindings name (the values of VK_*, which this header cannot include).
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyDown = 0x28;
inline constexpr int kKeyInsert = 0x2D;
inline constexpr int kKeyDelete = 0x2E;
inline constexpr int kKeyAdd = 0x6B;
inline constexpr int kKeySubtract = 0x6D;
inline constexpr int kKeyF1 = 0x70;
inline constexpr int kKeyF2 = 0x71;
inline constexpr int kKeyF5 = 0x74;
inline constexpr int kKeyEnd = 0x23;

// Where a key went: the viewer window itself, one of the grid's controls (list view, header, status
// bar), or an edit box or panel control, which keeps the keys it types with.
enum class TKeyTarget { Window, GridControl, Other };

// When a binding applies.
enum class TKeyScope {
  Anywhere,        // always; runs at once
  Loaded,          // always consumed, runs only once the document is shown
  Cursor,          // runs; consumed when the cursor moved (the grid focused, rows and columns to move over)
  GridFocused,     // the list view has the focus
  EditableCell,    // the list view has the focus, edit mode, the document's view and a current data cell
  EditModeGrid,    // edit mode, the key went to the window or a grid control
  GridControl,     // the key went to a grid control
  // A grid control, unless the key types into the current cell (TypesIntoCell): plain C and Shift+C are
  // text there, Ctrl+C still copies.
  GridControlUnlessTyping,
  EditModeControl, // edit mode, the key went to a grid control
};

enum class TCtrlRule { Any, Held };
enum class TShiftRule { Any, Held };

struct TKeyBinding {
  int key;
  TCtrlRule ctrl;
  int command;
  TKeyScope scope;
  TShiftRule shift = TShiftRule::Any;
};

// What the key handler needs to know beside the command state.
struct TKeyContext {
  TCommandState state;
  bool loaded = false;
  bool gridFocused = false;  // the list view has the focus
  TKeyTarget target = TKeyTarget::Other;
  bool shift = false;  // Shift is held
};

// Whether a character typed now starts the cell editor with it, as in a spreadsheet: edit mode on the
// document's grid, the list view focused, a current row and data column. Then the letters and digits that
// are the host's keys elsewhere (N, P, 1..8, Q) are text too. Pure.
bool TypesIntoCell(const TKeyContext& context) noexcept;

// What a key-down does: `command` 0 when no binding applies (the key is not consumed); otherwise the
// command, which runs when `run` (a binding of scope Loaded before the load is consumed without running).
struct TKeyAction {
  int command = 0;
  bool run = false;
};

// The action of `key` with Ctrl held or not in `context`: the first binding of the table for the key and
// the Ctrl state decides. Pure.
TKeyAction KeyAction(int key, bool ctrl, const TKeyContext& context) noexcept;

}  // namespace qelvar
