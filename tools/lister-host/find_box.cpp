#include "find_box.h"

#include "lister_api.h"

namespace qelvar::host {
namespace {

constexpr wchar_t kFindBoxClass[] = L"QelvarHostFindBox";
enum TControlId : int { kEditId = 101, kMatchCaseId, kWholeWordsId, kFindFirstId, kPreviousId, kResultId };
// Enter in the box is IDOK (find next), Esc is IDCANCEL (close): what IsDialogMessage sends.

LRESULT CALLBACK FindBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* box = reinterpret_cast<TFindBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (box == nullptr || box->Handle() != hwnd) {
    // Messages during creation, before the object knows its window.
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  try {
    return box->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

HFONT CreateMessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    return CreateFontIndirectW(&metrics.lfMessageFont);
  }
  return nullptr;
}

}  // namespace

TFindBox::TFindBox(HWND owner, SearchFn search) : owner_(owner), search_(std::move(search)) {
  RegisterWindowClass(GetModuleHandleW(nullptr), kFindBoxClass, FindBoxProc, COLOR_BTNFACE);
  font_.Reset(CreateMessageFont());
  RECT r{0, 0, 420, 92};
  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_TOOLWINDOW);
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  // Created invisible; CreateWindowExW hands `this` to WM_NCCREATE, but the handle is known only after.
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kFindBoxClass, L"Find", style, ownerRect.left + 60, ownerRect.top + 60,
                            r.right - r.left, r.bottom - r.top, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) return;
  const auto make = [this](const wchar_t* cls, const wchar_t* text, DWORD styles, int id) {
    HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | styles, 0, 0, 10, 10, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr && font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    return control;
  };
  edit_ = make(L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kEditId);
  SetWindowLongPtrW(edit_, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
  matchCase_ = make(L"BUTTON", L"Match &case", WS_TABSTOP | BS_AUTOCHECKBOX, kMatchCaseId);
  wholeWords_ = make(L"BUTTON", L"&Whole words", WS_TABSTOP | BS_AUTOCHECKBOX, kWholeWordsId);
  make(L"BUTTON", L"Find &first", WS_TABSTOP | BS_PUSHBUTTON, kFindFirstId);
  make(L"BUTTON", L"&Next", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
  make(L"BUTTON", L"&Previous", WS_TABSTOP | BS_PUSHBUTTON, kPreviousId);
  make(L"BUTTON", L"Close", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);
  result_ = make(L"STATIC", L"", SS_LEFT, kResultId);
  Layout();
}

TFindBox::~TFindBox() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void TFindBox::Layout() {
  // A fixed layout in 96-DPI pixels, scaled to the system's DPI.
  const int dpi = [this] {
    const TWindowDC dc(window_);
    return dc ? GetDeviceCaps(dc.Get(), LOGPIXELSX) : 96;
  }();
  const auto s = [dpi](int n) { return MulDiv(n, dpi, 96); };
  RECT r{0, 0, s(420), s(92)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), FALSE, WS_EX_TOOLWINDOW);
  SetWindowPos(window_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  MoveWindow(edit_, s(8), s(8), s(310), s(24), TRUE);
  MoveWindow(GetDlgItem(window_, IDOK), s(326), s(8), s(86), s(24), TRUE);
  MoveWindow(GetDlgItem(window_, kPreviousId), s(326), s(36), s(86), s(24), TRUE);
  MoveWindow(GetDlgItem(window_, kFindFirstId), s(232), s(36), s(86), s(24), TRUE);
  MoveWindow(GetDlgItem(window_, IDCANCEL), s(326), s(64), s(86), s(24), TRUE);
  MoveWindow(matchCase_, s(8), s(38), s(110), s(20), TRUE);
  MoveWindow(wholeWords_, s(120), s(38), s(110), s(20), TRUE);
  MoveWindow(result_, s(8), s(66), s(300), s(20), TRUE);
}

void TFindBox::Show() {
  if (window_ == nullptr) return;
  ShowWindow(window_, SW_SHOW);
  SetActiveWindow(window_);
  SetFocus(edit_);
  SendMessageW(edit_, EM_SETSEL, 0, -1);
}

bool TFindBox::Visible() const { return window_ != nullptr && IsWindowVisible(window_) != FALSE; }

void TFindBox::Repeat(bool backwards) {
  if (GetWindowTextLengthW(edit_) == 0) {
    Show();
    return;
  }
  Find(backwards ? lcs_backwards : 0);
}

void TFindBox::Find(int extraFlags) {
  const int length = GetWindowTextLengthW(edit_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(edit_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  if (text.empty()) {
    SetFocus(edit_);
    return;
  }
  int flags = extraFlags;
  if (SendMessageW(matchCase_, BM_GETCHECK, 0, 0) == BST_CHECKED) flags |= lcs_matchcase;
  if (SendMessageW(wholeWords_, BM_GETCHECK, 0, 0) == BST_CHECKED) flags |= lcs_wholewords;
  const int found = search_ ? search_(text, flags) : 0;
  SetWindowTextW(result_, found != 0 ? L"" : L"Not found.");
  // A match moves the focus to the grid (its selection stays visible); the box takes it back, so that it
  // stays in sight and Enter finds the next match.
  SetActiveWindow(window_);
  SetFocus(edit_);
}

LRESULT TFindBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: Find(0); return 0;
        case kPreviousId: Find(lcs_backwards); return 0;
        case kFindFirstId: Find(lcs_findfirst); return 0;
        case IDCANCEL: ShowWindow(window_, SW_HIDE); SetActiveWindow(owner_); return 0;
        default: break;
      }
      break;
    case WM_CLOSE:
      ShowWindow(window_, SW_HIDE);
      SetActiveWindow(owner_);
      return 0;
    case WM_KEYDOWN:
      // F3 / Shift+F3 from the box itself repeat the search (the edit box passes them up unhandled).
      if (wParam == VK_F3) {
        Repeat((GetKeyState(VK_SHIFT) & 0x8000) != 0);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace qelvar::host
