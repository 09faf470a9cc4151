// The viewer: one window per file that the host shows, with its grid, filter row and status bar.
//
// The exported Lister functions reach the viewer only through the entry points below. The viewer object
// is found from its window (GWLP_USERDATA; the window is recognised by its class and module); subclassed
// child controls find it through the window property "QelvarViewer". There is no list of viewers. None of
// the entry points throws.
//
// TCsvViewer is split across the coordinator files at the top of src/viewer/ by concern; its methods are
// grouped below by the file that implements them. Only those files and the exports include this header:
// the parts in the subfolders own what they hold and never see TCsvViewer.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/append_read.h"
#include "document/csv_document.h"
#include "localization/localization.h"
#include "settings/settings.h"
#include "viewer/chrome/filter_row.h"
#include "viewer/chrome/menus.h"
#include "viewer/chrome/status_texts.h"
#include "viewer/commands.h"
#include "viewer/edit/cell_editor.h"
#include "viewer/edit/recovery.h"
#include "viewer/grid/decimal_columns.h"
#include "viewer/grid/hidden_columns.h"
#include "viewer/grid/rows_job.h"
#include "viewer/grid/search.h"
#include "viewer/load/background_load.h"
#include "viewer/load/file_stamp.h"
#include "viewer/load/kept_view.h"
#include "viewer/load/load_choices.h"
#include "viewer/load/loaded_document.h"
#include "viewer/look/fonts.h"
#include "viewer/look/metrics.h"
#include "viewer/look/theme.h"
#include "viewer/profile/profile_window.h"
#include "viewer/transform/panel.h"
#include "win/handles.h"

namespace qelvar {

class TCsvDocument;
class TCsvGridModel;
class TTransformConfig;
class TCsvViewer;

// Creates the viewer window as a child of `parent` (the host's Lister window) filling its client area, and
// schedules the loading of `fileName`; returns at once. `showFlags` are the host's flags (lcp_forceshow own
// Lister window, lcp_darkmode, lcp_darkmodenative). Returns nullptr when the window cannot be created; a file
// that then fails to load is reported by the viewer itself, which destroys its window.
HWND CreateViewer(HWND parent, const std::u16string& fileName, int showFlags) noexcept;

// The viewer object of a viewer window, or nullptr when `window` is not one (or is being destroyed).
TCsvViewer* ViewerFromWindow(HWND window) noexcept;

// The host's close request: nothing when `window` is not a window; a window without a viewer is destroyed;
// otherwise the viewer may keep its window open (it offers to save unsaved edits first, reason "closing").
void CloseViewer(HWND window) noexcept;

// The host's find-next / find-previous: flags 1 find first, 2 match case, 4 whole words, 8 backwards.
// 1 when a match was found and made the current cell, else 0 (also when `window` has no viewer).
int SearchViewer(HWND window, const std::u16string& text, int flags) noexcept;

// The host's ListSendCommand: lc_newparams (new display parameters: lcp_darkmode and lcp_darkmodenative of
// `parameter`), lc_copy (CopyForHost) and lc_selectall (SelectAllRows); everything else, and a window
// without a viewer, is ignored.
void SendViewerCommand(HWND window, int command, int parameter) noexcept;

// Timers and private messages of the viewer window (control and command ids are in commands.h).
inline constexpr UINT_PTR kLoadTimer = 1;
inline constexpr UINT_PTR kDecodeTimer = 2;
inline constexpr UINT_PTR kFilterTimer = 3;
inline constexpr UINT_PTR kWatchTimer = 4;
inline constexpr UINT kFocusGridMessage = WM_USER + 101;
// Posted by a double-click: opens the editor on the current cell once the list view has handled the click
// (it takes the focus back, which would end an editor opened at once).
inline constexpr UINT kEditCurrentCellMessage = WM_USER + 102;
// Posted by the background load's worker: batches of rows wait to be appended, or the worker ended.
inline constexpr UINT kLoadBatchMessage = WM_USER + 103;
// Posted by the worker computing the grid's rows aside: they are ready.
inline constexpr UINT kRowsReadyMessage = WM_USER + 104;
// Posted by the creation: the file is read once the host has the window (kLoadTimer should the post fail).
inline constexpr UINT kLoadFileMessage = WM_USER + 105;
// From this many rows on, a filter is computed on a worker thread while the grid stays usable.
inline constexpr int kFilterAsideFrom = 100000;
// The least time between two rebuilds of the shown rows while a large file loads; a rebuild that takes
// longer waits four times its own time, so that it never takes more than a fifth of the window's time.
inline constexpr unsigned long long kLoadRebuildMs = 300;
inline constexpr int kDecodeCellsPerTick = 2000;
inline constexpr UINT kDecodeTickMs = 15;
inline constexpr UINT kFilterDelayMs = 250;
// How often the file on disk is looked at: a row appended shows within a quarter of a second, and a look
// (the file's size and time, and 4 KB of its tail when it changed) costs next to nothing.
inline constexpr UINT kWatchTickMs = 250;

// What the host told the viewer, and when the viewer starts passing keys on to it.
struct THostFacts {
  bool listerWindow = false;    // the host's own Lister window (only then does the grid take the focus)
  bool darkMode = false;        // lcp_darkmode of the last display parameters
  bool nativeDarkMode = false;  // lcp_darkmodenative of them
  // GetTickCount64 before which no key goes to the host (half a second after the window is shown).
  std::uint64_t keysEnabledAt = 0;
};

// The current cell: list row and list-view column; -1: none.
struct TCurrentCell {
  int row = -1;
  int column = -1;
};

// What the status bar shows besides the document's facts.
struct TStatusState {
  // While set, UpdateStatusBar does nothing (a rebuild selects rows one by one and updates it once).
  bool hold = false;
  // A notice shown after the modes until another document is shown (undo steps dropped, a setting that
  // could not be read).
  std::u16string note;
  // A filter is being computed aside: "Filtering…" comes before the note.
  bool filtering = false;
};

// The view switches the user toggles.
struct TViewSwitches {
  bool editMode = false;
  bool transformed = false;  // the grid shows the transformation's output
  bool lineNumbers = false;  // the line-number column is shown
};

// What the grid's custom draw keeps from one notification to the next of the same paint.
struct TGridPainting {
  int item = -1;          // the row whose cells are being drawn
  bool selected = false;  // whether that row is selected
  bool gridLines = true;  // the list view draws grid lines (set once, when it is made)
};

// The rest of a large file, read on a worker thread after the first screen.
struct TBackgroundState {
  std::unique_ptr<TBackgroundLoad> load;  // while reading; null once all is read (or for a small file)
  bool truncated = false;                 // the memory held only part of the file: it is read-only
  // Rows appended but not yet through the filters and the sort, and when they may next go through: a
  // rebuild of millions of rows per batch would leave the window no time for anything else.
  bool rowsWaiting = false;
  unsigned long long nextRebuild = 0;  // GetTickCount64 time
};

// The file on disk while it is shown (auto-reload, appends, follow mode).
struct TWatchState {
  std::unique_ptr<TCsvAppendReader> appends;  // reads what was appended; made at the first growth
  bool appendable = false;  // the document holds the file's bytes as loaded (not saved over since)
  TFileStamp seen;          // the file as last seen (a change to it is looked into)
  bool gone = false;        // the file vanished (said once; when it is back, it is read again)
  bool changeNoted = false; // it changed under unsaved edits (said once)
  bool follow = false;      // the last row is kept in view as rows arrive
  bool followLeft = false;  // follow mode was left by scrolling up: reaching the end again resumes it
  bool scrolling = false;   // the viewer itself scrolls (not the user leaving the end)
  unsigned long long fullReloads = 0;  // reloads because of a change on disk
};

// What the status bar's totals were computed for (TCsvViewer::SelectionStatsText): the same selection,
// column and rows give the same text. Edits clear it.
struct TStatsKey {
  int selected = 0;  // 0: nothing computed
  int firstSelected = -1;
  int column = -1;
  int listed = 0;
  int documentRows = 0;
  int sortColumn = -1;
  bool operator==(const TStatsKey&) const = default;
};
struct TStatsCache {
  TStatsKey key;
  std::u16string text;
};

// Lifetime across modal loops: handlers of this viewer on the stack now, and whether its window is gone
// (WM_NCDESTROY); the last handler to return frees a destroyed viewer.
struct TViewerLife {
  int handlerDepth = 0;
  bool destroyed = false;
};

class TCsvViewer {
 public:
  explicit TCsvViewer(std::u16string file);
  ~TCsvViewer();
  TCsvViewer(const TCsvViewer&) = delete;
  TCsvViewer& operator=(const TCsvViewer&) = delete;

