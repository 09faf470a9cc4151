// The viewer window and its lifecycle: the window class, creation, the deferred load and background
// decoding, the main window procedure, the procedure shared by the subclassed child controls, closing and
// destruction. The handlers of each message live here; what they do is in the files of each concern.
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "document/csv_model.h"
#include "grid/grid_model.h"
#include "localization/localization.h"
#include "platform/wide.h"
#include "plugin/lister_interface.h"
#include "settings/settings.h"
#include "transform/transform.h"
#include "viewer/viewer.h"

namespace qelvar {
namespace {

constexpr wchar_t kClassName[] = L"QelvarMigrationViewer";
constexpr wchar_t kViewerProperty[] = L"QelvarViewer";
constexpr wchar_t kOldProcProperty[] = L"QelvarOldWndProc";

// Runs `work`, turning any exception into `failed`: nothing may escape a window procedure into the host.
template <class Work>
LRESULT Safely(Work&& work, LRESULT failed = 0) noexcept {
  try {
    return work();
  } catch (...) {
    return failed;
  }
}

HINSTANCE ModuleInstance() noexcept {
  static const int anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&anchor), &module);
  return module;
}

HMENU ControlId(int id) noexcept { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

bool CtrlDown() noexcept { return GetKeyState(VK_CONTROL) < 0; }

// ---- main window: one handler per message -------------------------------------------------------------

LRESULT OnSize(TCsvViewer& viewer) noexcept {
  viewer.Layout();
  return 0;
}

LRESULT OnClose(TCsvViewer& viewer) noexcept {
  const HWND window = viewer.window;
  if (viewer.MayClose(utClosing)) DestroyWindow(window);
  return 0;
}

LRESULT OnEraseBackground(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.backBrush) return DefWindowProcW(window, WM_ERASEBKGND, wParam, lParam);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(reinterpret_cast<HDC>(wParam), &client, viewer.backBrush.Get());
  return 1;
}

LRESULT OnGridClick(TCsvViewer& viewer, const NMITEMACTIVATE& click) {
  viewer.currentRow = click.iItem;
  viewer.currentColumn = click.iSubItem;
  InvalidateRect(viewer.listView, nullptr, FALSE);
  viewer.UpdateStatusBar();
  return 0;
}

LRESULT OnNotify(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header) return 0;
  return Safely([&]() -> LRESULT {
    const HWND from = header->hwndFrom;
    const UINT code = header->code;
    if (from == viewer.listView && from) {
      if (!viewer.loaded) return 0;
      switch (code) {
        case LVN_GETDISPINFOW: {
          auto& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
          if (item.mask & LVIF_TEXT) viewer.CopyCellText(item.iItem, item.iSubItem, item.pszText, item.cchTextMax);
          return 0;
        }
        case NM_CUSTOMDRAW:
          return viewer.GridCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        case LVN_COLUMNCLICK: {
          const int column = reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem;
          if (CtrlDown()) viewer.HideColumn(column);
          else viewer.SortByHeaderClick(column);
          return 0;
        }
        case LVN_ITEMCHANGED:
          if (reinterpret_cast<NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) viewer.UpdateStatusBar();
          return 0;
        case LVN_ODSTATECHANGED:
          viewer.UpdateStatusBar();
          return 0;
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
          return OnGridClick(viewer, *reinterpret_cast<NMITEMACTIVATE*>(lParam));
        default:
          break;
      }
    } else if (from == viewer.header && from && code == NM_CUSTOMDRAW) {
      return viewer.HeaderCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
    } else if (from == viewer.statusBar && from && code == NM_CUSTOMDRAW) {
      return viewer.StatusBarCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
    }
    return DefWindowProcW(window, WM_NOTIFY, wParam, lParam);
  });
}

