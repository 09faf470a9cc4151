// The transform panel: the column of controls right of the grid with which the user builds a
// transformation of the table. This file creates, places and refreshes the controls and switches the panel
// and the transformation's views; the buttons' commands, files, painting and drag and drop have files of
// their own.
#include "document/csv_document.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

void TCsvViewer::BuildTransformPanel() {
  panel.Create(window, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)));
  for (HWND button : panel.Buttons()) SubclassControl(button, &TransformControlProc);
  SubclassControl(panel.List(), &TransformListProc);
  SubclassControl(panel.Input(), &TransformControlProc);
  if (fonts.Regular()) SetTransformPanelFont(fonts.Regular());
}

void TCsvViewer::SetTransformPanelFont(HFONT newFont) noexcept { panel.SetFont(newFont, metrics.Scale(4)); }

void TCsvViewer::LayoutTransformPanel(int gridWidth, int panelWidth) noexcept {
  RECT bar{};
  if (statusBar) GetWindowRect(statusBar, &bar);
  panel.Layout(window, bar.bottom - bar.top, gridWidth, panelWidth, metrics);
}

void TCsvViewer::RefreshTransformPanel() {
  if (transformConfig) panel.Refresh(*transformConfig, view.transformed);
}

void TCsvViewer::ToggleTransformPanel() {
  // The transformation is built over the whole table: not while the rest of it is being read.
  if (!panel.Visible() && rest.load) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  panel.SetVisible(!panel.Visible());
  RefreshTransformPanel();
  // A hidden control keeps no focus that the keys could still reach: it goes back to the grid.
  const bool panelHadFocus = IsTransformControl(GetFocus());
  Layout();
  if (!panel.Visible() && panelHadFocus && listView) SetFocus(listView);
}

void TCsvViewer::ResetTransformation() {
  if (!transformConfig) transformConfig = std::make_unique<TTransformConfig>();
  transformConfig->InitFromDocument(document.get(), HeaderRowShown());
  TransformationReset();
}

void TCsvViewer::TransformationReset(bool layOut) {
  view.transformed = false;
  hiddenColumns.output.clear();
  panel.CancelDrag();
  if (layOut) Layout();
  RefreshTransformPanel();
}

std::vector<bool>& TCsvViewer::HiddenColumnFlags() noexcept {
  return hiddenColumns.Of(view.transformed);
}

bool TCsvViewer::IsTransformControl(HWND control) const noexcept { return panel.IsControl(control); }

}  // namespace qelvar
