#include "viewer/transform/panel.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "localization/localization.h"
#include "platform/wide.h"
#include "transform/transform.h"
#include "win/handles.h"
#include "win/window_text.h"

namespace qelvar {
namespace {

// LB_ITEMFROMPOINT answers in 16 bits, too few for a list of a wide file's columns: the entry is worked
// out from the first shown entry and the (fixed) entry height instead.
bool OnEntry(HWND list, LPARAM point, int& index) noexcept {
  const POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  RECT client{};
  if (!GetClientRect(list, &client) || !PtInRect(&client, at)) return false;
  const auto height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const auto top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  if (height <= 0 || top < 0 || count <= 0) return false;
  const int hit = top + at.y / height;
  if (hit >= count) return false;
  index = hit;
  return true;
}

}  // namespace

COLORREF PanelButtonColor(TPanelGroup group, bool dark) noexcept {
  switch (group) {
    case TPanelGroup::Move: return dark ? RGB(48, 78, 104) : RGB(208, 228, 246);
    case TPanelGroup::Columns: return dark ? RGB(48, 83, 58) : RGB(212, 237, 218);
    case TPanelGroup::Cells: return dark ? RGB(91, 76, 37) : RGB(255, 242, 204);
    case TPanelGroup::File: return dark ? RGB(74, 58, 96) : RGB(228, 216, 244);
    case TPanelGroup::Output: return dark ? RGB(43, 78, 84) : RGB(210, 236, 240);
    case TPanelGroup::Other: break;
  }
  return dark ? RGB(64, 64, 64) : GetSysColor(COLOR_BTNFACE);
}

void TTransformPanel::Create(HWND window, HINSTANCE instance) {
  list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"ListBox", L"", WS_CHILD | WS_VSCROLL | LBS_NOTIFY, 0, 0, 0, 0,
                          window, ControlId(kTransformListId), instance, nullptr);
  input_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, window,
                           ControlId(kTransformInputId), instance, nullptr);
  if (input_) {
    const std::u16string hint = UiText(utTransformInputHint);
    // The hint shows only while the box is empty and has no focus (wParam FALSE).
    SendMessageW(input_, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(Wide(hint)));
  }
  buttons_.assign(kPanelButtons.size(), nullptr);
  for (std::size_t i = 0; i < kPanelButtons.size(); ++i) {
    const TCommandInfo* command = FindCommand(kPanelButtons[i].id);
    const std::u16string caption = command ? UiText(command->text) : std::u16string();
    buttons_[i] = CreateWindowExW(0, L"Button", Wide(caption), WS_CHILD | BS_OWNERDRAW, 0, 0, 0, 0, window,
                                  ControlId(kPanelButtons[i].id), instance, nullptr);
  }
}

void TTransformPanel::Forget() noexcept {
  list_ = input_ = nullptr;
  buttons_.clear();
}

bool TTransformPanel::IsControl(HWND control) const noexcept {
  if (!control) return false;
  return control == list_ || control == input_ || std::find(buttons_.begin(), buttons_.end(), control) != buttons_.end();
}

void TTransformPanel::SetFont(HFONT font, int margin) noexcept {
  const auto give = [font](HWND control) {
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  };
  give(list_);
  give(input_);
  if (input_) SendMessageW(input_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
  for (HWND button : buttons_) give(button);
}

void TTransformPanel::Layout(HWND window, int statusHeight, int gridWidth, int panelWidth,
                             const TMetrics& metrics) noexcept {
  if (!list_ || !input_ || !window) return;
  if (!visible_) {
    ShowWindow(list_, SW_HIDE);
    ShowWindow(input_, SW_HIDE);
    for (HWND button : buttons_)
      if (button) ShowWindow(button, SW_HIDE);
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  const int height = client.bottom - client.top;

  const int buttonHeight = metrics.Scale(25);
  const int gap = metrics.Scale(3);
  const int count = static_cast<int>(buttons_.size());
  // The list takes what the input box and the buttons leave; on a window too low for all of them it
  // keeps a usable height and the lowest buttons fall below the window's edge.
  const int top = std::max(height - statusHeight - count * (buttonHeight + gap) - metrics.Scale(34), metrics.Scale(100));
  const int left = gridWidth + metrics.Scale(6);
  const int width = std::max(panelWidth - metrics.Scale(12), 0);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;

  SetWindowPos(list_, nullptr, left, metrics.Scale(6), width, std::max(top - metrics.Scale(12), 0), flags);
  SetWindowPos(input_, nullptr, left, top, width, metrics.Scale(26), flags);
  int y = top + metrics.Scale(31);
  for (HWND button : buttons_) {
    if (button) SetWindowPos(button, nullptr, left, y, width, buttonHeight, flags);
    y += buttonHeight + gap;
  }
}

void TTransformPanel::Refresh(const TTransformConfig& config, bool transformedView) {
  if (!list_ || !IsWindow(list_)) return;
  int selected = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));

  // Without redrawing each entry as it arrives: a long list is filled at once.
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  const std::int32_t count = config.TargetCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string text = config.DisplayText(i);
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text)));
  }
  if (selected >= count) selected = count - 1;
  if (selected >= 0) SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);

  if (buttons_.size() != kPanelButtons.size()) return;
  const auto button = [&](int id) -> HWND {
    for (std::size_t i = 0; i < kPanelButtons.size(); ++i)
      if (kPanelButtons[i].id == id) return buttons_[i];
    return nullptr;
  };
  SetText(button(cmTransformDelimiter), UiText(utDelimiter) + u": " + std::u16string(1, config.ExportDelimiter));
  SetText(button(cmTransformNumberFormat),
          UiText(utNumberFormat) + u": " +
              (config.NumberFormat == u"original" ? UiText(utOriginal) : config.NumberFormat));
  SetText(button(cmTransformApplyToGrid), UiText(transformedView ? utResetGridView : utApplyToGrid));
  for (const int id : {cmTransformDelimiter, cmTransformNumberFormat, cmTransformApplyToGrid})
    InvalidateRect(button(id), nullptr, TRUE);
}

