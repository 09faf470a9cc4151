// Answering the common file dialogs as a person would: the test names the file, the script types it into
// the dialog's name box and presses OK. Message boxes met on the way (the dialog's own overwrite question,
// the plug-in's errors and questions) are recorded and answered too, so that no test ever waits.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace qelvar::gui {

class TDialogScript {
 public:
  using TBox = TDialogAnswerer::TDialog;
  // Chooses the button for a message box (IDOK, IDYES, IDNO ...).
  using TChoose = std::function<int(const TBox&)>;

  // Each file dialog takes the next of `files` (Cancel when none is left); message boxes are answered by
  // `choose` (by default Yes where there is one, else OK). One script at a time, and not together with a
  // TMessageBoxAnswerer (both would answer the same boxes): a second one throws std::logic_error.
  explicit TDialogScript(std::vector<std::wstring> files, TChoose choose = nullptr);
  ~TDialogScript();
  TDialogScript(const TDialogScript&) = delete;
  TDialogScript& operator=(const TDialogScript&) = delete;

  // The message boxes answered so far, and how many file dialogs were.
  const std::vector<TBox>& Boxes() const { return boxes_; }
  int FileDialogs() const { return fileDialogs_; }
  // Names not taken by a file dialog yet.
  std::size_t FilesLeft() const { return files_.size(); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept;
  static BOOL CALLBACK Visit(HWND window, LPARAM) noexcept;
  void Answer(HWND dialog);

  std::deque<std::wstring> files_;
  TChoose choose_;
  std::vector<TBox> boxes_;
  std::vector<HWND> answered_;
  int fileDialogs_ = 0;
  UINT_PTR timer_ = 0;
};

}  // namespace qelvar::gui
