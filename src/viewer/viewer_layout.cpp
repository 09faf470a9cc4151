// Layout of the viewer window, its fonts and everything that scales with the DPI and the font size.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {

int TCsvViewer::QueryDpi() noexcept {
  const HWND source = window && IsWindow(window) ? window : listView;
  // A per-monitor aware host gets the DPI of the window's monitor only from GetDpiForWindow (Windows 10);
  // a device context reports the system's. Looked up at run time: older systems lack it.
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  if (const HMODULE user32 = GetModuleHandleW(L"user32.dll"); user32 && source) {
    const FARPROC entry = GetProcAddress(user32, "GetDpiForWindow");
    const auto getDpi = reinterpret_cast<TGetDpiForWindow>(reinterpret_cast<void (*)()>(entry));
    if (const UINT windowDpi = getDpi ? getDpi(source) : 0; windowDpi > 0) return static_cast<int>(windowDpi);
  }
  TWindowDC dc(source);
  if (!dc) return metrics.Dpi();
  const int reported = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  return reported > 0 ? reported : 96;
}

void TCsvViewer::SetEditMargins(HWND edit) noexcept {
  if (!edit) return;
  const int margin = metrics.Scale(4);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

int TCsvViewer::GridColumnCount() const noexcept {
  int columns = 0;
  if (view.transformed && transformConfig) columns = transformConfig->TargetCount();
  else if (document) columns = document->ColumnCount();
  return columns + LineNumberOffset();
}

bool TCsvViewer::HeaderRowShown() const { return model ? model->HeaderRow() : ReadInteger(u"header-row") != 0; }

int TCsvViewer::VisibleRowCount() const noexcept { return model ? model->VisibleCount() : 0; }

void TCsvViewer::CreateFonts() noexcept {
  TGridFonts fresh;
  if (!fresh.Create(metrics)) return;

  const auto give = [](HWND control, HFONT f) {
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  };
  // The list view hands its font on to its header, so the header gets the bold font afterwards.
  give(listView, fresh.Regular());
  give(loadingLabel, fresh.Regular());
  if (statusBar) {
    give(statusBar, fresh.Regular());
    SendMessageW(statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(metrics.StatusBarHeight()), 0);
    SendMessageW(statusBar, WM_SIZE, 0, 0);
  }
  for (HWND edit : filterRow.Edits()) {
    if (!edit) continue;
    give(edit, fresh.Regular());
    SetEditMargins(edit);
  }
  SetTransformPanelFont(fresh.Regular());
  // The editor must not keep the font deleted below.
  give(cellEditor.Box(), fresh.Regular());
  give(header, fresh.Bold());
  fonts = std::move(fresh);
  // The status texts are measured in the new font.
  SetStatusParts();
}

void TCsvViewer::SetFontSize(int size) {
  if (!metrics.SetFontSize(size)) return;
  CreateFonts();
  WriteInteger(u"font-size", size);
  MeasureNumericColumns();
  Layout();
  if (listView) InvalidateRect(listView, nullptr, TRUE);
}

void TCsvViewer::Layout() noexcept {
  if (!listView || !statusBar || !window) return;
  RECT client{};
  GetClientRect(window, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;

  SendMessageW(statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(metrics.StatusBarHeight()), 0);
  SendMessageW(statusBar, WM_SIZE, 0, 0);
  RECT bar{};
  GetWindowRect(statusBar, &bar);
  const int statusHeight = bar.bottom - bar.top;

  const int panelWidth = panel.Visible() ? std::min(metrics.TransformPanelWidth(), width / 2) : 0;
  const int gridWidth = std::max(width - panelWidth, 0);
  const int filterHeight = loaded && filterRow.Visible() && !view.transformed ? metrics.FilterRowHeight() : 0;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;

  if (loadingLabel) {
    SetWindowPos(loadingLabel, nullptr, 0, 0, gridWidth, std::max(height - statusHeight, 0),
                 flags | (loaded ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
  }
  // A grid about to appear takes its size while still hidden: sized while shown, it would draw its frame
  // (the scroll bars) once for the size and again for each scroll bar it gains, tens of ms under Wine.
  // (Its own style: IsWindowVisible would also answer no for a grid shown in a hidden host window.)
  const bool appears = loaded && (GetWindowLongPtrW(listView, GWL_STYLE) & WS_VISIBLE) == 0;
  SetWindowPos(listView, nullptr, 0, filterHeight, gridWidth, std::max(height - statusHeight - filterHeight, 0),
               flags | (loaded && !appears ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  if (appears) SetWindowPos(listView, nullptr, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  LayoutTransformPanel(gridWidth, panelWidth);

  PlaceFilterEdits();
  RefreshTheme();
}

void TCsvViewer::OnDpiChanged(int newDpi) {
  metrics.SetDpi(newDpi != 0 ? newDpi : QueryDpi());
  CreateFonts();
  if (loaded && model) {
    ApplyColumnWidths(ComputeColumnWidths(false));
    MeasureNumericColumns();
  }
  // The filter row and the status bar grow with the DPI, so the grid moves in every case.
  Layout();
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  if (header) RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

}  // namespace qelvar
