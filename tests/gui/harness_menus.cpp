// Reading and answering popup menus (harness_menus.h).
#include "harness_menus.h"

#include <stdexcept>

namespace qelvar::gui {
namespace {

// Undocumented but kept by Windows and Wine alike: the menu a popup window shows.
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU

TMenuAnswerer*& Active() {
  static TMenuAnswerer* active = nullptr;
  return active;
}

std::vector<TMenuItemSeen> ReadItems(HMENU menu) {
  std::vector<TMenuItemSeen> items;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 255;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    TMenuItemSeen item;
    item.separator = (info.fType & MFT_SEPARATOR) != 0;
    item.id = item.separator || info.hSubMenu ? 0 : info.wID;
    item.text = text;
    item.checked = (info.fState & MFS_CHECKED) != 0;
    item.greyed = (info.fState & (MFS_GRAYED | MFS_DISABLED)) != 0;
    if (info.hSubMenu) item.submenu = ReadItems(info.hSubMenu);
    items.push_back(std::move(item));
  }
  return items;
}

struct TOpenMenus {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectMenuWindow(HWND window, LPARAM found) noexcept {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring_view(name) == L"#32768" && IsWindowVisible(window))
    reinterpret_cast<TOpenMenus*>(found)->windows.push_back(window);
  return TRUE;
}

void PostKey(HWND window, UINT key) {
  const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, key, static_cast<LPARAM>(1U | (scan << 16)));
  PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001U | (scan << 16)));
}

// The keys that choose `id`: Down onto it (separators are skipped, the first Down selects the first
// item), Right into a submenu and Down within it, then Enter. False when the menu has no such item.
bool KeysFor(const std::vector<TMenuItemSeen>& items, UINT id, std::vector<UINT>& keys) {
  int steps = 0;
  for (const TMenuItemSeen& item : items) {
    if (item.separator) continue;
    ++steps;
    if (item.id == id && !item.submenu.size()) {
      keys.insert(keys.end(), static_cast<std::size_t>(steps), VK_DOWN);
      keys.push_back(VK_RETURN);
      return true;
    }
    std::vector<UINT> inner;
    if (!item.submenu.empty() && KeysFor(item.submenu, id, inner)) {
      keys.insert(keys.end(), static_cast<std::size_t>(steps), VK_DOWN);
      keys.push_back(VK_RIGHT);
      // Opening the submenu selects its first item already.
      inner.erase(inner.begin());
      keys.insert(keys.end(), inner.begin(), inner.end());
      return true;
    }
  }
  return false;
}

}  // namespace

const TMenuItemSeen* FindItem(const std::vector<TMenuItemSeen>& items, UINT id) {
  for (const TMenuItemSeen& item : items) {
    if (item.id == id && !item.separator && item.submenu.empty()) return &item;
    if (const TMenuItemSeen* inner = FindItem(item.submenu, id)) return inner;
  }
  return nullptr;
}

TMenuAnswerer::TMenuAnswerer(TChoose choose) : choose_(std::move(choose)) {
  if (Active() != nullptr) throw std::logic_error("one menu answerer at a time");
  Active() = this;
  timer_ = SetTimer(nullptr, 0, 20, &OnTimer);
}

TMenuAnswerer::~TMenuAnswerer() {
  if (timer_ != 0) KillTimer(nullptr, timer_);
  Active() = nullptr;
}

void CALLBACK TMenuAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (Active() != nullptr) Active()->Look();
}

void TMenuAnswerer::Look() noexcept {
  try {
    TOpenMenus open;
    EnumThreadWindows(GetCurrentThreadId(), &CollectMenuWindow, reinterpret_cast<LPARAM>(&open));
    if (open.windows.empty()) {
      answered_ = nullptr;
      return;
    }
    if (answered_ != nullptr) {
      // A choice that did not close the menu (a greyed item cannot be chosen) must not leave the test
      // waiting: the menu is closed after a second.
      if (++ticksSinceAnswer_ == 50) EndMenu();
      return;
    }
    const HWND popup = open.windows.front();
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, kGetMenuHandle, 0, 0));
    TMenuSeen seen;
    if (menu) seen.items = ReadItems(menu);
    GetWindowRect(popup, &seen.window);
    menus_.push_back(seen);
    answered_ = popup;
    ticksSinceAnswer_ = 0;
    const UINT id = choose_ ? choose_(seen) : 0;
    std::vector<UINT> keys;
    if (id == 0 || !KeysFor(seen.items, id, keys)) {
      EndMenu();
      return;
    }
    for (const UINT key : keys) PostKey(popup, key);
  } catch (...) {
    EndMenu();
  }
}

}  // namespace qelvar::gui