  // ---- fields (used by name across the viewer's files) -----------------------------------------------
  HWND listView = nullptr;
  HWND loadingLabel = nullptr;
  HWND statusBar = nullptr;
  HWND header = nullptr;
  TFilterRow filterRow;  // the boxes, their pending texts, and whether the row is shown
  THiddenColumns hiddenColumns;  // by the user, per view; HiddenColumnFlags() gives the shown view's

  TTheme theme;        // the colours and brushes, and the window theme the controls carry
  TMetrics metrics;    // the font's name, size and weight, the DPI, and every size derived from them
  TGridFonts fonts;    // made from `metrics`

  TViewerMenus menus;  // the context menu and the status bar's three popups

  std::unique_ptr<TTransformConfig> transformConfig;
  TTransformPanel panel;  // its controls, whether it is shown, and a drag in its list

  // What the file is read with: the first load takes it from the settings, a reload from the user's
  // choices in the status bar's popups.
  TLoadChoices choices;

  std::unique_ptr<TCsvGridModel> model;
  TCurrentCell cursor;  // list row and list-view column of the current cell

  TGridSearch search;  // where the host's last find request stopped
  TStatusState status;
  TViewSwitches view;
  TDecimalColumns decimal;  // which columns align their numbers, and at which width
  TGridPainting painting;

  bool loaded = false;
  THostFacts host;
  HWND window = nullptr;
  std::u16string fileName;
  std::unique_ptr<TCsvDocument> document;

  TViewerLife life;  // lifetime across modal loops (see TViewerCall)
  TBackgroundState rest;  // the rest of a large file being read
  TWatchState watch;      // the file on disk while it is shown
  TStatsCache stats;      // the status bar's totals of the selection
  std::unique_ptr<TProfileWindow> profile;  // the column profile's window, while it is open
  std::unique_ptr<TRowsJob> rowsJob;        // a filter being computed aside, while it runs