LRESULT OnNcDestroy(HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  // The window owned the viewer since creation; it goes with the window.
  std::unique_ptr<TCsvViewer> viewer(reinterpret_cast<TCsvViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  viewer.reset();
  return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnKeyDown(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  // Until the grid is shown every key is swallowed.
  if (!viewer.loaded) return 0;
  return DefWindowProcW(window, WM_KEYDOWN, wParam, lParam);
}

LRESULT OnCommand(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.loaded) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const int filterIndex = id - kFilterEditFirstId;
  if (code == EN_CHANGE && filterIndex >= 0 && filterIndex < static_cast<int>(viewer.filterEdits.size())) {
    return Safely([&] {
      viewer.FilterTextChanged(filterIndex);
      return LRESULT{0};
    });
  }
  return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}

LRESULT OnTimer(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  return Safely([&]() -> LRESULT {
    switch (wParam) {
      case kLoadTimer:
        viewer.DeferredLoad();
        return 0;
      case kDecodeTimer:
        viewer.DecodeSome();
        return 0;
      case kFilterTimer:
        viewer.ApplyPendingFilters();
        return 0;
      default:
        return DefWindowProcW(window, WM_TIMER, wParam, lParam);
    }
  });
}

LRESULT OnCtlColorEdit(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (!viewer.filterBackBrush) return DefWindowProcW(window, WM_CTLCOLOREDIT, wParam, lParam);
  const auto dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, viewer.filterTextColor);
  SetBkColor(dc, viewer.filterBackColor);
  return reinterpret_cast<LRESULT>(viewer.filterBackBrush.Get());
}

LRESULT OnCtlColorStatic(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (reinterpret_cast<HWND>(lParam) != viewer.loadingLabel || !viewer.backBrush)
    return DefWindowProcW(window, WM_CTLCOLORSTATIC, wParam, lParam);
  const auto dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, viewer.textColor);
  SetBkColor(dc, viewer.backColor);
  return reinterpret_cast<LRESULT>(viewer.backBrush.Get());
}

// Ctrl+wheel zooms the grid font; shared by the viewer window and its controls. False when Ctrl is up.
bool ZoomByWheel(TCsvViewer& viewer, WPARAM wParam) noexcept {
  if (!(GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) && !CtrlDown()) return false;
  const int step = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 1 : -1;
  Safely([&] {
    viewer.SetFontSize(viewer.fontSize + step);
    return LRESULT{0};
  });
  return true;
}

LRESULT OnMouseWheel(TCsvViewer& viewer, HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  if (ZoomByWheel(viewer, wParam)) return 0;
  return DefWindowProcW(window, WM_MOUSEWHEEL, wParam, lParam);
}

LRESULT OnDpiChanged(TCsvViewer& viewer, WPARAM wParam) noexcept {
  return Safely([&] {
    viewer.OnDpiChanged(LOWORD(wParam));
    return LRESULT{0};
  });
}

LRESULT OnFocusGrid(TCsvViewer& viewer) noexcept {
  if (viewer.isListerWindow && viewer.listView) SetFocus(viewer.listView);
  return 0;
}

// ---- shared child procedure ------------------------------------------------------------------------

// After the control's own procedure: what the viewer adds to a message that the control handled.
void AfterChildMessage(TCsvViewer& viewer, HWND control, UINT message, LPARAM lParam) noexcept {
  if (control == viewer.listView) {
    const bool fromHeader = message == WM_NOTIFY && lParam &&
                            reinterpret_cast<NMHDR*>(lParam)->hwndFrom == viewer.header &&
                            reinterpret_cast<NMHDR*>(lParam)->code != static_cast<UINT>(NM_CUSTOMDRAW);
    if (message == WM_HSCROLL || message == LVM_SCROLL || message == LVM_SETCOLUMNWIDTH || fromHeader)
      viewer.PlaceFilterEdits();
  } else if (control == viewer.header && message == WM_PAINT) {
    viewer.PaintHeaderFiller();
  }
}

LRESULT OnStatusBarPaint(TCsvViewer& viewer, HWND control) noexcept {
  const TPaintDC dc(control);
  if (dc) viewer.PaintStatusBar(dc.Get());
  return 0;
}

}  // namespace

// ---- TCsvViewer: object and lifecycle ---------------------------------------------------------------

