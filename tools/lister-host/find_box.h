// The host's small find box: a text, "Match case", "Whole words", and Find first / Next / Previous.
// Each button becomes one ListSearchTextW call with the matching flags.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "win/handles.h"

namespace qelvar::host {

class TFindBox {
 public:
  // `search` receives the text and the search flags and returns the plug-in's result (1 found, 0 not).
  using SearchFn = std::function<int(const std::wstring& text, int flags)>;

  TFindBox(HWND owner, SearchFn search);
  ~TFindBox();
  TFindBox(const TFindBox&) = delete;
  TFindBox& operator=(const TFindBox&) = delete;

  // Shows the box with the focus in its text.
  void Show();
  bool Visible() const;
  HWND Handle() const { return window_; }
  // Repeats the last search forwards or backwards (F3 / Shift+F3 while the box is open); opens the box
  // when there is no text yet.
  void Repeat(bool backwards);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Find(int extraFlags);
  void Layout();

  HWND owner_ = nullptr;
  HWND window_ = nullptr;
  // The box's controls: the text, the two options and the line that reports "Not found."
  HWND edit_ = nullptr, matchCase_ = nullptr, wholeWords_ = nullptr, result_ = nullptr;
  // The dialog font, deleted when the box goes (after its window, which only borrows it).
  TFont font_;
  SearchFn search_;
};

}  // namespace qelvar::host