  // ---- creation and lifetime (viewer_lifecycle.cpp) ---------------------------------------------------
  // Creates the child controls of a new viewer window (loading label, list view and header, status bar)
  // with their fonts, colours and layout.
  void CreateControls();
  // An error box on the viewer window (caption "qelvar"): the reason of the failed load when it has one,
  // else `fallback`. The box runs a message loop: returns false when the viewer was destroyed meanwhile,
  // and the caller must then return at once.
  bool ShowError(TUiText fallback, const TLoadFailure& failure) noexcept;
  void RefreshDisplayParameters(int parameter);
  // WM_NCDESTROY of the viewer window: stops the timers, forgets the window handles, which die with it, and
  // marks the viewer destroyed; it is freed when no handler of it is on the stack any more.
  void MarkDestroyed() noexcept;
  // Kills the load, decode and filter timers: before a window that goes anyway asks its last question.
  void StopTimers() noexcept;

  // ---- the subclassed controls (control_procs.cpp) ---------------------------------------------------
  // Sets the property "QelvarViewer" and the control's own procedure; the previous procedure goes into the
  // property "QelvarOldWndProc".
  void SubclassControl(HWND control, WNDPROC procedure) noexcept;

  // ---- loading and installing (viewer_load.cpp) --------------------------------------------------------
  // Swaps `fresh` in (the old model, document and transformation are freed) and shows it: columns, widths,
  // filter row, layout, the background-decoding timer and the focus. `boxesLater`: the filter row's boxes
  // are left to the caller (CreateFilterBoxes), for the first load to paint the grid before them.
  void InstallDocument(TLoadedDocument&& fresh, bool boxesLater = false);
  // kLoadFileMessage (or timer 1): the first load, from the settings; a failure shows an error box and
  // destroys the window.
  void DeferredLoad();
  // Timer 2: decodes the next cells; stops the timer when none is left.
  void DecodeSome();
  // Whether the rest of the file is still being read (or the memory held only part of it): no edit, no
  // transformation, and the status bar shows how far the load is.
  bool ReadOnlyWhileLoading() const noexcept { return rest.load != nullptr || rest.truncated; }
  // kLoadBatchMessage: appends the batches that wait and shows the rows (selection, current cell and
  // scroll position kept); when the worker has ended, FinishBackgroundLoad.
  void TakeLoadedRows();
  // The worker ended in `state`: Done (a start decision that the rest contradicted is named in the
  // status bar), Truncated (read-only, with a status notice), Failed (an error box, the window goes).
  void FinishBackgroundLoad(TLoadState state, bool mismatch);
  // Stops reading the rest and waits for the worker (within one read): before a reload or the end.
  void StopBackgroundLoad() noexcept;

  // ---- commands (viewer_window.cpp) ----------------------------------------------------------------
  // Runs the command `id` (commands.h), whether it came from WM_COMMAND, a menu or a key. False for an id
  // without an action (yet). May run modal loops: callers check `life.destroyed` afterwards.
  bool ExecuteCommand(int id);

  // ---- key and mouse routing (input.cpp) -------------------------------------------------------------
  // A key-down in the viewer window; true when a handler consumed it (every key until the grid is shown).
  // The character that the host's message loop already queued for a consumed key is dropped, so that a
  // shortcut never also types.
  bool RouteWindowKey(WPARAM key);
  // A key-down in a subclassed control (list view, header, status bar, filter edits, transform panel);
  // true when a handler consumed it, and then its queued character is dropped.
  bool RouteControlKey(HWND control, WPARAM key);
  // Tab (`back`: Shift+Tab) from `from` while the transform panel is shown: the focus goes to the next
  // shown, enabled control of the ring grid, panel list, input box, buttons. False (not consumed) when
  // the panel is hidden or `from` is none of them.
  bool MovePanelFocus(HWND from, bool back);
  // A key-down in the in-place cell editor: the viewer's shortcuts (HandleKey) only; nothing is forwarded
  // to the host from it. True when consumed (its queued character is then dropped); the editor handles
  // the rest (Enter, Esc, typing).
  bool RouteCellEditorKey(HWND editor, WPARAM key);
  // What the key bindings judge a key-down in `control` by, as things are now.
  TKeyContext KeyContext(HWND control) const noexcept;
  // The viewer's shortcuts for `control`, the window or control the key went to, from the one binding
  // table (KeyAction in commands.h): the key's command runs through ExecuteCommand. True when consumed.
  // Commands that need the document are consumed and do nothing until it is shown. Ctrl is read from
  // GetKeyState.
  bool HandleKey(HWND control, WPARAM key);
  // A wheel turn with Ctrl held zooms the grid font; false when Ctrl is up (the wheel is the control's).
  bool ZoomByWheel(WPARAM wParam) noexcept;
  // A click, double-click or right-click on a grid cell makes it the current cell; `openLink` (a click
  // with Alt held) also opens the cell's link.
  void ClickCell(int item, int subItem, bool openLink = false);
  // A double-click: the cell becomes current and, in edit mode, its editor opens as F2 opens it.
  void DoubleClickCell(int item, int subItem);
  // A click on a column header: sorts by it, or hides it with Ctrl held.
  void ClickColumnHeader(int listColumn);

