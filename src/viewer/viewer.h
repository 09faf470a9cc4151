// The viewer: one window per file that the host shows, with its grid, filter row and status bar.
//
// The exported Lister functions reach the viewer only through the entry points below. The viewer object
// is found from its window (GWLP_USERDATA); there is no list of viewers. None of these functions throws.
#pragma once

#include <windows.h>

#include <string>

namespace qelvar {

class TCsvViewer;

// Creates the viewer window as a child of `parent` (the host's Lister window) filling its client area, and
// schedules the loading of `fileName`; returns at once. `showFlags` are the host's flags (0x10 own Lister
// window, 0x80 dark mode, 0x100 native dark mode). Returns nullptr when the window cannot be created; a file
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

// The host's ListSendCommand: only command 2 (new display parameters: bits 0x80 and 0x100 of `parameter`)
// is acted on; everything else, and a window without a viewer, is ignored.
void SendViewerCommand(HWND window, int command, int parameter) noexcept;

}  // namespace qelvar
