// The file-dialog script (declared in harness_dialogs.h).
#include "harness_dialogs.h"

#include <algorithm>
#include <stdexcept>

namespace qelvar::gui {
namespace {

// The name box of the common file dialogs: a combo box (cmb13) or, in older templates, an edit (edt1).
constexpr int kNameCombo = 0x047C;
constexpr int kNameEdit = 0x0480;

TDialogScript*& Active() {
  static TDialogScript* active = nullptr;
  return active;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      std::max(GetWindowTextW(window, text.data(), static_cast<int>(text.size())), 0)));
  return text;
}

BOOL CALLBACK LongestStatic(HWND child, LPARAM lParam) {
  wchar_t name[16] = {};
  GetClassNameW(child, name, 16);
  if (_wcsicmp(name, L"Static") != 0 || (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
    return TRUE;
  auto* longest = reinterpret_cast<std::wstring*>(lParam);
  std::wstring text = TextOf(child);
  if (text.size() > longest->size()) *longest = std::move(text);
  return TRUE;
}

HWND NameBox(HWND dialog) {
  if (const HWND combo = GetDlgItem(dialog, kNameCombo)) return combo;
  return GetDlgItem(dialog, kNameEdit);
}

void Press(HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

}  // namespace

TDialogScript::TDialogScript(std::vector<std::wstring> files, TChoose choose)
    : files_(files.begin(), files.end()), choose_(std::move(choose)) {
  if (Active() != nullptr) throw std::logic_error("one dialog script at a time");
  Active() = this;
  timer_ = SetTimer(nullptr, 0, 50, &OnTimer);
}

TDialogScript::~TDialogScript() {
  if (timer_ != 0) KillTimer(nullptr, timer_);
  Active() = nullptr;
}

void CALLBACK TDialogScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
  EnumThreadWindows(GetCurrentThreadId(), &Visit, 0);
}

BOOL CALLBACK TDialogScript::Visit(HWND window, LPARAM) noexcept {
  if (Active() != nullptr && TDialogAnswerer::IsDialog(window) && IsWindowVisible(window)) {
    try {
      Active()->Answer(window);
    } catch (...) {
    }
  }
  return TRUE;
}

void TDialogScript::Answer(HWND dialog) {
  // A handle of a dialog that has gone may come back for a new one.
  answered_.erase(std::remove_if(answered_.begin(), answered_.end(), [](HWND w) { return !IsWindow(w); }),
                  answered_.end());
  const bool seen = std::find(answered_.begin(), answered_.end(), dialog) != answered_.end();
  if (const HWND nameBox = NameBox(dialog)) {
    // A file dialog still open and usable after its answer refused the name (and said so in a box that
    // has been answered): it gets the next name, or Cancel, so that the test never waits on it.
    if (seen && !IsWindowEnabled(dialog)) return;
    if (!seen) {
      answered_.push_back(dialog);
      ++fileDialogs_;
    }
    if (files_.empty()) {
      Press(dialog, IDCANCEL);
      return;
    }
    const std::wstring file = files_.front();
    files_.pop_front();
    SetWindowTextW(nameBox, file.c_str());
    Press(dialog, IDOK);
    return;
  }
  if (seen) return;
  // A message box: its longest static text is the message.
  TBox box;
  box.caption = TextOf(dialog);
  EnumChildWindows(dialog, &LongestStatic, reinterpret_cast<LPARAM>(&box.text));
  answered_.push_back(dialog);
  boxes_.push_back(box);
  int button = choose_ ? choose_(box) : (GetDlgItem(dialog, IDYES) ? IDYES : IDOK);
  if (GetDlgItem(dialog, button) == nullptr) {
    for (const int fallback : {IDOK, IDCANCEL, IDNO, IDYES}) {
      if (GetDlgItem(dialog, fallback) != nullptr) {
        button = fallback;
        break;
      }
    }
  }
  Press(dialog, button);
}

}  // namespace qelvar::gui
