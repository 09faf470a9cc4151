// Popup menus of the plug-in, read and answered by the test: while a TMenuAnswerer lives, each menu that
// opens on this thread (TrackPopupMenu runs its own loop) is read from its window (class "#32768",
// MN_GETHMENU) with its items, check marks, greyed states and position, and is then either closed or has
// an item chosen through the keyboard, as a user would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qelvar::gui {

struct TMenuItemSeen {
  UINT id = 0;  // 0 for a separator and for a submenu's item
  std::wstring text;
  bool separator = false;
  bool checked = false;
  bool greyed = false;
  std::vector<TMenuItemSeen> submenu;
};

struct TMenuSeen {
  std::vector<TMenuItemSeen> items;
  RECT window{};  // the popup's rectangle on the screen
};

// The item with `id`, also inside submenus; null when there is none.
const TMenuItemSeen* FindItem(const std::vector<TMenuItemSeen>& items, UINT id);

class TMenuAnswerer {
 public:
  // For every menu that opens: the id of the item to choose, or 0 to close the menu without a choice.
  using TChoose = std::function<UINT(const TMenuSeen&)>;
  explicit TMenuAnswerer(TChoose choose);
  // Chooses `id` in every menu (0: closes every menu).
  explicit TMenuAnswerer(UINT id = 0) : TMenuAnswerer([id](const TMenuSeen&) { return id; }) {}
  ~TMenuAnswerer();
  TMenuAnswerer(const TMenuAnswerer&) = delete;
  TMenuAnswerer& operator=(const TMenuAnswerer&) = delete;

  const std::vector<TMenuSeen>& Menus() const { return menus_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept;
  void Look() noexcept;

  TChoose choose_;
  std::vector<TMenuSeen> menus_;
  HWND answered_ = nullptr;  // the open menu already answered
  int ticksSinceAnswer_ = 0;
  UINT_PTR timer_ = 0;
};

}  // namespace qelvar::gui
