// Layout of the viewer window, its fonts and everything that scales with the DPI and the font size.
#include <algorithm>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

// Pixel sizes are computed in 64 bits and kept within int: no font size or DPI can overflow them.
int ToPixels(long long value) noexcept {
  return static_cast<int>(std::clamp<long long>(value, -32767, 32767));
}

}  // namespace

int TCsvViewer::Scale(int n) noexcept {
  if (dpi <= 0) dpi = 96;
  return MulDiv(n, dpi, 96);
}

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
  if (!dc) return dpi > 0 ? dpi : 96;
  const int reported = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  return reported > 0 ? reported : 96;
}

int TCsvViewer::FontPixelHeight() noexcept {
  if (dpi <= 0) dpi = QueryDpi();
  return ToPixels(std::max(static_cast<long long>(fontSize) * dpi / 72, static_cast<long long>(Scale(10))));
}

int TCsvViewer::ScaleByFont(int n) noexcept {
  return ToPixels(
      std::max(static_cast<long long>(n) * FontPixelHeight() / 13, static_cast<long long>(Scale(n))));
}

int TCsvViewer::FilterRowHeight() noexcept {
  return ToPixels(
      std::max(static_cast<long long>(FontPixelHeight()) + Scale(8), static_cast<long long>(Scale(24))));
}

int TCsvViewer::StatusBarHeight() noexcept {
  return ToPixels(
      std::max(static_cast<long long>(FontPixelHeight()) + Scale(8), static_cast<long long>(Scale(22))));
}

int TCsvViewer::TransformPanelWidth() noexcept {
  return ToPixels(std::max(static_cast<long long>(ScaleByFont(260)) + 5LL * FontPixelHeight(),
                           static_cast<long long>(ScaleByFont(330))));
}

void TCsvViewer::SetEditMargins(HWND edit) noexcept {
  if (!edit) return;
  const int margin = Scale(4);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

int TCsvViewer::GridColumnCount() const noexcept {
  int columns = 0;
  if (transformedView && transformConfig) columns = transformConfig->TargetCount();
  else if (document) columns = document->ColumnCount();
  return columns + LineNumberOffset();
}

bool TCsvViewer::HeaderRowShown() const { return model ? model->HeaderRow() : ReadInteger(u"header-row") != 0; }

int TCsvViewer::VisibleRowCount() const noexcept { return model ? model->VisibleCount() : 0; }

void TCsvViewer::CreateFonts() noexcept {
  if (dpi <= 0) dpi = QueryDpi();
  const int height = -ToPixels(static_cast<long long>(fontSize) * dpi / 72);
  const auto make = [&](int weight) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(fontName));
  };
  TFont newFont(make(fontWeight));
  if (!newFont) return;
  TFont newBold(make(700));
  if (!newBold) return;

  const auto give = [](HWND control, HFONT f) {
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  };
  // The list view hands its font on to its header, so the header gets the bold font afterwards.
  give(listView, newFont.Get());
  give(loadingLabel, newFont.Get());
  if (statusBar) {
    give(statusBar, newFont.Get());
    SendMessageW(statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(StatusBarHeight()), 0);
    SendMessageW(statusBar, WM_SIZE, 0, 0);
  }
  for (HWND edit : filterEdits) {
    if (!edit) continue;
    give(edit, newFont.Get());
    SetEditMargins(edit);
  }
  SetTransformPanelFont(newFont.Get());
  give(header, newBold.Get());
  font = std::move(newFont);
  boldFont = std::move(newBold);
  // The status texts are measured in the new font.
  SetStatusParts();
}

void TCsvViewer::SetFontSize(int size) {
  if (size < kMinFontSize || size > kMaxFontSize || size == fontSize) return;
  fontSize = size;
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

  SendMessageW(statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(StatusBarHeight()), 0);
  SendMessageW(statusBar, WM_SIZE, 0, 0);
  RECT bar{};
  GetWindowRect(statusBar, &bar);
  const int statusHeight = bar.bottom - bar.top;

  const int panelWidth = transformPanelVisible ? std::min(TransformPanelWidth(), width / 2) : 0;
  const int gridWidth = std::max(width - panelWidth, 0);
  const int filterHeight = loaded && filterRowVisible && !transformedView ? FilterRowHeight() : 0;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;

  if (loadingLabel) {
    SetWindowPos(loadingLabel, nullptr, 0, 0, gridWidth, std::max(height - statusHeight, 0),
                 flags | (loaded ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
  }
  SetWindowPos(listView, nullptr, 0, filterHeight, gridWidth, std::max(height - statusHeight - filterHeight, 0),
               flags | (loaded ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  LayoutTransformPanel(gridWidth, panelWidth);

  PlaceFilterEdits();
  RefreshTheme();
}

void TCsvViewer::OnDpiChanged(int newDpi) {
  dpi = newDpi;
  if (dpi == 0) dpi = QueryDpi();
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
