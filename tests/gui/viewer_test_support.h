// Helpers shared by the viewer's GUI tests: search through the export, beeps of the plug-in, cell
// rectangles and the ink of drawn text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "harness.h"
#include "plugin_imports.h"

namespace qelvar::gui {

// Settings reset before and after each test, so that no test sees another's ini file.
class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSettings(); }
  void TearDown() override { ResetSettings(); }
};

// A command as the context menu or a key sends it to the viewer window, with everything it causes pumped.
inline LRESULT SendCommand(HWND viewer, int id) {
  const LRESULT result = SendMessageW(viewer, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  PumpPending();
  return result;
}

inline int Search(HWND viewer, std::wstring text, int flags) {
  return Plugin().listSearchTextW(viewer, text.data(), flags);
}

inline std::wstring StatusPart(HWND statusBar, std::size_t part) {
  const std::vector<std::wstring> texts = StatusTexts(statusBar);
  return part < texts.size() ? texts[part] : std::wstring(L"<missing>");
}

// A column of texts read through the owner-data path.
inline std::vector<std::wstring> ColumnTexts(HWND listView, int column) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < ItemCount(listView); ++i) texts.push_back(CellText(listView, i, column));
  return texts;
}

// Bounds of a cell in the list view's client area; column 0 ends at its own width (the list view reports
// the whole row for it).
inline RECT CellRect(HWND listView, int item, int column) {
  RECT rect{};
  rect.top = column;
  rect.left = LVIR_BOUNDS;
  SendMessageW(listView, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect));
  if (column == 0) rect.right = rect.left + ColumnWidth(listView, 0);
  return rect;
}

// A left click in the middle of a cell, as the user makes a cell current.
inline void ClickCell(HWND listView, int item, int column) {
  const RECT cell = CellRect(listView, item, column);
  ClickAt(listView, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

// A point of a cell's background: right of any left-aligned text and clear of the grid lines.
inline COLORREF CellBackground(const TCapture& capture, const RECT& cell) {
  return capture.At(cell.right - 6, (cell.top + cell.bottom) / 2);
}

// The leftmost and rightmost columns of a cell where text is drawn (pixels much darker than the cell's
// background); {-1, -1} when there is none. Grid lines at the cell's right and bottom edges are skipped.
struct TInk {
  int left = -1;
  int right = -1;
};
inline TInk InkOf(const TCapture& capture, const RECT& cell) {
  const auto luminance = [](COLORREF c) { return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10; };
  const int background = luminance(CellBackground(capture, cell));
  TInk ink;
  for (int x = cell.left + 1; x < cell.right - 2; ++x) {
    for (int y = cell.top + 1; y < cell.bottom - 2; ++y) {
      if (background - luminance(capture.At(x, y)) > 100) {
        if (ink.left < 0) ink.left = x;
        ink.right = x;
        break;
      }
    }
  }
  return ink;
}

// Counts the plug-in's calls of MessageBeep while alive, by pointing its import of the function at a
// counter (and back again afterwards). Installed() is false when the import could not be found.
class TBeepCounter {
 public:
  TBeepCounter() { Count() = 0; }
  bool Installed() const { return patch_.Installed(); }
  int Beeps() const { return Count(); }

 private:
  static int& Count() {
    static int count = 0;
    return count;
  }
  static BOOL WINAPI CountingBeep(UINT) {
    ++Count();
    return TRUE;
  }

  TImportPatch patch_{"user32.dll", "MessageBeep", &CountingBeep};
};

// Whether a timer of the window runs now: killing it tells, and it is started again at once (which restarts
// its period: probe now and then, not after every message).
inline bool TimerRuns(HWND window, UINT_PTR id, UINT period) {
  if (!KillTimer(window, id)) return false;
  SetTimer(window, id, period, nullptr);
  return true;
}

}  // namespace qelvar::gui
