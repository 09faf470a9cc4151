// The viewer window's procedure: one handler per message, the notifications of each child control, and
// the one dispatcher of commands. What each handler does lives in the file of its concern.
#include "settings/settings.h"
#include "viewer/viewer.h"
#include "win/keys.h"

namespace qelvar {
namespace {

// Sent to child windows after their top-level window's DPI changed (WM_DPICHANGED goes to top-level
// windows only). Not declared for the Windows version the plug-in targets.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// ---- one handler per message ---------------------------------------------------------------------------

LRESULT OnSize(TCsvViewer& viewer) noexcept {
  viewer.Layout();
  return 0;
}

LRESULT OnClose(TCsvViewer& viewer) noexcept {
  // The question about unsaved edits may run a message loop in which the window goes.
  if (!viewer.ConfirmSaveBefore(utClosing) || viewer.life.destroyed) return 0;
  viewer.StopTimers();
  DestroyWindow(viewer.window);
  return 0;
}

LRESULT OnEraseBackground(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.theme.BackBrush()) return DefWindowProcW(window, WM_ERASEBKGND, wParam, lParam);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(reinterpret_cast<HDC>(wParam), &client, viewer.theme.BackBrush());
  return 1;
}

LRESULT OnNcDestroy(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  // Nothing modal here: the children are gone. Whatever no close request settled is written silently.
  viewer.RecoverUnsavedEdits(false);
  viewer.MarkDestroyed();
  return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnKeyDown(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (Safely([&] { return LRESULT{viewer.RouteWindowKey(wParam)}; }, 1)) return 0;
  return DefWindowProcW(window, WM_KEYDOWN, wParam, lParam);
}

LRESULT OnCommand(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.loaded) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  // A filter box is known by its handle: its column may lie beyond what the 16-bit id can carry.
  const int filterIndex = viewer.filterRow.IndexOf(reinterpret_cast<HWND>(lParam), kFilterEditId);
  if (code == EN_CHANGE && filterIndex >= 0) {
    return Safely([&] {
      viewer.FilterTextChanged(filterIndex);
      return LRESULT{0};
    });
  }
  // Menus and accelerators send code 0 or 1, a clicked button BN_CLICKED (0); other codes are notifications.
  // An owner-drawn button reports the second of two quick clicks as a double click: still a click.
  const bool panelDoubleClick =
      code == BN_DOUBLECLICKED && id >= kFirstTransformCommand && id <= kLastTransformCommand;
  if ((code == 0 || code == 1 || panelDoubleClick) && IsDispatchedCommand(id) &&
      Safely([&] { return LRESULT{viewer.ExecuteCommand(id)}; }))
    return 0;
  return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

LRESULT OnTimer(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  return Safely([&]() -> LRESULT {
    switch (wParam) {
      case kLoadTimer:
        viewer.DeferredLoad();
        return 0;
      case kDecodeTimer:
        viewer.DecodeSome();
        return 0;
      case kFilterTimer:
        viewer.ApplyPendingFilters();
        return 0;
      case kWatchTimer:
        viewer.WatchFile();
        return 0;
      default:
        return DefWindowProcW(window, WM_TIMER, wParam, lParam);
    }
  });
}

LRESULT OnCtlColorEdit(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.theme.FilterBackBrush()) return DefWindowProcW(window, WM_CTLCOLOREDIT, wParam, lParam);
  const auto dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, viewer.theme.Colors().filterText);
  SetBkColor(dc, viewer.theme.Colors().filterBack);
  return reinterpret_cast<LRESULT>(viewer.theme.FilterBackBrush());
}

LRESULT OnCtlColorStatic(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (reinterpret_cast<HWND>(lParam) != viewer.loadingLabel || !viewer.theme.BackBrush())
    return DefWindowProcW(window, WM_CTLCOLORSTATIC, wParam, lParam);
  const auto dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, viewer.theme.Colors().text);
  SetBkColor(dc, viewer.theme.Colors().back);
  return reinterpret_cast<LRESULT>(viewer.theme.BackBrush());
}