  // ---- keys for the host (lister_keys.cpp) ------------------------------------------------------------
  // Posts the key to the host's window (the viewer's parent) as a key-down with its scan code when it is
  // one of the host's keys: Esc, F3, Ctrl+F, digits 1..8 without Ctrl (unless disable-num-keys), N and P
  // (unless disable-np-keys), Q (only with exit-by-q); the three settings are read at each key. Nothing
  // goes before `host.keysEnabledAt`, nor while the focus is outside the viewer, nor (except Esc) while the
  // focus is in an edit box (filter, cell editor, transform input), where keys are typing, nor (except
  // Esc and F3) while a character would type into the current cell (TypingIntoCell). Before Esc, Q, N or
  // P, after which Lister closes the viewer, unsaved edits get the save question with Cancel (Cancel, or
  // a failed save: the key is consumed and not posted). True when consumed. May run a modal loop.
  bool ForwardKeyToLister(WPARAM key);

  // ---- the current cell and the arrow keys (cursor.cpp) -----------------------------------------------
  // Arrow keys in the focused grid: Up/Down a row (Ctrl: first/last row), Left/Right to the nearest
  // visible column (Ctrl: first/last visible column). Leaves exactly one row selected and scrolls the cell
  // into view. False (not consumed) when the grid is not shown or focused, or has no row or visible column.
  bool MoveCursor(WPARAM key);
  // Whether list-view column `column` exists and is wider than 0 (hidden columns have width 0).
  bool IsVisibleColumn(int column) const noexcept;

  // ---- opening links and the user guide (link_commands.cpp) ---------------------------------------------
  // Opens the link of a cell's displayed text when the allowlist lets it pass (SafeLinkToOpen); beeps and
  // opens nothing otherwise. Cells outside the grid are ignored.
  void OpenCellLink(int row, int listColumn);
  // Opens the user guide qelvar.html beside the plug-in module; beeps when it is missing.
  void ShowHelp() noexcept;

  // ---- menus (context_menu.cpp) ----------------------------------------------------------------------
  // Creates the context menu with its Theme submenu and the three status popups, texts from the catalogue
  // as they are now. A menu that cannot be created stays null (its request then shows nothing).
  void BuildMenus();
  // Whether a menu command may run now: the editing items need edit mode, the document's own grid (not a
  // transformed view) and, for some, a current row or column. The one place that greys menu items.
  bool IsCommandEnabled(int id) const noexcept;
  // The facts CommandEnabled and the key bindings judge by, as they are now.
  TCommandState CommandState() const noexcept;
  // Sets check marks and greyed states, shows the context menu at the mouse cursor and runs the choice.
  // May run modal loops: callers check `life.destroyed` afterwards.
  void ShowContextMenu();
  // WM_CONTEXTMENU from `source` at `point` (screen coordinates; -1, -1 from the keyboard). Over a header
  // column that column becomes the current column without a current row; over no column nothing opens.
  void RequestContextMenu(HWND source, LPARAM point);
  // The popup of status part 0 (encoding), 1 (delimiter) or 2 (comments), checked as things are, its
  // bottom-left corner at the part's top-left; the choice goes to ApplyStatusChoice. Other parts: nothing.
  void ShowStatusMenu(int part);

  // ---- view switches (view_commands.cpp) -----------------------------------------------------------
  // Filter row shown or hidden (setting filter-row); the boxes keep their texts, which stay applied.
  void ToggleFilterRow();
  // Header row on or off (setting header-row): a new model and transformation over the same document;
  // selected records stay selected where still listed, the current cell is cleared.
  void ToggleHeaderRow();
  // Line-number column on or off (setting show-line-numbers): the columns are rebuilt, the filter texts
  // and rows stay, the current cell is cleared.
  void ToggleLineNumbers();
  // Edit mode on or off, after ending an open cell edit committing it; the status bar follows.
  void ToggleEditMode();

  // ---- status choices and reload (reload.cpp) -----------------------------------------------------------
  // An encoding, delimiter or comment choice (ids 5010..5033), then a reload. When the reload does not
  // happen, the previous choices come back; a failed load is reported in one error box (the loader's own
  // text, else "The file could not be reloaded."), a reload the user declined in none, one a failed save stopped in "The file could not be
  // reloaded." after the save's own box.
  // False for other ids. May run modal loops: callers check `life.destroyed` afterwards.
  bool ApplyStatusChoice(int id);
  // SaveFailed: the save question was answered Yes and the save failed (it has shown its own box).
  enum class TReloadResult { Reloaded, Declined, SaveFailed, Failed };
  // What a reload keeps of the view: always (Reload, a change on disk), or only when the new document has
  // the same columns (a status choice, after which other columns mean another table).
  enum class TKeepView { Always, IfSameColumns };
  // Reads the file again with the current choices, after the save question (Declined when it did not let
  // the reload go on). The new document is built aside: on failure the old one stays on screen with its
  // filters, pending filter text and timers. On success: new model and transformation, columns rebuilt,
  // the line-number width kept, selected records kept by document row where listed, the search from the
  // start; with the view kept (`keep`), the filters (typed text not yet applied included), sort, hidden
  // flags and widths of the columns found again, the transformed view when the new file has every source
  // column it reads, the first row shown, the horizontal scroll and the current cell; columns gone are
  // named in the status bar. Otherwise a fresh view. `failure` says why a load failed (clear otherwise).
  TReloadResult Reload(TLoadFailure& failure, TKeepView keep = TKeepView::Always);
  // Reload (F5, the menu) with its error box.
  void ReloadByCommand();
  // The view as it is now, per document column (TKeptView).
  TKeptView TakeKeptView() const;
  // A step of Reload: the carried view given to the new grid (see Reload).
  void RestoreKeptView(const TCarriedView& carried, TTransformConfig* oldTransform, bool wasTransformed,
                       const std::vector<bool>& outputHidden, const std::vector<int>& listWidths, int topRow,
                       int horizontal, int currentRow, int currentColumn);

