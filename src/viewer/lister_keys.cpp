// The host's own keys: a Lister plug-in hands back what the Lister window itself acts on (Esc closes it,
// N and P switch files, the digits switch the view mode, F3 and Ctrl+F search), so that they work while
// the grid has the focus.
#include <cwchar>

#include "settings/settings.h"
#include "viewer/viewer.h"
#include "win/keys.h"

namespace qelvar {
namespace {

// Any edit box: the filter boxes, the cell editor and the transform panel's input. Keys typed there are
// text, whatever the host would make of them.
bool IsEditBox(HWND control) noexcept {
  wchar_t name[16] = {};
  return control && GetClassNameW(control, name, 16) > 0 && _wcsicmp(name, L"Edit") == 0;
}

// Whether `key`, with the modifiers held now, is one of the host's keys; reads the settings it depends on.
bool IsHostKey(WPARAM key) {
  const bool ctrl = KeyHeld(VK_CONTROL);
  switch (key) {
    case VK_ESCAPE:
    case VK_F3: return true;
    case 'F': return ctrl;
    case 'N':
    case 'P': return ReadInteger(u"disable-np-keys") == 0;
    case 'Q': return ReadInteger(u"exit-by-q") != 0;
    default: break;
  }
  if (key >= '1' && key <= '8') return !ctrl && ReadInteger(u"disable-num-keys") == 0;
  return false;
}

// The host keys after which Lister closes this viewer: Esc and Q close it, N and P load another file.
bool ClosesViewer(WPARAM key) noexcept { return key == VK_ESCAPE || key == 'Q' || key == 'N' || key == 'P'; }

}  // namespace

bool TCsvViewer::ForwardKeyToLister(WPARAM key) {
  if (!window || GetTickCount64() < host.keysEnabledAt) return false;
  const HWND focus = GetFocus();
  if (!focus || (focus != window && !IsChild(window, focus))) return false;
  if (key != VK_ESCAPE && IsEditBox(focus)) return false;
  // In edit mode letters and digits typed on the current cell are its text (the list view's WM_CHAR).
  if (key != VK_ESCAPE && key != VK_F3 && !KeyHeld(VK_CONTROL) && TypingIntoCell()) return false;
  if (!IsHostKey(key)) return false;
  // Lister closes the viewer after these keys whatever it is asked then: the save question comes now,
  // while a Cancel can still keep the key from the host. Yes saves, No lets the edits go (the close that
  // follows asks no more); Cancel, or a save that failed, keeps the viewer open, the key consumed.
  if (ClosesViewer(key) && Modified()) {
    if (!ConfirmSaveBefore(utClosing, true)) return true;
    if (life.destroyed) return true;
  }
  const HWND lister = GetParent(window);
  if (!lister) return false;
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
  const auto keyData = static_cast<LPARAM>((static_cast<unsigned long>(scan) << 16) | 1UL);
  return PostMessageW(lister, WM_KEYDOWN, key, keyData) != FALSE;
}

}  // namespace qelvar
