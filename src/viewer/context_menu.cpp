// Opening the grid's context menu and the status bar's popups (chrome/menus.h builds them): their check
// marks and greyed items are set right before they open, and the chosen item runs through the one
// dispatcher.
#include <windowsx.h>

#include "document/csv_document.h"
#include "settings/settings.h"
#include "viewer/viewer.h"
#include "win/focus.h"

namespace qelvar {
namespace {

constexpr UINT kPopupFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

}  // namespace

void TCsvViewer::BuildMenus() { menus.Build(); }

TCommandState TCsvViewer::CommandState() const noexcept {
  TCommandState state;
  state.editMode = view.editMode;
  state.transformedView = view.transformed;
  state.hasDocument = document != nullptr;
  state.currentRow = cursor.row;
  state.currentColumn = cursor.column;
  state.rowCount = VisibleRowCount();
  state.lineNumberOffset = LineNumberOffset();
  state.documentColumns = document ? document->ColumnCount() : 0;
  state.wholeFile = !ReadOnlyWhileLoading();
  return state;
}

bool TCsvViewer::IsCommandEnabled(int id) const noexcept { return CommandEnabled(id, CommandState()); }

void TCsvViewer::ShowContextMenu() {
  const HMENU menu = menus.Context();
  if (!menu || !loaded) return;
  // Whatever the menu runs sees the typed value; a commit that failed keeps its editor and no menu opens.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  CheckCommand(menu, cmToggleFilterRow, filterRow.Visible());
  CheckCommand(menu, cmToggleHeaderRow, HeaderRowShown());
  CheckCommand(menu, cmToggleEditMode, view.editMode);
  CheckCommand(menu, cmToggleTransformMode, panel.Visible());
  CheckCommand(menu, cmToggleLineNumbers, view.lineNumbers);
  CheckCommand(menu, cmToggleFollow, watch.follow);
  const TThemeMode mode = ResolveThemeMode();
  CheckCommand(menu, cmThemeTc, mode == TThemeMode::Tc);
  CheckCommand(menu, cmThemeLight, mode == TThemeMode::Light);
  CheckCommand(menu, cmThemeDark, mode == TThemeMode::Dark);
  const TCommandState state = CommandState();
  for (const int id : kContextItems)
    if (id != 0)
      EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (CommandEnabled(id, state) ? MF_ENABLED : MF_GRAYED));

  // At the mouse cursor, also when the keyboard asked for the menu.
  POINT at{};
  GetCursorPos(&at);
  int chosen = 0;
  {
    const TFocusKeeper focus(window);
    chosen = static_cast<int>(TrackPopupMenu(menu, kPopupFlags | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, window, nullptr));
  }
  // The menu's loop may have let the host close the viewer.
  if (life.destroyed || chosen == 0) return;
  // A greyed item cannot be chosen; the check keeps it so should the menu be answered otherwise.
  if (IsCommandEnabled(chosen)) ExecuteCommand(chosen);
}

void TCsvViewer::RequestContextMenu(HWND source, LPARAM point) {
  if (!source || (source != listView && source != header && source != window)) return;
  // The header takes no focus, so a right-click there leaves the editor open: end it before the cursor moves.
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  if (point == -1) GetCursorPos(&at);
  // The list view passes its header's right-click on as its own request (with the mouse's point), so the
  // point tells which of the two was clicked; a request from the keyboard (-1) is the grid's.
  RECT headerRect{};
  const bool overHeader = point != -1 && header && IsWindowVisible(header) && GetWindowRect(header, &headerRect) &&
                          PtInRect(&headerRect, at);
  if (source == header || (source == listView && overHeader)) {
    HDHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(header, &hit.pt);
    const int column = static_cast<int>(SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (column < 0 || (hit.flags & (HHT_NOWHERE | HHT_TOLEFT | HHT_TORIGHT | HHT_ABOVE | HHT_BELOW)) != 0) return;
    cursor.row = -1;
    cursor.column = column;
    if (listView) InvalidateRect(listView, nullptr, FALSE);
    UpdateStatusBar();
  }
  ShowContextMenu();
}

void TCsvViewer::ShowStatusMenu(int part) {
  if (!loaded || !document || !statusBar) return;
  EndCellEdit(true);
  if (life.destroyed || cellEditor.Box()) return;
  const HMENU menu = menus.Status(part);
  if (!menu) return;
  switch (part) {
    case 0:
      for (const TEncodingChoice& encoding : kEncodingChoices)
        CheckCommand(menu, encoding.command, document->Encoding().Name == encoding.name);
      break;
    case 1:
      CheckCommand(menu, cmDelimiterAuto, choices.autoDelimiter);
      for (const TDelimiterChoice& choice : kDelimiterChoices)
        CheckCommand(menu, choice.command, !choices.autoDelimiter && document->Delimiter() == choice.delimiter);
      break;
    case 2:
      CheckCommand(menu, cmCommentsAuto, choices.autoComments);
      CheckCommand(menu, cmCommentsParse, !choices.autoComments && choices.commentMode == 0);
      CheckCommand(menu, cmCommentsNoParse, !choices.autoComments && choices.commentMode == 1);
      CheckCommand(menu, cmCommentsHide, !choices.autoComments && choices.commentMode == 2);
      break;
    default: return;
  }

  RECT rect{};
  if (!SendMessageW(statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect))) return;
  MapWindowPoints(statusBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  // Above the part: its bottom-left corner at the part's top-left.
  int chosen = 0;
  {
    const TFocusKeeper focus(window);
    chosen = static_cast<int>(
        TrackPopupMenu(menu, kPopupFlags | TPM_LEFTALIGN | TPM_BOTTOMALIGN, rect.left, rect.top, 0, window, nullptr));
  }
  if (life.destroyed || chosen == 0) return;
  ApplyStatusChoice(chosen);
}

}  // namespace qelvar