  // ---- the column profile (profile_window.cpp) -----------------------------------------------------------
  // The current column's profile over the listed rows, in a window over the viewer (Esc closes it): the
  // values are copied at once and profiled on a worker thread, with a progress line meanwhile. Nothing
  // without a data column of the document's view.
  void ShowColumnProfile();
  // Closes the profile's window, its worker cancelled: before another profile, and when the viewer goes.
  void CloseColumnProfile() noexcept;
  // Document column `column`'s filter becomes `filter`, shown in its box and applied at once (Filter by
  // this value, a value chosen in the profile). Nothing in the transformed view or out of range.
  void SetColumnFilter(int column, const std::u16string& filter);

  // ---- the file on disk (file_watch.cpp) -------------------------------------------------------------
  // After a document is shown in full: the watch starts over from the file as loaded (timer 4 runs when
  // auto-reload is set or follow mode is on).
  void StartWatching();
  // Timer 4: a file that grew has its new rows read and shown (through the filters and the sort, the
  // view kept); a file rewritten, or back after it vanished, is reloaded keeping the view; a vanished
  // file and a change under unsaved edits are named once in the status bar and change nothing. Skipped
  // while loading, editing a cell or inside another handler's modal loop.
  void WatchFile();
  // Reload after a change on disk to `now` (counted in `watch.fullReloads`); one that fails is named in
  // the status bar and tried again only when the file changes again.
  void ReloadForChange(const TFileStamp& now);
  // The rows the document gained shown: filters and sort take them in, follow mode shows the last. With
  // `lastRowReplaced` (a row loaded half written was cut again whole) every row is looked at again.
  void ShowAppendedRows(bool lastRowReplaced);
  // Follow mode on or off (command and Shift+F); on, the last row comes into view.
  void ToggleFollow();
  void FollowLastRow() noexcept;
  // After the grid scrolled (by the user): leaving the end leaves follow mode; coming back to it (End)
  // resumes it when it was left that way.
  void GridScrolled();

  // ---- layout, fonts and DPI (viewer_layout.cpp) -------------------------------------------------
  // The DPI of the window's monitor (of the system when the window cannot tell); never 0.
  int QueryDpi() noexcept;
  void SetEditMargins(HWND edit) noexcept;
  void CreateFonts() noexcept;
  void SetFontSize(int size);
  void Layout() noexcept;
  // A new DPI (0: ask the window for it): fonts, widths and layout follow.
  void OnDpiChanged(int newDpi);
  int LineNumberOffset() const noexcept { return view.lineNumbers ? 1 : 0; }
  // Whether the grid takes the first line as its header: the model's flag, fixed when it was built (the
  // setting only before the first model exists).
  bool HeaderRowShown() const;
  int GridColumnCount() const noexcept;
  int VisibleRowCount() const noexcept;

  // ---- texts, columns and drawing (grid_render.cpp) ------------------------------------------------
  std::u16string CellText(int index, int column) const;
  // CellText written into `buffer` (at most size - 1 characters and a NUL), as LVN_GETDISPINFO wants it.
  void CopyCellText(int index, int column, wchar_t* buffer, int size) const noexcept;
  std::u16string ColumnTitle(int column) const;
  // Makes the list view's columns afresh with `widths`, the filter row's boxes (unless `boxesLater`: the
  // caller makes them with CreateFilterBoxes), the sort marks and the row count.
  void BuildColumns(const std::vector<int>& widths, bool boxesLater = false);
  void UpdateSortMarks() noexcept;
  void MeasureNumericColumns();
  LRESULT GridCustomDraw(NMLVCUSTOMDRAW& draw) noexcept;
  LRESULT HeaderCustomDraw(NMCUSTOMDRAW& draw) noexcept;
  void PaintHeaderFiller() noexcept;

  // ---- themes and colours (themes.cpp) --------------------------------------------------------------
  bool IsDarkTheme() const noexcept;
  void LoadColors() noexcept;
  void ApplyTheme() noexcept;
  // ApplyTheme when the controls do not carry the current theme yet (new controls, or another theme).
  void RefreshTheme() noexcept;
  void ApplyHeaderWithoutStyles() noexcept;
  // Stores the theme chosen in the menu (theme-mode, and dark-theme with light and dark) and repaints.
  void ChooseTheme(TThemeMode mode);

  // ---- column widths (column_widths.cpp) ---------------------------------------------------------
  std::vector<int> ComputeColumnWidths(bool toMax);
  void ApplyColumnWidths(const std::vector<int>& widths);
  void HideColumn(int listColumn);
  void ShowAllColumns();
  void AutoSizeAllColumns();

