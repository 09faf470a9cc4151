// The grid's context menu with its Theme submenu, and the status bar's popups for the encoding, the
// delimiter and the comment handling: built once per viewer, texts from the command table in the
// language at that moment. Check marks and greyed items are set by the viewer right before a menu opens.
#pragma once

#include <windows.h>

#include <array>

#include "viewer/commands.h"
#include "win/handles.h"

namespace qelvar {

// The context menu in its order (0: a separator); the Theme submenu follows the last item.
inline constexpr std::array<int, 29> kContextItems{
    cmCopyCell, cmCopyRows, cmCopyRowsWithHeader, cmCopyColumn, 0,
    cmFilterByValue, cmExcludeValue, 0,
    cmInsertRowAbove, cmInsertRowBelow, cmAppendRow,
    cmDeleteRows, cmDeleteColumn, 0,
    cmHideColumn, cmAutoSizeColumns, cmShowAllColumns, cmColumnProfile, 0,
    cmToggleFilterRow, cmToggleHeaderRow, cmToggleEditMode, cmToggleTransformMode, cmSave, 0,
    cmToggleLineNumbers, 0,
    cmReload, cmToggleFollow,
};

class TViewerMenus {
 public:
  // Creates the four menus; a menu that cannot be created stays null (its request then shows nothing).
  void Build();
  HMENU Context() const noexcept { return context_.Get(); }
  // The popup of status part 0 (encoding), 1 (delimiter) or 2 (comments); null for other parts.
  HMENU Status(int part) const noexcept;

 private:
  TMenu context_;  // owns the Theme submenu
  TMenu encoding_;
  TMenu delimiter_;
  TMenu comments_;
};

// Sets or clears the check mark of command `id` in `menu`.
inline void CheckCommand(HMENU menu, int id, bool checked) noexcept {
  CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace qelvar
