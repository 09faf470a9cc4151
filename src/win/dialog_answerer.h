// Answers the dialog boxes (message boxes) of this thread at once, so that a run without a person never
// waits for a click: the one place where the stand-in host's screenshot runs and the GUI tests close the
// plug-in's message boxes.
//
// A thread hook (WH_CBT) sees each dialog when it is activated; a thread timer finds those that are never
// activated (Xvfb without a window manager). Both run inside the dialog's own modal loop. Header-only.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "win/handles.h"

namespace qelvar {

class TDialogAnswerer {
 public:
  struct TDialog {
    std::wstring caption;
    std::wstring text;  // the longest static text: a message box's message
  };
  // Chooses the button to press (IDOK, IDYES, IDNO, IDCANCEL ...) for a dialog; when the dialog has no such
  // button, the first of OK, Cancel, No and Yes that it has is pressed.
  using TChoose = std::function<int(const TDialog&)>;

  // One answerer at a time in a process: a second one while the first lives throws std::logic_error.
  explicit TDialogAnswerer(TChoose choose) : choose_(std::move(choose)) {
    if (Active() != nullptr) throw std::logic_error("one dialog answerer at a time");
    Active() = this;
    hook_.Reset(SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, GetCurrentThreadId()));
    timer_ = SetTimer(nullptr, 0, 50, &OnTimer);
  }
  ~TDialogAnswerer() {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    hook_.Reset();
    Active() = nullptr;
  }
  TDialogAnswerer(const TDialogAnswerer&) = delete;
  TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;

  // Whether `window` is a dialog box (class "#32770").
  static bool IsDialog(HWND window) noexcept {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring_view(name) == L"#32770";
  }

 private:
  static TDialogAnswerer*& Active() noexcept {
    static TDialogAnswerer* active = nullptr;
    return active;
  }

  static std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(GetWindowTextW(window, text.data(), static_cast<int>(text.size())), 0)));
    return text;
  }

  static BOOL CALLBACK CollectStaticText(HWND child, LPARAM lParam) noexcept {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Static") != 0 || (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
    try {
      auto* longest = reinterpret_cast<std::wstring*>(lParam);
      std::wstring text = TextOf(child);
      if (text.size() > longest->size()) *longest = std::move(text);
    } catch (...) {
    }
    return TRUE;
  }

  // `early`: seen at its activation, which for a box without owner may come before its text is set; such a
  // box is left to the timer.
  void Answer(HWND dialog, bool early) noexcept {
    try {
      if (answered_.count(dialog) != 0) return;
      TDialog seen;
      seen.caption = TextOf(dialog);
      EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
      if (early && seen.text.empty()) return;
      answered_.insert(dialog);
      int button = choose_ ? choose_(seen) : IDOK;
      if (GetDlgItem(dialog, button) == nullptr) {
        for (const int fallback : {IDOK, IDCANCEL, IDNO, IDYES}) {
          if (GetDlgItem(dialog, fallback) != nullptr) {
            button = fallback;
            break;
          }
        }
      }
      // Posted: the dialog's own loop presses the button once the hook or the timer has returned.
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    } catch (...) {
    }
  }

  static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == HCBT_ACTIVATE && Active() != nullptr && IsDialog(reinterpret_cast<HWND>(wParam)))
      Active()->Answer(reinterpret_cast<HWND>(wParam), true);
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static BOOL CALLBACK AnswerIfDialog(HWND window, LPARAM) noexcept {
    if (Active() != nullptr && IsDialog(window) && IsWindowVisible(window)) Active()->Answer(window, false);
    return TRUE;
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) noexcept {
    EnumThreadWindows(GetCurrentThreadId(), &AnswerIfDialog, 0);
  }

  TChoose choose_;
  std::set<HWND> answered_;
  THook hook_;
  UINT_PTR timer_ = 0;
};

}  // namespace qelvar