  // ---- filter row (filter_row.cpp) ----------------------------------------------------------------
  // ResetFilterRow, then CreateFilterBoxes.
  void CreateFilterEdits();
  // Destroys the boxes and forgets their pending changes; a place for each grid column, none filled.
  void ResetFilterRow();
  // Makes the boxes of the filter row as it stands (each showing its column's filter) where there are none
  // yet, and places them. The first load makes them after the first paint of the grid: creating windows
  // costs tens of milliseconds under Wine, and the boxes are not what the user waits for.
  void CreateFilterBoxes();
  void PlaceFilterEdits() noexcept;
  void FilterTextChanged(int index);
  void ApplyPendingFilters();
  void ApplyFilterEdit(int index);
  bool IsFilterEdit(HWND control) const noexcept;
  // A filter typed into a large table (kFilterAsideFrom rows, the whole file read, not in edit mode): the model stores it, and the rows are computed on a worker thread (one still running is
  // cancelled) while the grid shows the old ones and the status bar "Filtering…". False when the table
  // does not qualify (the caller rebuilds at once).
  bool FilterAside(int column, const std::u16string& filter);
  // kRowsReadyMessage: the rows computed aside are shown (selection and current cell kept by record).
  void TakeAsideRows();
  // Cancels a filter being computed aside (its text stays stored in the model, so the next rebuild
  // applies it): before anything else rebuilds the rows or changes the document, and at the end.
  void StopRowsJob() noexcept;
  // "Filter by this value" (`exclude`: "Exclude this value"): the current column's filter becomes the one
  // that keeps (drops) exactly the rows holding the current cell's value, shown in its box and applied at
  // once. Nothing without a current cell of a data column.
  void FilterByCurrentValue(bool exclude);

  // ---- search and header sorting (grid_search.cpp) -----------------------------------------------
  int SearchText(const std::u16string& text, int flags);
  void SortByHeaderClick(int listColumn);

  // ---- rows, selection and the current cell (grid_rows.cpp) ------------------------------------------
  // The one way the visible rows change order or membership (filter, sort, reload, header-row toggle):
  // runs `change` on the model, gives the list view the new row count (without scrolling when
  // `keepScroll`), and keeps the selected rows, the focused row and the current cell on the same records
  // (document rows) where those are still visible; the others are dropped. A current column without a
  // current row stays. The status bar is updated once. When `change` throws, nothing has changed.
  // `appendedOnly`: `change` only added rows after the visible ones, so the list view repaints none of
  // the rows it had (the caller repaints when the view reaches their end).
  void RebuildVisibleRows(const std::function<void()>& change, bool keepScroll, bool appendedOnly = false);
  // Scrolls the current cell into view: its row vertically, and horizontally its column, preferring the
  // left edge for `direction` < 0 and the right edge for > 0. The filter row follows.
  void EnsureCellVisible(int direction) noexcept;
  // Scrolls the list so that row `top` (limited to the last row) is the first one shown.
  void ScrollRowToTop(int top) noexcept;

  // ---- the in-place cell editor (cell_editor.cpp) ---------------------------------------------------
  TCellEditor cellEditor;  // the open box and the document cell it edits
  // Opens the editor over the cell at list row `row` and list-view column `listColumn`, with its value
  // selected, after ending an open edit (committing). Nothing happens outside edit mode, in the
  // transformed view, on the line-number column or out of range; on a cell whose edit could not succeed
  // (a comment row, a field the row does not have) or whose value the box cannot hold (a NUL) it only
  // beeps. A value with line breaks opens in as many lines (at most kMaxEditorLines).
  void BeginCellEdit(int row, int listColumn);
  // Moves the open editor over its cell, as many rows tall as its text has lines (at most
  // kMaxEditorLines), after a zoom, a DPI change, a column resized, the panel shown or hidden or a line
  // break typed; one whose cell is not listed stays where it is.
  void PlaceCellEditor() noexcept;
  // Closes the editor; with `commit` its text goes to CommitCell first, and when that fails the box says
  // why and the editor stays open with the typed text. The list view gets the focus back when the editor
  // had it. Returns at once (the viewer may be gone) when `life.destroyed` is set afterwards.
  void EndCellEdit(bool commit);
  // EndCellEdit(true) for a window procedure: nothing escapes.
  void EndCellEditSafely() noexcept;
  // Enter, Tab (with Shift: back) in the editor: EndCellEdit(true), then the current cell moves by
  // `arrow` (VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT) unless the commit failed and the editor stayed open.
  void CommitCellAndMove(WPARAM arrow);
  // Characters typed on the current cell (TypesIntoCell): its editor opens with `typed` as its text,
  // the caret after it.
  void StartTypingInCell(const std::u16string& typed);
  // Whether a character typed now starts the editor (TypesIntoCell for the list view).
  bool TypingIntoCell() const noexcept;
  // Delete in edit mode: the current cell's value becomes empty (an edit that undo takes back); beeps on
  // a cell that takes no value.
  void ClearCurrentCell();
  // Writes `text` into the document's cell (documentRow, column) and shows the rows again (the filters
  // and the sort apply to the new value; the current cell stays on its record while that is listed).
  // Text equal to the value is no edit: nothing changes, true. False when the document refuses it.
  bool CommitCell(int documentRow, int column, const std::u16string& text);
  // SetCell and the rows shown again, for CommitCell and ClearCurrentCell; the caller checked the cell.
  bool WriteCell(int documentRow, int column, const std::u16string& text);

