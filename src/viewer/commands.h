// Every command id and control id of the viewer.
//
// A command (a menu item, a key, a panel button) has one id here and one handler in
// TCsvViewer::ExecuteCommand, which WM_COMMAND, the key handler and the menus all call, whichever way the
// user invokes it. Free of <windows.h>, so that the GUI tests name the same ids.
#pragma once

namespace qelvar {

// ---- the viewer window's child controls -------------------------------------------------------------
inline constexpr int kListViewId = 1001;
inline constexpr int kStatusBarId = 1002;
inline constexpr int kLoadingLabelId = 1003;
inline constexpr int kFilterEditFirstId = 2000;  // + list-view column
inline constexpr int kCellEditorId = 4000;
inline constexpr int kTransformListId = 6000;
inline constexpr int kTransformInputId = 6001;

// ---- commands ---------------------------------------------------------------------------------------
enum TCommandId : int {
  // The grid's context menu.
  cmCopyCell = 5000,
  cmCopyRows = 5001,
  cmCopyColumn = 5002,
  cmToggleFilterRow = 5003,
  cmToggleHeaderRow = 5004,
  cmToggleLineNumbers = 5006,
  cmDeleteRows = 5007,
  cmHideColumn = 5008,
  cmShowAllColumns = 5009,
  cmInsertRowBelow = 5034,
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
};

// The ranges the ids above lie in: WM_COMMAND hands ids within them to the dispatcher.
inline constexpr int kFirstMenuCommand = cmCopyCell;
inline constexpr int kLastMenuCommand = cmRedo;
inline constexpr int kFirstTransformCommand = cmTransformUp;
inline constexpr int kLastTransformCommand = cmTransformApplyToGrid;

}  // namespace qelvar