TCsvViewer::TCsvViewer(std::u16string file) : fileName(std::move(file)) {}

TCsvViewer::~TCsvViewer() {
  if (window && IsWindow(window)) {
    KillTimer(window, kLoadTimer);
    KillTimer(window, kDecodeTimer);
    KillTimer(window, kFilterTimer);
  }
  // Brushes and fonts go with their owners below; the model refers to the document, so it goes first.
  backBrush.Reset();
  filterBackBrush.Reset();
  boldFont.Reset();
  font.Reset();
  transformConfig.reset();
  model.reset();
  document.reset();
}

void TCsvViewer::SubclassControl(HWND control) noexcept {
  if (!control || !IsWindow(control)) return;
  SetPropW(control, kViewerProperty, this);
  const LONG_PTR previous =
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewerChildProc));
  SetPropW(control, kOldProcProperty, reinterpret_cast<HANDLE>(previous));
}

void TCsvViewer::ShowError(TUiText fallback) noexcept {
  try {
    const TLoadFailure& failure = LastLoadFailure();
    const std::u16string text =
        failure.TooLarge ? FileTooLargeMessage(failure.FileSize, failure.Limit) : UiText(fallback);
    // Nothing of the viewer is touched once the box is up: the host may close the window meanwhile.
    MessageBoxW(window, Wide(text), L"qelvar", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
}

bool TCsvViewer::MayClose(TUiText) noexcept {
  // Only unsaved edits could hold the window open, and nothing is edited in plain viewing.
  return !modified;
}

void TCsvViewer::DeferredLoad() {
  KillTimer(window, kLoadTimer);
  if (loaded) return;

  const std::u16string forced = ReadString(u"default-column-delimiter", u"");
  autoDelimiter = forced.empty();
  const char16_t forcedDelimiter = forced.empty() ? char16_t{0} : forced[0];
  const int samples = ReadInteger(u"max-column-samples", 1000);
  const bool trim = ReadInteger(u"trim-values", 1) != 0;
  const int maxSize = ReadInteger(u"max-file-size", 10000000);

  const HWND self = window;
  std::unique_ptr<TCsvDocument> loadedDocument;
  if (!LoadFromFile(fileName, maxSize, forcedDelimiter, commentMode, loadedDocument, trim, samples) ||
      !loadedDocument) {
    ShowError(utFileLoadFailed);
    if (IsWindow(self)) DestroyWindow(self);
    return;
  }

  const bool headerRow = ReadInteger(u"header-row", 1) != 0;
  try {
    encodingName = loadedDocument->Encoding().Name;
    delimiter = autoDelimiter ? char16_t{0} : loadedDocument->Delimiter();
    document = std::move(loadedDocument);
    model = std::make_unique<TCsvGridModel>(document.get(), headerRow);
    model->SetCaseSensitive(ReadInteger(u"filter-case-sensitive", 0) != 0);
    transformConfig->InitFromDocument(document.get(), headerRow);
  } catch (...) {
    model.reset();
    document.reset();
    ShowError(utFileLoadFailed);
    if (IsWindow(self)) DestroyWindow(self);
    return;
  }

  loaded = true;
  transformedView = false;
  BuildColumns(ComputeColumnWidths(false));
  Layout();

  KillTimer(window, kDecodeTimer);
  if (document->HasUndecodedCells()) SetTimer(window, kDecodeTimer, kDecodeTickMs, nullptr);
  PostMessageW(window, kFocusGridMessage, 0, 0);
}

void TCsvViewer::DecodeSome() {
  if (!document || !document->HasUndecodedCells() || document->DecodeNext(kDecodeCellsPerTick) == 0 ||
      !document->HasUndecodedCells()) {
    KillTimer(window, kDecodeTimer);
  }
}

void TCsvViewer::RefreshDisplayParameters(int parameter) {
  const bool wasDark = IsDarkTheme();
  const bool wasNative = hostNativeDarkMode;
  hostDarkMode = (parameter & lcp_darkmode) != 0;
  hostNativeDarkMode = (parameter & lcp_darkmodenative) != 0;
  if (ResolveThemeMode() == TThemeMode::Tc && (IsDarkTheme() != wasDark || hostNativeDarkMode != wasNative))
    LoadColors();
}

// ---- entry points ----------------------------------------------------------------------------------

HWND CreateViewer(HWND parent, const std::u16string& fileName, int showFlags) noexcept {
  HWND window = nullptr;
  try {
    InitLocalization();
    auto viewer = std::make_unique<TCsvViewer>(fileName);
    viewer->hostDarkMode = (showFlags & lcp_darkmode) != 0;
    viewer->hostNativeDarkMode = (showFlags & lcp_darkmodenative) != 0;
    if (showFlags & lcp_forceshow) viewer->isListerWindow = true;
    else if (parent && GetAncestor(parent, GA_ROOT) == parent) viewer->isListerWindow = true;
    else viewer->isListerWindow = parent && (GetWindowLongPtrW(parent, GWL_STYLE) & WS_POPUP) != 0;

    const int startMode = ReadStartMode();
    viewer->editMode = startMode == 1;
    viewer->transformPanelVisible = startMode == 2;

    viewer->filterRowVisible = ReadInteger(u"filter-row", 1) != 0;
    viewer->showLineNumbers = ReadInteger(u"show-line-numbers", 0) != 0;
    viewer->decimalAlign = ReadInteger(u"decimal-align", 1) != 0;
    viewer->commentMode = ReadInteger(u"skip-comments", 0);
    viewer->autoComments = viewer->commentMode == 3;

    viewer->transformConfig = std::make_unique<TTransformConfig>();

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = ModuleInstance();
    if (!RegisterWindowClass(instance, kClassName, &ViewerWindowProc, COLOR_WINDOW)) return nullptr;

    RECT area{};
    if (parent) GetClientRect(parent, &area);
    window = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_NOPARENTNOTIFY, kClassName, L"qelvar",
                             WS_CHILD | WS_CLIPCHILDREN, 0, 0, area.right - area.left, area.bottom - area.top,
                             parent, nullptr, instance, nullptr);
    if (!window) return nullptr;
    TCsvViewer& v = *viewer;
    v.window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer.release()));

    const std::u16string loadingText = UiText(utLoading);
    v.loadingLabel = CreateWindowExW(0, L"STATIC", Wide(loadingText), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                                     0, 0, 100, 100, window, ControlId(kLoadingLabelId), instance, nullptr);
    v.listView = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                 WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0, 100,
                                 100, window, ControlId(kListViewId), instance, nullptr);
    if (v.listView) {
      DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
      if (ReadInteger(u"disable-grid-lines", 0) == 0) extended |= LVS_EX_GRIDLINES;
      ListView_SetExtendedListViewStyle(v.listView, extended);
    }

    v.fontName = ReadString(u"font", u"Arial");
    v.fontSize = ReadInteger(u"font-size", 16);
    const int weight = ReadInteger(u"font-weight", 0);
    v.fontWeight = weight >= 1 && weight <= 9 ? weight * 100 : 0;
    v.dpi = v.QueryDpi();

    v.header = v.listView ? ListView_GetHeader(v.listView) : nullptr;
    v.CreateFonts();
    v.SubclassControl(v.listView);
    v.ApplyHeaderWithoutStyles();
    v.SubclassControl(v.header);
    v.LoadColors();

    v.statusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", window, kStatusBarId);
    if (v.statusBar) {
      if (v.font) SendMessageW(v.statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(v.font.Get()), FALSE);
      v.SubclassControl(v.statusBar);
      SendMessageW(v.statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(v.StatusBarHeight()), 0);
    }

    v.ShowLoadingStatus();
    v.ApplyTheme();
    v.Layout();

    ShowWindow(window, SW_SHOW);
    v.keysEnabledAt = GetTickCount64() + 500;
    SetTimer(window, kLoadTimer, 1, nullptr);
    return window;
  } catch (...) {
    // Destroying the window frees the viewer it already owns.
    if (window && IsWindow(window)) DestroyWindow(window);
    return nullptr;
  }
}