// The transform panel's buttons paint themselves in their colour groups.
LRESULT OnDrawItem(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (!item || item->CtlType != ODT_BUTTON) return DefWindowProcW(window, WM_DRAWITEM, wParam, lParam);
  return viewer.DrawPanelButton(*item);
}

LRESULT OnCtlColorListBox(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (reinterpret_cast<HWND>(lParam) != viewer.panel.List() || !viewer.theme.FilterBackBrush())
    return DefWindowProcW(window, WM_CTLCOLORLISTBOX, wParam, lParam);
  return viewer.PanelListColors(reinterpret_cast<HDC>(wParam));
}

LRESULT OnMouseWheel(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (viewer.ZoomByWheel(wParam)) return 0;
  return DefWindowProcW(window, WM_MOUSEWHEEL, wParam, lParam);
}

// `dpi` 0: the message did not say (a child's notice), so the viewer asks its window.
LRESULT OnDpiChanged(TCsvViewer& viewer, int dpi) noexcept {
  return Safely([&] {
    viewer.OnDpiChanged(dpi);
    return LRESULT{0};
  });
}

// From the list view, its header (passed on by both) or the viewer window itself.
LRESULT OnContextMenu(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  const auto source = reinterpret_cast<HWND>(wParam);
  if (source != viewer.listView && source != viewer.header && source != window)
    return DefWindowProcW(window, WM_CONTEXTMENU, wParam, lParam);
  return Safely([&] {
    viewer.RequestContextMenu(source, lParam);
    return LRESULT{0};
  });
}

LRESULT OnEditCurrentCell(TCsvViewer& viewer) noexcept {
  return Safely([&] {
    if (viewer.view.editMode) viewer.ExecuteCommand(cmEditCell);
    return LRESULT{0};
  });
}

LRESULT OnLoadFile(TCsvViewer& viewer) noexcept {
  return Safely([&] {
    viewer.DeferredLoad();
    return LRESULT{0};
  });
}

LRESULT OnLoadBatch(TCsvViewer& viewer) noexcept {
  return Safely([&] {
    viewer.TakeLoadedRows();
    return LRESULT{0};
  });
}

LRESULT OnRowsReady(TCsvViewer& viewer) noexcept {
  return Safely([&] {
    viewer.TakeAsideRows();
    return LRESULT{0};
  });
}

LRESULT OnFocusGrid(TCsvViewer& viewer) noexcept {
  if (viewer.host.listerWindow && viewer.listView) SetFocus(viewer.listView);
  return 0;
}

// ---- notifications, by the control they come from ---------------------------------------------------

LRESULT OnListViewNotify(TCsvViewer& viewer, LPARAM lParam) {
  // Until the document is shown the list view has nothing to ask for.
  if (!viewer.loaded) return 0;
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case LVN_GETDISPINFOW: {
      auto& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
      if (item.mask & LVIF_TEXT) viewer.CopyCellText(item.iItem, item.iSubItem, item.pszText, item.cchTextMax);
      return 0;
    }
    case NM_CUSTOMDRAW:
      return viewer.GridCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    case LVN_COLUMNCLICK:
      viewer.ClickColumnHeader(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
      return 0;
    case LVN_ITEMCHANGED:
      if (reinterpret_cast<const NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) viewer.UpdateStatusBar();
      return 0;
    case LVN_ODSTATECHANGED:
      viewer.UpdateStatusBar();
      return 0;
    case NM_DBLCLK: {
      const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      viewer.DoubleClickCell(click.iItem, click.iSubItem);
      return 0;
    }
    case NM_CLICK:
    case NM_RCLICK: {
      const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      const bool alt = (click.uKeyFlags & LVKF_ALT) != 0 || KeyHeld(VK_MENU);
      viewer.ClickCell(click.iItem, click.iSubItem, click.hdr.code == static_cast<UINT>(NM_CLICK) && alt);
      return 0;
    }
    default:
      return -1;
  }
}

