// Colour themes: which colour set applies, and handing it to the controls (colours, window theme, repaint).
#include "settings/settings.h"
#include "viewer/viewer.h"

namespace qelvar {

bool TCsvViewer::IsDarkTheme() const noexcept {
  try {
    switch (ResolveThemeMode()) {
      case TThemeMode::Dark: return true;
      case TThemeMode::Light: return false;
      case TThemeMode::Tc: return host.darkMode;
    }
  } catch (...) {
  }
  return host.darkMode;
}

void TCsvViewer::ApplyHeaderWithoutStyles() noexcept {
  // The header draws itself (HeaderCustomDraw): its visual style would paint over that.
  TWindowThemer().RemoveVisualStyle(header);
}

void TCsvViewer::ApplyTheme() noexcept {
  const bool dark = IsDarkTheme();
  const TWindowThemer themer;
  themer.SetDark(listView, dark);
  themer.SetDark(header, dark);
  themer.RemoveVisualStyle(header);
  themer.SetDark(statusBar, dark);
  if (statusBar) {
    SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(theme.Colors().back));
    InvalidateRect(statusBar, nullptr, TRUE);
  }
  for (HWND edit : filterRow.Edits()) themer.SetDark(edit, dark);
  themer.SetDark(panel.List(), dark);
  themer.SetDark(panel.Input(), dark);
  // The panel's buttons paint their theme's colours themselves.
  for (HWND button : panel.Buttons())
    if (button) InvalidateRect(button, nullptr, TRUE);
  if (listView) RedrawWindow(listView, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
  theme.MarkCarried(dark);
}

void TCsvViewer::RefreshTheme() noexcept {
  // Re-theming repaints the whole grid at once; a resize of an already themed window needs none of it,
  // and new filter boxes need only their own theme.
  const bool dark = IsDarkTheme();
  if (!theme.CarriedAs(dark)) {
    ApplyTheme();
    return;
  }
  if (!theme.Stale()) return;
  const TWindowThemer themer;
  for (HWND edit : filterRow.Edits()) themer.SetDark(edit, dark);
  theme.MarkCarried(dark);
}

void TCsvViewer::ChooseTheme(TThemeMode mode) {
  WriteThemeMode(mode);
  LoadColors();
}

void TCsvViewer::LoadColors() noexcept {
  if (!theme.Load(IsDarkTheme())) return;  // the previous colours stay, all of them
  const TPalette& colors = theme.Colors();
  if (listView) {
    ListView_SetTextColor(listView, colors.text);
    ListView_SetBkColor(listView, colors.back);
    ListView_SetTextBkColor(listView, colors.back);
  }
  if (statusBar) SendMessageW(statusBar, SB_SETBKCOLOR, 0, static_cast<LPARAM>(colors.back));
  ApplyTheme();

  constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
  if (header) RedrawWindow(header, nullptr, nullptr, kRedrawNow);
  if (listView) RedrawWindow(listView, nullptr, nullptr, kRedrawNow);
  for (HWND edit : filterRow.Edits())
    if (edit) InvalidateRect(edit, nullptr, TRUE);
  if (loadingLabel) InvalidateRect(loadingLabel, nullptr, TRUE);
  if (statusBar) InvalidateRect(statusBar, nullptr, TRUE);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

}  // namespace qelvar