int TTransformPanel::DropGapAt(int y, int count) const noexcept {
  for (int i = 0; i < count; ++i) {
    RECT entry{};
    if (SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&entry)) == LB_ERR)
      continue;
    if (entry.bottom > y) return y < (entry.top + entry.bottom) / 2 ? i : i + 1;
  }
  return count;
}

bool TTransformPanel::Press(LPARAM point, int count) noexcept {
  int index = -1;
  if (!list_ || !OnEntry(list_, point, index) || index >= count) {
    dragFrom_ = -1;
    return false;
  }
  dragFrom_ = dragTo_ = index;
  dragging_ = false;
  dragStartX_ = GET_X_LPARAM(point);
  dragStartY_ = GET_Y_LPARAM(point);
  SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // The list's own press handling is skipped; the focus it would take is given here.
  SetFocus(list_);
  SetCapture(list_);
  return true;
}

bool TTransformPanel::Move(WPARAM keys, LPARAM point, int threshold, int count) noexcept {
  if (dragFrom_ < 0 || !(keys & MK_LBUTTON)) return false;
  const int x = GET_X_LPARAM(point);
  const int y = GET_Y_LPARAM(point);
  if (!dragging_ && (std::abs(x - dragStartX_) >= threshold || std::abs(y - dragStartY_) >= threshold)) {
    dragging_ = true;
    if (GetCapture() != list_) SetCapture(list_);
  }
  if (dragging_) {
    const int gap = DropGapAt(y, count);
    if (gap != dragTo_) {
      dragTo_ = gap;
      InvalidateRect(list_, nullptr, TRUE);
    }
  }
  return true;
}

std::optional<TPanelDrop> TTransformPanel::Release(LPARAM point, int count) noexcept {
  if (dragFrom_ < 0 && !dragging_) return std::nullopt;
  const TPanelDrop drop{dragFrom_, DropGapAt(GET_Y_LPARAM(point), count)};
  dragTo_ = drop.gap;
  dragging_ = false;
  dragFrom_ = -1;  // before the capture goes, whose notice would otherwise cancel the drop
  if (GetCapture() == list_) ReleaseCapture();
  InvalidateRect(list_, nullptr, TRUE);
  return drop;
}

void TTransformPanel::CaptureLost() noexcept {
  if (dragFrom_ < 0 && !dragging_) return;
  dragFrom_ = -1;
  dragging_ = false;
  InvalidateRect(list_, nullptr, TRUE);
}

void TTransformPanel::CancelDrag() noexcept {
  dragFrom_ = -1;
  dragging_ = false;
}

void TTransformPanel::DrawDropMarker(int count, const TMetrics& metrics, COLORREF color) const noexcept {
  if (!dragging_ || !list_ || count <= 0) return;
  RECT entry{};
  int y = 0;
  if (dragTo_ >= 0 && dragTo_ < count &&
      SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(dragTo_), reinterpret_cast<LPARAM>(&entry)) != LB_ERR) {
    y = entry.top;
  } else if (SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&entry)) !=
             LB_ERR) {
    y = entry.bottom;
  } else {
    return;
  }
  const int width = metrics.Scale(2);
  // Centred on the gap, so that it shows over both neighbours.
  const RECT line{metrics.Scale(2), y - width / 2, entry.right - metrics.Scale(2), y - width / 2 + width};
  const TWindowDC dc(list_);
  if (!dc) return;
  SetDCBrushColor(dc.Get(), color);
  FillRect(dc.Get(), &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace qelvar