LRESULT OnHeaderNotify(TCsvViewer& viewer, LPARAM lParam) noexcept {
  if (reinterpret_cast<const NMHDR*>(lParam)->code != static_cast<UINT>(NM_CUSTOMDRAW)) return -1;
  return viewer.HeaderCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
}

LRESULT OnStatusBarNotify(TCsvViewer& viewer, LPARAM lParam) {
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case NM_CUSTOMDRAW: return viewer.StatusBarCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
    case NM_CLICK:
    case NM_RCLICK:
      viewer.ShowStatusMenu(static_cast<int>(reinterpret_cast<const NMMOUSE*>(lParam)->dwItemSpec));
      return TRUE;
    default: return -1;
  }
}

// Each control's handler answers -1 for a code it leaves to the default procedure (no notification the
// viewer handles answers -1 itself).
LRESULT OnNotify(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* notify = reinterpret_cast<const NMHDR*>(lParam);
  if (!notify || !notify->hwndFrom) return 0;
  const HWND from = notify->hwndFrom;
  const LRESULT result = Safely([&]() -> LRESULT {
    if (from == viewer.listView) return OnListViewNotify(viewer, lParam);
    if (from == viewer.header) return OnHeaderNotify(viewer, lParam);
    if (from == viewer.statusBar) return OnStatusBarNotify(viewer, lParam);
    return -1;
  });
  return result != -1 ? result : DefWindowProcW(window, WM_NOTIFY, wParam, lParam);
}

}  // namespace

// ---- the one dispatcher of commands -------------------------------------------------------------------

bool TCsvViewer::ExecuteCommand(int id) {
  // Keys reach here without the menus' greying: what needs the whole file waits for it.
  if (NeedsWholeFile(id) && ReadOnlyWhileLoading()) {
    MessageBeep(MB_ICONEXCLAMATION);
    return true;
  }
  switch (id) {
    case cmToggleFilterRow: ToggleFilterRow(); return true;
    case cmToggleHeaderRow: ToggleHeaderRow(); return true;
    case cmToggleLineNumbers: ToggleLineNumbers(); return true;
    case cmToggleEditMode: ToggleEditMode(); return true;
    case cmEncodingAnsi:
    case cmEncodingUtf8:
    case cmEncodingUtf16Le:
    case cmEncodingUtf16Be:
    case cmDelimiterComma:
    case cmDelimiterSemicolon:
    case cmDelimiterBar:
    case cmDelimiterTab:
    case cmDelimiterColon:
    case cmDelimiterAuto:
    case cmCommentsParse:
    case cmCommentsNoParse:
    case cmCommentsHide:
    case cmCommentsAuto: return ApplyStatusChoice(id);
    case cmCopyCell: CopyCell(); return true;
    case cmCopyRows: CopyRows(ReadInteger(u"copy-header") != 0); return true;
    case cmCopyRowsWithHeader: CopyRows(true); return true;
    case cmCopyColumn: CopyColumn(); return true;
    case cmDeleteRows: DeleteRows(); return true;
    case cmInsertRowBelow: InsertRow(TRowPlace::Below); return true;
    case cmInsertRowAbove: InsertRow(TRowPlace::Above); return true;
    case cmAppendRow: InsertRow(TRowPlace::End); return true;
    case cmSave: SaveDocument(); return true;
    case cmDeleteColumn: DeleteCurrentColumn(); return true;
    case cmUndo: UndoEdit(); return true;
    case cmRedo: RedoEdit(); return true;
    case cmHideColumn: HideColumn(cursor.column); return true;
    case cmShowAllColumns: ShowAllColumns(); return true;
    case cmAutoSizeColumns: AutoSizeAllColumns(); return true;
    case cmFilterByValue: FilterByCurrentValue(false); return true;
    case cmExcludeValue: FilterByCurrentValue(true); return true;
    case cmColumnProfile: ShowColumnProfile(); return true;
    case cmReload: ReloadByCommand(); return true;
    case cmToggleFollow: ToggleFollow(); return true;
    case cmThemeTc: ChooseTheme(TThemeMode::Tc); return true;
    case cmThemeLight: ChooseTheme(TThemeMode::Light); return true;
    case cmThemeDark: ChooseTheme(TThemeMode::Dark); return true;
    case cmToggleTransformMode: ToggleTransformPanel(); return true;
    case cmTransformUp:
    case cmTransformDown:
    case cmTransformAddColumn:
    case cmTransformRemoveColumn:
    case cmTransformRenameColumn:
    case cmTransformSetAllCells:
    case cmTransformFillEmptyCells:
    case cmTransformEnumerateCells:
    case cmTransformLoadJson:
    case cmTransformSaveJson:
    case cmTransformExportCsv:
    case cmTransformDelimiter:
    case cmTransformNumberFormat:
    case cmTransformApplyToGrid: return TransformCommand(id);
    case cmHelp: ShowHelp(); return true;
    case cmZoomIn: SetFontSize(metrics.FontSize() + 1); return true;
    case cmZoomOut: SetFontSize(metrics.FontSize() - 1); return true;
    // A cursor key is the grid's own when the cursor cannot move.
    case cmCursorLeft: return MoveCursor(VK_LEFT);
    case cmCursorUp: return MoveCursor(VK_UP);
    case cmCursorRight: return MoveCursor(VK_RIGHT);
    case cmCursorDown: return MoveCursor(VK_DOWN);
    case cmEditCell: BeginCellEdit(cursor.row, cursor.column); return true;
    case cmCopyByKey: CopyDispatch(); return true;
    case cmSelectAllRows: SelectAllRows(); return true;
    case cmClearCell: ClearCurrentCell(); return true;
    default: return false;
  }
}