  // ---- row and column edits, undo and redo (edit_operations.cpp) -------------------------------------
  // Edits not yet saved, judged by the document's history: false after a load, a save, an edit that
  // changed nothing and an undo back to the saved text.
  bool Modified() const noexcept;
  // After an edit: when the document dropped its oldest undo steps to bound their memory, the status
  // bar says so (once per drop).
  void NoteDroppedUndoSteps();
  // Each does nothing in the transformed view or outside edit mode, ends an open edit without committing
  // it, and changes nothing when the document refuses.
  // Where InsertRow puts the new row: below or above the current row, or after the file's last row.
  enum class TRowPlace { Below, Above, End };
  // An empty row at `place`, which becomes the current row (at the current column) when it is listed.
  // Above without a current row is the top of the table; Above and End also work on a table without
  // rows. A file without rows that shows a header row gets two: the header and the data row.
  void InsertRow(TRowPlace place);
  // The document's InsertRowAfter with what follows every insert (the stamps, the header row of an
  // empty file, a grid restarted when the row gave the table its columns). False when refused.
  bool InsertRowAfterDocumentRow(int documentRow);
  // The selected rows (the current row when none is selected), in one pass; no row is current afterwards.
  void DeleteRows();
  // The current column, after a Yes to a question that names it and the comment rows that keep a field
  // there. The grid starts over: new model (filters and sort cleared), identity transformation.
  void DeleteCurrentColumn();
  // Takes back / does again the last edit (edit mode, not in the transformed view; beeps when there is
  // nothing). The changed row becomes the current, selected row when it is listed.
  void UndoEdit();
  void RedoEdit();
  // Edit mode, not the transformed view, a document shown.
  bool CanEditRows() const noexcept;
  // After an edit that moved rows: the rows listed again, nothing selected but `documentRow`, which
  // becomes the current row (at `listColumn`) when it is listed; no current cell otherwise.
  void ShowRowsAfterEdit(int documentRow, int listColumn);
  // After the document's columns changed: a new grid model (the header-row setting, the old case rule;
  // filters and sort cleared), the transformation reset to the identity and the grid's columns rebuilt.
  void RestartGridAfterColumnChange();
  void StepHistory(bool undo);

  // ---- saving and the save question (save_document.cpp) --------------------------------------------
  // The file as loaded or last saved, the save question's guard, and whether the unsaved state is kept.
  TSaveState saving;
  // Ends an open edit committing it and writes the document back through the document's safe save.
  // True when nothing is left unsaved (also when nothing was modified: nothing is written). Asks first
  // when the file changed on disk since the load (No: false, nothing written). A failure says why in an
  // error box. May run modal loops: callers check `life.destroyed`.
  bool SaveDocument();
  // Whether the caller may go on with `action` (utClosing, utReloading) that drops unsaved edits: asks
  // Yes/No, with Cancel when `hostHonoursCancel` (a host that closes after any answer gets no Cancel, and
  // when its save fails the edits go to a recovery file at once). False during another question, when
  // the edit cannot be committed, on Cancel and when the save fails.
  bool ConfirmSaveBefore(TUiText action, bool hostHonoursCancel = true) noexcept;
  // Unsaved, unsettled edits are written to a recovery file in the user's temporary folder, named after
  // the file with a time stamp: for a viewer that goes without a successful save. `tellUser`: a box on
  // the (still living) window says where, or that it failed; false inside the window's destruction,
  // where nothing modal may run.
  void RecoverUnsavedEdits(bool tellUser) noexcept;

  // ---- message boxes of editing (edit_messages.cpp) -------------------------------------------------
  // A box on the viewer window (caption "qelvar") with `type`'s buttons and icon: the answer, or 0 when
  // the box failed or the viewer was destroyed while it was up (callers then return at once).
  int AskUser(const std::u16string& text, UINT type) noexcept;

  // ---- clipboard copy (copy_commands.cpp) ---------------------------------------------------------------
  // Key C: Shift copies rows (with the header line under the setting copy-header), Ctrl the column, the
  // setting copy-column the column when more than one row is selected; otherwise the cell.
  void CopyDispatch();
  // The host's copy command: the selected rows (as Shift+C) when more than one is selected, else the cell.
  void CopyForHost();
  // Ctrl+A and the host's select-all command: every listed row selected (an open edit ends committing).
  void SelectAllRows();
  // The current cell's text (empty without a current cell).
  void CopyCell();
  // The selected rows, in list order: the shown columns (no line numbers, no hidden ones) in header
  // order, joined by the first character of column-delimiter; CR LF between every two rows. With
  // `withHeader` the column titles come first as one more line.
  void CopyRows(bool withHeader = false);
  // The current column (even hidden) of the selected rows when more than one is selected, else of every
  // listed row; CR LF between every two rows.
  void CopyColumn();

  // ---- the transform panel (transform_panel.cpp) ---------------------------------------------------
  // Creates the panel's list, input box and buttons, hidden; once, while the window is created.
  void BuildTransformPanel();
  // Places the panel right of the grid (`gridWidth` wide) in `panelWidth` pixels, or hides it when it is
  // not shown; a step of Layout.
  void LayoutTransformPanel(int gridWidth, int panelWidth) noexcept;
  // Refills the list from the transformation (the selection stays on its index where it can) and updates
  // the three captions that change (delimiter, number format, apply/reset). Nothing without the panel.
  void RefreshTransformPanel();
  // Gives `newFont` to the panel's controls (CreateFonts, before the old font is deleted).
  void SetTransformPanelFont(HFONT newFont) noexcept;
  // Shows or hides the panel (command 5042); the transformation and the grid's view stay as they are.
  void ToggleTransformPanel();
  // Resets the transformation to the identity of the current document with the header-row setting read
  // now, and then everything that follows a reset (TransformationReset). For every change that makes the
  // old transformation meaningless: the header-row toggle, a deleted column. The caller rebuilds the grid
  // columns afterwards, as it does for its own change.
  void ResetTransformation();
  // What follows any reset of the transformation (also a load or reload, which built the new one aside):
  // the grid leaves the transformed view, the output columns' hidden flags are forgotten, the window is
  // laid out again (the filter row comes back) and the panel shows the new list.
  // `layOut` false: the caller lays the window out itself right after.
  void TransformationReset(bool layOut = true);
  // The hidden-column flags of the view the grid shows now (document or transformation output).
  std::vector<bool>& HiddenColumnFlags() noexcept;
  // Whether `control` is one of the panel's controls (their keys are no grid keys).
  bool IsTransformControl(HWND control) const noexcept;

