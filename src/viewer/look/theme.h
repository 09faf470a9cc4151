// The grid's colours from the settings, with the brushes painted with them, and the dark or light window
// theme of the controls through uxtheme (loaded at run time: it may be missing altogether).
#pragma once

#include <windows.h>

#include "win/handles.h"

namespace qelvar {

// Text and background of each part of the grid.
struct TPalette {
  COLORREF text = 0, back = 0, back2 = 0, filterText = 0, filterBack = 0, headerText = 0, headerBack = 0,
           currentCellBack = 0, selectionText = 0, selectionBack = 0, lineNumberText = 0, lineNumberBack = 0;
};

class TTheme {
 public:
  // Reads the dark or light colour set from the settings and makes the brushes. When a colour cannot be
  // read, the previous colours and brushes stay, all of them, and the answer is false.
  bool Load(bool dark) noexcept;
  const TPalette& Colors() const noexcept { return palette_; }
  // Null until a load succeeded.
  HBRUSH BackBrush() const noexcept { return backBrush_.Get(); }
  HBRUSH FilterBackBrush() const noexcept { return filterBackBrush_.Get(); }

  // Which window theme the controls carry: re-theming repaints the whole grid, so it runs only when the
  // theme changed, and new controls (filter boxes) mark the set stale for their own theme.
  bool CarriedAs(bool dark) const noexcept { return carried_ == (dark ? 1 : 0); }
  void MarkCarried(bool dark) noexcept;
  bool Stale() const noexcept { return stale_; }
  void MarkStale() noexcept { stale_ = true; }

 private:
  TPalette palette_;
  TBrush backBrush_;
  TBrush filterBackBrush_;
  int carried_ = -1;  // -1 none yet, 0 light, 1 dark
  bool stale_ = true;
};

// uxtheme while it is loaded: the dark or light theme of controls, and the header's visual style turned off.
class TWindowThemer {
 public:
  TWindowThemer() noexcept;
  // Dark or light window theme of one control; a missing control, library or entry point is skipped.
  void SetDark(HWND control, bool dark) const noexcept;
  // A blank class list turns the visual style off, so that the control's own drawing is not painted over.
  void RemoveVisualStyle(HWND control) const noexcept;

 private:
  TLibrary uxtheme_;
};

}  // namespace qelvar