// ---- the window procedure ------------------------------------------------------------------------------

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TViewerCall viewer(reinterpret_cast<TCsvViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
  if (!viewer) return DefWindowProcW(window, message, wParam, lParam);
  TCsvViewer& v = *viewer.Get();
  switch (message) {
    case WM_SIZE: return OnSize(v);
    case WM_CLOSE: return OnClose(v);
    case WM_ERASEBKGND: return OnEraseBackground(v, window, wParam, lParam);
    case WM_NOTIFY: return OnNotify(v, window, wParam, lParam);
    case WM_NCDESTROY: return OnNcDestroy(v, window, wParam, lParam);
    case WM_KEYDOWN: return OnKeyDown(v, window, wParam, lParam);
    case WM_COMMAND: return OnCommand(v, window, wParam, lParam);
    case WM_TIMER: return OnTimer(v, window, wParam, lParam);
    case WM_CTLCOLOREDIT: return OnCtlColorEdit(v, window, wParam, lParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(v, window, wParam, lParam);
    case WM_CTLCOLORLISTBOX: return OnCtlColorListBox(v, window, wParam, lParam);
    case WM_DRAWITEM: return OnDrawItem(v, window, wParam, lParam);
    case WM_MOUSEWHEEL: return OnMouseWheel(v, window, wParam, lParam);
    case WM_CONTEXTMENU: return OnContextMenu(v, window, wParam, lParam);
    case WM_DPICHANGED: return OnDpiChanged(v, LOWORD(wParam));
    case kDpiChangedAfterParent: return OnDpiChanged(v, 0);
    case kFocusGridMessage: return OnFocusGrid(v);
    case kEditCurrentCellMessage: return OnEditCurrentCell(v);
    case kLoadBatchMessage: return OnLoadBatch(v);
    case kRowsReadyMessage: return OnRowsReady(v);
    case kLoadFileMessage: return OnLoadFile(v);
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace qelvar