  // ---- the panel's commands (transform_commands.cpp) -------------------------------------------------
  // Runs one button of the panel (ids 6010..6023); false for another id. May run modal loops (file
  // dialogs, error boxes): callers check `life.destroyed` afterwards.
  bool TransformCommand(int id);
  // The grid's columns rebuilt for the current view: no current cell, widths computed as at load, and
  // the window laid out again (the filter row goes or comes with the transformed view).
  void RebuildTransformGrid();

  // ---- the panel's files (transform_files.cpp) ----------------------------------------------------
  // The common open or save dialog on the viewer window with the filters `description` (*.extension) and
  // "All files"; the chosen path, or empty when cancelled. Runs a modal loop.
  std::u16string ChooseFile(bool save, TUiText description, std::u16string_view extension);
  // Load, save and export through a chosen file, each with its error box. Run modal loops.
  void LoadTransformationFile();
  void SaveTransformationFile();
  void ExportTransformedCsv();

  // ---- the panel's painting (transform_draw.cpp) ----------------------------------------------------
  // WM_DRAWITEM of a panel button: its colour group's background in the current theme, edge, caption and
  // focus rectangle. Returns 1.
  LRESULT DrawPanelButton(const DRAWITEMSTRUCT& item) noexcept;
  // WM_CTLCOLORLISTBOX of the panel's list: its colours; the brush to paint with.
  LRESULT PanelListColors(HDC dc) noexcept;
  // The line where a dragged entry would land, over the list after it painted itself (only while dragging).
  void DrawDropMarker() noexcept;

  // ---- drag and drop in the panel's list (transform_drag.cpp) ------------------------------------------
  // A mouse message of the list; true when the drag handled it (the list's own handling is then skipped).
  bool PanelListMouse(UINT message, WPARAM wParam, LPARAM lParam);

  // ---- status bar (status_bar.cpp) -----------------------------------------------------------------
  void UpdateStatusBar();
  // The totals of the current column's values in the selected rows ("Count: 5   Numbers: 4   Sum: ..."),
  // in the number format most of them read with; empty for fewer than two selected rows, without a data
  // column, or in the transformed view (selection_stats.cpp).
  std::u16string SelectionStatsText();
  void ShowLoadingStatus();
  // Sets the five texts and widens the parts for them.
  void ShowStatusTexts(const TStatusInput& input);
  void PaintStatusBar(HDC dc) noexcept;
  void PaintStatusPart(HDC dc, int part) noexcept;
  LRESULT StatusBarCustomDraw(NMCUSTOMDRAW& draw) noexcept;

 private:
  // Five parts: each of the first four as wide as its text in the status bar's font needs, at least the
  // base width scaled with the font; the last takes the rest. Texts are read back from the bar, so this
  // also follows a font change.
  void SetStatusParts() noexcept;
};

// Keeps a viewer alive while one of its handlers runs. Message boxes, popup menus and file dialogs run
// message loops in which the host may destroy the viewer window; its WM_NCDESTROY then only marks the
// viewer destroyed, and the outermost TViewerCall frees it when it returns. So every window procedure and
// entry point holds one, and after a modal call a handler checks `life.destroyed` and returns at once.
class TViewerCall {
 public:
  explicit TViewerCall(TCsvViewer* viewer) noexcept;
  ~TViewerCall();
  TViewerCall(const TViewerCall&) = delete;
  TViewerCall& operator=(const TViewerCall&) = delete;

  // The viewer; null when there was none or its window is gone.
  TCsvViewer* Get() const noexcept;
  TCsvViewer* operator->() const noexcept { return Get(); }
  explicit operator bool() const noexcept { return Get() != nullptr; }

 private:
  TCsvViewer* viewer_;
};

// Runs `work`, turning any exception into `failed`: nothing may escape a window procedure into the host.
template <class Work>
LRESULT Safely(Work&& work, LRESULT failed = 0) noexcept {
  try {
    return work();
  } catch (...) {
    return failed;
  }
}

// The viewer window's procedure (viewer_window.cpp) and the subclassed controls' (control_procs.cpp).
LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK ListViewProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK HeaderProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK StatusBarProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK FilterEditProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK CellEditorProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// The transform panel's list (drag and drop, drop marker) and its input box and buttons (transform_drag.cpp).
LRESULT CALLBACK TransformListProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK TransformControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
// The viewer a subclassed control belongs to (its property "QelvarViewer"), or null.
TCsvViewer* ControlViewer(HWND control) noexcept;

// The class name of the viewer window.
inline constexpr wchar_t kViewerClassName[] = L"QelvarMigrationViewer";

}  // namespace qelvar