TCsvViewer* ViewerFromWindow(HWND window) noexcept {
  if (!window || !IsWindow(window)) return nullptr;
  // Only a window of this module's class carries a viewer in its user data.
  if (GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&ViewerWindowProc)) return nullptr;
  return reinterpret_cast<TCsvViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void CloseViewer(HWND window) noexcept {
  if (!window || !IsWindow(window)) return;
  TCsvViewer* viewer = ViewerFromWindow(window);
  if (!viewer || viewer->MayClose(utClosing)) DestroyWindow(window);
}

int SearchViewer(HWND window, const std::u16string& text, int flags) noexcept {
  TCsvViewer* viewer = ViewerFromWindow(window);
  if (!viewer) return 0;
  return static_cast<int>(Safely([&] { return static_cast<LRESULT>(viewer->SearchText(text, flags)); }));
}

void SendViewerCommand(HWND window, int command, int parameter) noexcept {
  TCsvViewer* viewer = ViewerFromWindow(window);
  if (!viewer || command != lc_newparams) return;
  Safely([&] {
    viewer->RefreshDisplayParameters(parameter);
    return LRESULT{0};
  });
}

// ---- window procedures ----------------------------------------------------------------------------

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* viewer = reinterpret_cast<TCsvViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!viewer) return DefWindowProcW(window, message, wParam, lParam);
  TCsvViewer& v = *viewer;
  switch (message) {
    case WM_SIZE: return OnSize(v);
    case WM_CLOSE: return OnClose(v);
    case WM_ERASEBKGND: return OnEraseBackground(v, window, wParam, lParam);
    case WM_NOTIFY: return OnNotify(v, window, wParam, lParam);
    case WM_NCDESTROY: return OnNcDestroy(window, wParam, lParam);
    case WM_KEYDOWN: return OnKeyDown(v, window, wParam, lParam);
    case WM_COMMAND: return OnCommand(v, window, wParam, lParam);
    case WM_TIMER: return OnTimer(v, window, wParam, lParam);
    case WM_CTLCOLOREDIT: return OnCtlColorEdit(v, window, wParam, lParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(v, window, wParam, lParam);
    case WM_MOUSEWHEEL: return OnMouseWheel(v, window, wParam, lParam);
    case WM_DPICHANGED: return OnDpiChanged(v, wParam);
    case kFocusGridMessage: return OnFocusGrid(v);
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ViewerChildProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* viewer = static_cast<TCsvViewer*>(GetPropW(control, kViewerProperty));
  const auto previous = reinterpret_cast<WNDPROC>(GetPropW(control, kOldProcProperty));
  const auto callPrevious = [&] {
    return previous ? CallWindowProcW(previous, control, message, wParam, lParam)
                    : DefWindowProcW(control, message, wParam, lParam);
  };
  if (!viewer) return callPrevious();
  TCsvViewer& v = *viewer;

  if (control == v.listView && message == WM_NOTIFY && lParam) {
    const auto* notify = reinterpret_cast<NMHDR*>(lParam);
    if (notify->hwndFrom == v.header && notify->code == static_cast<UINT>(NM_CUSTOMDRAW))
      return SendMessageW(v.window, WM_NOTIFY, wParam, lParam);
  }
  if (control == v.statusBar && message == WM_ERASEBKGND) return 1;
  if (control == v.statusBar && message == WM_PAINT) return OnStatusBarPaint(v, control);
  if (control == v.header && message == WM_ERASEBKGND) return 1;
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE && v.IsFilterEdit(control)) {
    SetFocus(v.listView);
    return 0;
  }
  if (message == WM_MOUSEWHEEL && ZoomByWheel(v, wParam)) return 0;

  const LRESULT result = callPrevious();
  AfterChildMessage(v, control, message, lParam);
  if (message == WM_NCDESTROY) {
    RemovePropW(control, kViewerProperty);
    RemovePropW(control, kOldProcProperty);
  }
  return result;
}

}  // namespace qelvar
