// The grid's context menu with its Theme submenu, and the status bar's popups for the encoding, the
// delimiter and the comment handling. The menus are built once per viewer; their check marks and greyed
// items are set right before they open, and the chosen item runs through the one dispatcher.
#include <windowsx.h>

#include <array>

#include "document/csv_document.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

// The context menu in its order (0: a separator); the Theme submenu follows the last item.
constexpr std::array<int, 18> kContextItems{
    cmCopyCell, cmCopyRows, cmCopyColumn, cmInsertRowBelow, cmDeleteRows, cmDeleteColumn, 0,
    cmHideColumn, cmAutoSizeColumns, cmShowAllColumns, 0,
    cmToggleFilterRow, cmToggleHeaderRow, cmToggleEditMode, cmToggleTransformMode, cmSave, 0,
    cmToggleLineNumbers,
};

constexpr std::array<int, 3> kThemeItems{cmThemeTc, cmThemeLight, cmThemeDark};
constexpr std::array<int, 4> kCommentItems{cmCommentsAuto, cmCommentsParse, cmCommentsNoParse, cmCommentsHide};

// The command's text from the table, in the language now.
std::u16string CommandText(int id) {
  const TCommandInfo* command = FindCommand(id);
  return command ? UiText(command->text) : std::u16string();
}

void AppendText(HMENU menu, int id, const std::u16string& text) {
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), Wide(text));
}

void Check(HMENU menu, int id, bool checked) noexcept {
  CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

constexpr UINT kPopupFlags = TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON;

}  // namespace

void TCsvViewer::BuildMenus() {
  contextMenu.Reset(CreatePopupMenu());
  if (contextMenu) {
    for (const int id : kContextItems) {
      if (id == 0) AppendMenuW(contextMenu.Get(), MF_SEPARATOR, 0, nullptr);
      else AppendText(contextMenu.Get(), id, CommandText(id));
    }
    TMenu theme(CreatePopupMenu());
    if (theme) {
      for (const int id : kThemeItems) AppendText(theme.Get(), id, CommandText(id));
      // From here the context menu owns the submenu and destroys it with itself.
      if (AppendMenuW(contextMenu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(theme.Get()), Wide(UiText(utTheme))))
        themeMenu = theme.Release();
    }
  }

  encodingMenu.Reset(CreatePopupMenu());
  if (encodingMenu)
    for (const TEncodingChoice& encoding : kEncodingChoices) AppendText(encodingMenu.Get(), encoding.command, encoding.name);

  delimiterMenu.Reset(CreatePopupMenu());
  if (delimiterMenu) {
    AppendText(delimiterMenu.Get(), cmDelimiterAuto, CommandText(cmDelimiterAuto));
    for (const TDelimiterChoice& choice : kDelimiterChoices)
      AppendText(delimiterMenu.Get(), choice.command, DelimiterLabel(choice.delimiter));
  }

  commentsMenu.Reset(CreatePopupMenu());
  if (commentsMenu)
    for (const int id : kCommentItems) AppendText(commentsMenu.Get(), id, CommandText(id));
}

TCommandState TCsvViewer::CommandState() const noexcept {
  TCommandState state;
  state.editMode = editMode;
  state.transformedView = transformedView;
  state.hasDocument = document != nullptr;
  state.currentRow = currentRow;
  state.currentColumn = currentColumn;
  state.rowCount = VisibleRowCount();
  state.lineNumberOffset = LineNumberOffset();
  state.documentColumns = document ? document->ColumnCount() : 0;
  return state;
}

bool TCsvViewer::IsCommandEnabled(int id) const noexcept { return CommandEnabled(id, CommandState()); }

void TCsvViewer::ShowContextMenu() {
  if (!contextMenu || !loaded) return;
  const HMENU menu = contextMenu.Get();
  Check(menu, cmToggleFilterRow, filterRowVisible);
  Check(menu, cmToggleHeaderRow, HeaderRowShown());
  Check(menu, cmToggleEditMode, editMode);
  Check(menu, cmToggleTransformMode, transformPanelVisible);
  Check(menu, cmToggleLineNumbers, showLineNumbers);
  const TThemeMode theme = ResolveThemeMode();
  Check(menu, cmThemeTc, theme == TThemeMode::Tc);
  Check(menu, cmThemeLight, theme == TThemeMode::Light);
  Check(menu, cmThemeDark, theme == TThemeMode::Dark);
  const TCommandState state = CommandState();
  for (const int id : kContextItems)
    if (id != 0)
      EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (CommandEnabled(id, state) ? MF_ENABLED : MF_GRAYED));

  // At the mouse cursor, also when the keyboard asked for the menu.
  POINT at{};
  GetCursorPos(&at);
  const int chosen = static_cast<int>(TrackPopupMenu(menu, kPopupFlags | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, window, nullptr));
  // The menu's loop may have let the host close the viewer.
  if (destroyed || chosen == 0) return;
  // A greyed item cannot be chosen; the check keeps it so should the menu be answered otherwise.
  if (IsCommandEnabled(chosen)) ExecuteCommand(chosen);
}

void TCsvViewer::RequestContextMenu(HWND source, LPARAM point) {
  if (!source || (source != listView && source != header && source != window)) return;
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
    currentRow = -1;
    currentColumn = column;
    if (listView) InvalidateRect(listView, nullptr, FALSE);
    UpdateStatusBar();
  }
  ShowContextMenu();
}

void TCsvViewer::ShowStatusMenu(int part) {
  if (!loaded || !document || !statusBar) return;
  HMENU menu = nullptr;
  switch (part) {
    case 0:
      menu = encodingMenu.Get();
      for (const TEncodingChoice& encoding : kEncodingChoices)
        Check(menu, encoding.command, document->Encoding().Name == encoding.name);
      break;
    case 1:
      menu = delimiterMenu.Get();
      Check(menu, cmDelimiterAuto, choices.autoDelimiter);
      for (const TDelimiterChoice& choice : kDelimiterChoices)
        Check(menu, choice.command, !choices.autoDelimiter && document->Delimiter() == choice.delimiter);
      break;
    case 2:
      menu = commentsMenu.Get();
      Check(menu, cmCommentsAuto, choices.autoComments);
      Check(menu, cmCommentsParse, !choices.autoComments && choices.commentMode == 0);
      Check(menu, cmCommentsNoParse, !choices.autoComments && choices.commentMode == 1);
      Check(menu, cmCommentsHide, !choices.autoComments && choices.commentMode == 2);
      break;
    default: return;
  }
  if (!menu) return;

  RECT rect{};
  if (!SendMessageW(statusBar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&rect))) return;
  MapWindowPoints(statusBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  // Above the part: its bottom-left corner at the part's top-left.
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu, kPopupFlags | TPM_LEFTALIGN | TPM_BOTTOMALIGN, rect.left, rect.top, 0, window, nullptr));
  if (destroyed || chosen == 0) return;
  ApplyStatusChoice(chosen);
}

}  // namespace qelvar
