// The transform panel: the column of controls right of the grid with which the user builds a
// transformation of the table. This file creates, places and refreshes the controls and switches the panel
// and the transformation's views; the buttons' commands, files, painting and drag and drop have files of
// their own.
#include <algorithm>

#include "document/csv_document.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/transform_buttons.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

HMENU ControlId(int id) noexcept {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

void SetText(HWND control, const std::u16string& text) noexcept {
  if (control) SetWindowTextW(control, Wide(text));
}

}  // namespace

void TCsvViewer::BuildTransformPanel() {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  transformList = CreateWindowExW(WS_EX_CLIENTEDGE, L"ListBox", L"", WS_CHILD | WS_VSCROLL | LBS_NOTIFY, 0, 0,
                                  0, 0, window, ControlId(kTransformListId), instance, nullptr);
  transformInput = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                   window, ControlId(kTransformInputId), instance, nullptr);
  if (transformInput) {
    const std::u16string hint = UiText(utTransformInputHint);
    // The hint shows only while the box is empty and has no focus (wParam FALSE).
    SendMessageW(transformInput, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(Wide(hint)));
  }
  transformButtons.assign(kPanelButtons.size(), nullptr);
  for (std::size_t i = 0; i < kPanelButtons.size(); ++i) {
    const TPanelButton& button = kPanelButtons[i];
    transformButtons[i] = CreateWindowExW(0, L"Button", Wide(UiText(button.caption)), WS_CHILD | BS_OWNERDRAW,
                                          0, 0, 0, 0, window, ControlId(button.id), instance, nullptr);
  }

  for (HWND button : transformButtons) SubclassControl(button, &TransformControlProc);
  SubclassControl(transformList, &TransformListProc);
  SubclassControl(transformInput, &TransformControlProc);
  if (font) SetTransformPanelFont(font.Get());
}

void TCsvViewer::SetTransformPanelFont(HFONT newFont) noexcept {
  const auto give = [newFont](HWND control) {
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), TRUE);
  };
  give(transformList);
  give(transformInput);
  SetEditMargins(transformInput);
  for (HWND button : transformButtons) give(button);
}

void TCsvViewer::LayoutTransformPanel(int gridWidth, int panelWidth) noexcept {
  if (!transformList || !transformInput || !window) return;
  if (!transformPanelVisible) {
    ShowWindow(transformList, SW_HIDE);
    ShowWindow(transformInput, SW_HIDE);
    for (HWND button : transformButtons)
      if (button) ShowWindow(button, SW_HIDE);
    return;
  }
  RECT client{};
  GetClientRect(window, &client);
  RECT bar{};
  if (statusBar) GetWindowRect(statusBar, &bar);
  const int height = client.bottom - client.top;
  const int statusHeight = bar.bottom - bar.top;

  const int buttonHeight = Scale(25);
  const int gap = Scale(3);
  const int count = static_cast<int>(transformButtons.size());
  // The list takes what the input box and the buttons leave; on a window too low for all of them it
  // keeps a usable height and the lowest buttons fall below the window's edge.
  const int top = std::max(height - statusHeight - count * (buttonHeight + gap) - Scale(34), Scale(100));
  const int left = gridWidth + Scale(6);
  const int width = std::max(panelWidth - Scale(12), 0);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;

  SetWindowPos(transformList, nullptr, left, Scale(6), width, std::max(top - Scale(12), 0), flags);
  SetWindowPos(transformInput, nullptr, left, top, width, Scale(26), flags);
  int y = top + Scale(31);
  for (HWND button : transformButtons) {
    if (button) SetWindowPos(button, nullptr, left, y, width, buttonHeight, flags);
    y += buttonHeight + gap;
  }
}

void TCsvViewer::RefreshTransformPanel() {
  if (!transformList || !IsWindow(transformList) || !transformConfig) return;
  const TTransformConfig& config = *transformConfig;
  int selected = static_cast<int>(SendMessageW(transformList, LB_GETCURSEL, 0, 0));

  // Without redrawing each entry as it arrives: a long list is filled at once.
  SendMessageW(transformList, WM_SETREDRAW, FALSE, 0);
  SendMessageW(transformList, LB_RESETCONTENT, 0, 0);
  const std::int32_t count = config.TargetCount();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string text = config.DisplayText(i);
    SendMessageW(transformList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text)));
  }
  if (selected >= count) selected = count - 1;
  if (selected >= 0) SendMessageW(transformList, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  SendMessageW(transformList, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(transformList, nullptr, TRUE);

  if (transformButtons.size() != kPanelButtons.size()) return;
  const auto button = [&](int id) { return transformButtons[PanelButtonIndex(id)]; };
  SetText(button(cmTransformDelimiter),
          UiText(utDelimiter) + u": " + std::u16string(1, config.ExportDelimiter));
  SetText(button(cmTransformNumberFormat),
          UiText(utNumberFormat) + u": " +
              (config.NumberFormat == u"original" ? UiText(utOriginal) : config.NumberFormat));
  SetText(button(cmTransformApplyToGrid), UiText(transformedView ? utResetGridView : utApplyToGrid));
  for (const int id : {cmTransformDelimiter, cmTransformNumberFormat, cmTransformApplyToGrid})
    InvalidateRect(button(id), nullptr, TRUE);
}

void TCsvViewer::ToggleTransformPanel() {
  transformPanelVisible = !transformPanelVisible;
  RefreshTransformPanel();
  // A hidden control keeps no focus that the keys could still reach: it goes back to the grid.
  const bool panelHadFocus = IsTransformControl(GetFocus());
  Layout();
  if (!transformPanelVisible && panelHadFocus && listView) SetFocus(listView);
}

void TCsvViewer::ResetTransformation() {
  if (!transformConfig) transformConfig = std::make_unique<TTransformConfig>();
  transformConfig->InitFromDocument(document.get(), HeaderRowShown());
  TransformationReset();
}

void TCsvViewer::TransformationReset() {
  transformedView = false;
  outputHiddenColumns.clear();
  // A drag over the old list would move an entry of the new one.
  dragFromIndex = -1;
  dragging = false;
  Layout();
  RefreshTransformPanel();
}

std::vector<bool>& TCsvViewer::HiddenColumnFlags() noexcept {
  return transformedView ? outputHiddenColumns : hiddenColumns;
}

bool TCsvViewer::IsTransformControl(HWND control) const noexcept {
  if (!control) return false;
  return control == transformList || control == transformInput ||
         std::find(transformButtons.begin(), transformButtons.end(), control) != transformButtons.end();
}

}  // namespace qelvar
