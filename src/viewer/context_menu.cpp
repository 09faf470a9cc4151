// The grid's context menu with its Theme submenu, and the status bar's popups for the encoding, the
// delimiter and the comment handling. The menus are built once per viewer; their check marks and greyed
// items are set right before they open, and the chosen item runs through the one dispatcher.
#include <windowsx.h>

#include <array>
#include <utility>

#include "document/csv_document.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

struct TMenuItem {
  int id;  // 0: a separator
  TUiText text;
};

constexpr TMenuItem kSeparator{0, TUiText{}};

// The context menu in its order; the Theme submenu follows the last item.
constexpr std::array<TMenuItem, 18> kContextItems{{
    {cmCopyCell, utCopyCell},
    {cmCopyRows, utCopyRows},
    {cmCopyColumn, utCopyColumn},
    {cmInsertRowBelow, utInsertRowBelow},
    {cmDeleteRows, utDeleteRows},
    {cmDeleteColumn, utDeleteColumn},
    kSeparator,
    {cmHideColumn, utHideColumn},
    {cmAutoSizeColumns, utAdjustAllColumnsWidth},
    {cmShowAllColumns, utShowAllColumns},
    kSeparator,
    {cmToggleFilterRow, utFilters},
    {cmToggleHeaderRow, utHeaderRow},
    {cmToggleEditMode, utEditMode},
    {cmToggleTransformMode, utTransformMode},
    {cmSave, utSave},
    kSeparator,
    {cmToggleLineNumbers, utShowLineNumbers},
}};

constexpr std::array<TMenuItem, 3> kThemeItems{{
    {cmThemeTc, utThemeTc},
    {cmThemeLight, utThemeLight},
    {cmThemeDark, utThemeDark},
}};

// Encoding names and delimiter characters are the same in every language.
constexpr std::array<std::pair<int, const wchar_t*>, 4> kEncodingItems{{
    {cmEncodingAnsi, L"ANSI"},
    {cmEncodingUtf8, L"UTF-8"},
    {cmEncodingUtf16Le, L"UTF-16LE"},
    {cmEncodingUtf16Be, L"UTF-16BE"},
}};

constexpr std::array<std::pair<int, char16_t>, 5> kDelimiterItems{{
    {cmDelimiterComma, u','},
    {cmDelimiterSemicolon, u';'},
    {cmDelimiterBar, u'|'},
    {cmDelimiterTab, u'\t'},
    {cmDelimiterColon, u':'},
}};

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
    for (const TMenuItem& item : kContextItems) {
      if (item.id == 0) AppendMenuW(contextMenu.Get(), MF_SEPARATOR, 0, nullptr);
      else AppendText(contextMenu.Get(), item.id, UiText(item.text));
    }
    TMenu theme(CreatePopupMenu());
    if (theme) {
      for (const TMenuItem& item : kThemeItems) AppendText(theme.Get(), item.id, UiText(item.text));
      // From here the context menu owns the submenu and destroys it with itself.
      if (AppendMenuW(contextMenu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(theme.Get()), Wide(UiText(utTheme))))
        themeMenu = theme.Release();
    }
  }

  encodingMenu.Reset(CreatePopupMenu());
  if (encodingMenu)
    for (const auto& [id, name] : kEncodingItems) AppendMenuW(encodingMenu.Get(), MF_STRING, static_cast<UINT_PTR>(id), name);

  delimiterMenu.Reset(CreatePopupMenu());
  if (delimiterMenu) {
    AppendText(delimiterMenu.Get(), cmDelimiterAuto, UiText(utAuto));
    for (const auto& [id, character] : kDelimiterItems)
      AppendText(delimiterMenu.Get(), id, character == u'\t' ? std::u16string(u"TAB") : std::u16string(1, character));
  }

  commentsMenu.Reset(CreatePopupMenu());
  if (commentsMenu) {
    AppendText(commentsMenu.Get(), cmCommentsAuto, UiText(utAuto));
    AppendText(commentsMenu.Get(), cmCommentsParse, UiText(utParseNormally));
    AppendText(commentsMenu.Get(), cmCommentsNoParse, UiText(utDoNotParse));
    AppendText(commentsMenu.Get(), cmCommentsHide, UiText(utHide));
  }
}

bool TCsvViewer::IsCommandEnabled(int id) const noexcept {
  const bool editable = editMode && !transformedView;
  switch (id) {
    case cmInsertRowBelow: return editable && currentRow >= 0 && currentRow < VisibleRowCount();
    case cmDeleteRows: return editable;
    case cmDeleteColumn: {
      const int column = currentColumn - LineNumberOffset();
      return editable && document && currentColumn >= 0 && column >= 0 && column < document->ColumnCount();
    }
    default: return true;
  }
}

void TCsvViewer::ShowContextMenu() {
  if (!contextMenu || !loaded) return;
  const HMENU menu = contextMenu.Get();
  Check(menu, cmToggleFilterRow, filterRowVisible);
  Check(menu, cmToggleHeaderRow, ReadInteger(u"header-row") != 0);
  Check(menu, cmToggleEditMode, editMode);
  Check(menu, cmToggleTransformMode, transformPanelVisible);
  Check(menu, cmToggleLineNumbers, showLineNumbers);
  const TThemeMode theme = ResolveThemeMode();
  Check(menu, cmThemeTc, theme == TThemeMode::Tc);
  Check(menu, cmThemeLight, theme == TThemeMode::Light);
  Check(menu, cmThemeDark, theme == TThemeMode::Dark);
  for (const TMenuItem& item : kContextItems)
    if (item.id != 0)
      EnableMenuItem(menu, static_cast<UINT>(item.id), MF_BYCOMMAND | (IsCommandEnabled(item.id) ? MF_ENABLED : MF_GRAYED));

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
      for (const auto& [id, name] : kEncodingItems) Check(menu, id, document->Encoding().Name == FromWide(name));
      break;
    case 1:
      menu = delimiterMenu.Get();
      Check(menu, cmDelimiterAuto, autoDelimiter);
      for (const auto& [id, character] : kDelimiterItems)
        Check(menu, id, !autoDelimiter && document->Delimiter() == character);
      break;
    case 2:
      menu = commentsMenu.Get();
      Check(menu, cmCommentsAuto, autoComments);
      Check(menu, cmCommentsParse, !autoComments && commentMode == 0);
      Check(menu, cmCommentsNoParse, !autoComments && commentMode == 1);
      Check(menu, cmCommentsHide, !autoComments && commentMode == 2);
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
