// The viewer: one window per file that the host shows, with its grid, filter row and status bar.
//
// The exported Lister functions reach the viewer only through the entry points below. The viewer object
// is found from its window (GWLP_USERDATA); subclassed child controls find it through the window property
// "QelvarViewer". There is no list of viewers. None of the entry points throws.
//
// TCsvViewer is split across files by concern: window and lifecycle (viewer_window.cpp), layout, fonts and
// DPI (viewer_layout.cpp), texts, columns and drawing (grid_render.cpp), themes and colours (themes.cpp),
// column widths (column_widths.cpp), the filter row (filter_row.cpp), search and header sorting
// (grid_search.cpp) and the status bar (status_bar.cpp).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "localization/localization.h"
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

// The host's ListSendCommand: only lc_newparams (new display parameters: lcp_darkmode and
// lcp_darkmodenative of `parameter`) is acted on; everything else, and a window without a viewer, is ignored.
void SendViewerCommand(HWND window, int command, int parameter) noexcept;

// Control ids, timers and private messages of the viewer window.
inline constexpr int kListViewId = 1001;
inline constexpr int kStatusBarId = 1002;
inline constexpr int kLoadingLabelId = 1003;
inline constexpr int kFilterEditFirstId = 2000;
inline constexpr UINT_PTR kLoadTimer = 1;
inline constexpr UINT_PTR kDecodeTimer = 2;
inline constexpr UINT_PTR kFilterTimer = 3;
inline constexpr UINT kFocusGridMessage = WM_USER + 101;
inline constexpr int kDecodeCellsPerTick = 2000;
inline constexpr UINT kDecodeTickMs = 15;
inline constexpr UINT kFilterDelayMs = 250;
inline constexpr int kSearchFromEnd = 2147483647;

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
  std::vector<HWND> filterEdits;     // per list-view column; null for the line-number column
  std::vector<bool> pendingFilters;  // per filter box: changed, not yet applied
  std::vector<bool> hiddenColumns;   // per document column: hidden by the user (may be shorter)
  bool filterRowVisible = true;

  COLORREF textColor = 0, backColor = 0, backColor2 = 0, filterTextColor = 0, filterBackColor = 0,
           headerTextColor = 0, headerBackColor = 0, currentCellBackColor = 0, selectionTextColor = 0,
           selectionBackColor = 0, lineNumberTextColor = 0, lineNumberBackColor = 0;
  TBrush backBrush;
  TBrush filterBackBrush;
  TFont font;
  TFont boldFont;
  std::u16string fontName;
  int fontSize = 16;
  int fontWeight = 0;
  int dpi = 0;

  std::unique_ptr<TTransformConfig> transformConfig;
  bool transformPanelVisible = false;

  bool editMode = false;
  bool modified = false;

  std::u16string encodingName;
  char16_t delimiter = 0;
  bool autoDelimiter = true;
  int commentMode = 0;
  bool autoComments = false;

  std::unique_ptr<TCsvGridModel> model;
  int currentRow = -1;
  int currentColumn = -1;

  std::u16string searchText;
  int searchFlags = 0;
  int searchRow = 0;
  int searchColumn = 0;
  int searchPos = 1;

  bool transformedView = false;
  bool showLineNumbers = false;
  bool decimalAlign = true;
  std::vector<int> intPartWidths;   // per list-view column, pixels
  std::vector<bool> decimalColumns;  // per list-view column (always equal to numericColumns)
  std::vector<bool> numericColumns;

  std::uint64_t keysEnabledAt = 0;
  bool loaded = false;
  bool isListerWindow = false;
  bool hostDarkMode = false;
  bool hostNativeDarkMode = false;
  HWND window = nullptr;
  std::u16string fileName;
  // The window theme the controls carry: -1 none yet, 0 light, 1 dark; stale while new filter boxes lack it.
  int themedAs = -1;
  bool themeStale = true;
  std::unique_ptr<TCsvDocument> document;

  // ---- window and lifecycle (viewer_window.cpp) ---------------------------------------------------
  // Sets the property "QelvarViewer" and the shared child procedure on a control.
  void SubclassControl(HWND control) noexcept;
  void ShowError(TUiText fallback) noexcept;
  // Whether the window may close now (unsaved edits are offered for saving, with `reason` in the question).
  bool MayClose(TUiText reason) noexcept;
  void DeferredLoad();
  void DecodeSome();
  void RefreshDisplayParameters(int parameter);

  // ---- layout, fonts and DPI (viewer_layout.cpp) -------------------------------------------------
  int Scale(int n) noexcept;
  int QueryDpi() noexcept;
  int FontPixelHeight() noexcept;
  int ScaleByFont(int n) noexcept;
  int FilterRowHeight() noexcept;
  int StatusBarHeight() noexcept;
  int TransformPanelWidth() noexcept;
  void SetEditMargins(HWND edit) noexcept;
  void CreateFonts() noexcept;
  void SetFontSize(int size);
  void Layout() noexcept;
  void OnDpiChanged(int newDpi);
  int LineNumberOffset() const noexcept { return showLineNumbers ? 1 : 0; }
  int GridColumnCount() const noexcept;
  int VisibleRowCount() const noexcept;

  // ---- texts, columns and drawing (grid_render.cpp) ------------------------------------------------
  std::u16string CellText(int index, int column) const;
  // CellText written into `buffer` (at most size - 1 characters and a NUL), as LVN_GETDISPINFO wants it.
  void CopyCellText(int index, int column, wchar_t* buffer, int size) const noexcept;
  std::u16string ColumnTitle(int column) const;
  void BuildColumns(const std::vector<int>& widths);
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

  // ---- column widths (column_widths.cpp) ---------------------------------------------------------
  std::vector<int> ComputeColumnWidths(bool toMax);
  void ApplyColumnWidths(const std::vector<int>& widths);
  void HideColumn(int listColumn);
  void ShowAllColumns();
  void AutoSizeAllColumns();

  // ---- filter row (filter_row.cpp) ----------------------------------------------------------------
  void CreateFilterEdits();
  void PlaceFilterEdits() noexcept;
  void FilterTextChanged(int index);
  void ApplyPendingFilters();
  void ApplyFilterEdit(int index);
  bool IsFilterEdit(HWND control) const noexcept;

  // ---- search and header sorting (grid_search.cpp) -----------------------------------------------
  int SearchText(const std::u16string& text, int flags);
  void SortByHeaderClick(int listColumn);

  // ---- status bar (status_bar.cpp) -----------------------------------------------------------------
  void UpdateStatusBar();
  void ShowLoadingStatus();
  void PaintStatusBar(HDC dc) noexcept;
  void PaintStatusPart(HDC dc, int part) noexcept;
  LRESULT StatusBarCustomDraw(NMCUSTOMDRAW& draw) noexcept;

 private:
  void SetStatusParts() noexcept;
};

// The two window procedures; viewer_window.cpp registers the first and SubclassControl installs the second.
LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK ViewerChildProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// A UI text with each "%d" replaced by the next of `numbers` (missing numbers give nothing) and "%%" by "%".
std::u16string FormatUiText(std::u16string_view text, std::initializer_list<long long> numbers);

}  // namespace qelvar
