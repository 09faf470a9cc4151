// The viewer's life: creation of the window and its controls, the entry points the exports call, error
// boxes, and destruction, which waits until no handler of the viewer is on the stack.
#include <algorithm>
#include <cwchar>
#include <utility>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/wide.h"
#include "host/lister_interface.h"
#include "transform/transform.h"
#include "viewer/load/decline_rule.h"
#include "viewer/viewer.h"
#include "win/window_text.h"
#include "win/message_box.h"

namespace qelvar {
namespace {

HINSTANCE ModuleInstance() noexcept {
  static const int anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&anchor), &module);
  return module;
}

// Whether the host's window is a Lister window of its own (only then does the grid take the focus).
bool IsListerWindow(HWND parent, int showFlags) noexcept {
  if (showFlags & lcp_forceshow) return true;
  if (parent && GetAncestor(parent, GA_ROOT) == parent) return true;
  return parent && (GetWindowLongPtrW(parent, GWL_STYLE) & WS_POPUP) != 0;
}

}  // namespace

// ---- lifetime ---------------------------------------------------------------------------------------

TViewerCall::TViewerCall(TCsvViewer* viewer) noexcept : viewer_(viewer) {
  if (viewer_) ++viewer_->life.handlerDepth;
}

TViewerCall::~TViewerCall() {
  if (!viewer_) return;
  if (--viewer_->life.handlerDepth == 0 && viewer_->life.destroyed) {
    // The window owned the viewer since creation and is gone; this was the last handler on the stack.
    std::unique_ptr<TCsvViewer> owned(viewer_);
  }
}

TCsvViewer* TViewerCall::Get() const noexcept { return viewer_ && !viewer_->life.destroyed ? viewer_ : nullptr; }

TCsvViewer::TCsvViewer(std::u16string file) : fileName(std::move(file)) {}

TCsvViewer::~TCsvViewer() {
  // A filter's worker reads the document: it ends before anything goes.
  rowsJob.reset();
  // The model refers to the document, so it goes first.
  transformConfig.reset();
  model.reset();
  document.reset();
}

void TCsvViewer::StopTimers() noexcept {
  KillTimer(window, kLoadTimer);
  KillTimer(window, kDecodeTimer);
  KillTimer(window, kFilterTimer);
  KillTimer(window, kWatchTimer);
}

void TCsvViewer::MarkDestroyed() noexcept {
  StopTimers();
  // A popup of the host's window: it would outlive the viewer it describes.
  CloseColumnProfile();
  StopRowsJob();
  // Its notices would go to a window that is gone; the worker ends within one read.
  StopBackgroundLoad();
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  life.destroyed = true;
  // The controls died before their parent; no handler still on the stack may reach them through a handle
  // that the system could already have given to another window.
  window = listView = header = statusBar = loadingLabel = nullptr;
  filterRow.Forget();
  panel.Forget();
}

// ---- creation -----------------------------------------------------------------------------------------

void TCsvViewer::CreateControls() {
  const HINSTANCE instance = ModuleInstance();
  loadingLabel = CreateWindowExW(0, L"STATIC", Wide(UiText(utLoading)), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE,
                                 0, 0, 100, 100, window, ControlId(kLoadingLabelId), instance, nullptr);
  listView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                             0, 0, 100, 100, window, ControlId(kListViewId), instance, nullptr);
  if (listView) {
    DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    painting.gridLines = ReadInteger(u"disable-grid-lines") == 0;
    if (painting.gridLines) extended |= LVS_EX_GRIDLINES;
    ListView_SetExtendedListViewStyle(listView, extended);
  }

  metrics.SetFont(ReadString(u"font"), ReadInteger(u"font-size"), ReadInteger(u"font-weight"));
  metrics.SetDpi(QueryDpi());

  header = listView ? ListView_GetHeader(listView) : nullptr;
  CreateFonts();
  SubclassControl(listView, &ListViewProc);
  ApplyHeaderWithoutStyles();
  SubclassControl(header, &HeaderProc);
  LoadColors();

  statusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", window, kStatusBarId);
  if (statusBar) {
    if (fonts.Regular()) SendMessageW(statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Regular()), FALSE);
    SubclassControl(statusBar, &StatusBarProc);
    SendMessageW(statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(metrics.StatusBarHeight()), 0);
  }

  ShowLoadingStatus();
  BuildMenus();
  BuildTransformPanel();
  ApplyTheme();
  Layout();
}

HWND CreateViewer(HWND parent, const std::u16string& fileName, int showFlags) noexcept {
  HWND window = nullptr;
  try {
    InitLocalization();
    // A file declined here leaves no window and no box: Lister shows its next plug-in or its own viewer.
    // A limit that is no number is no reason to decline (the load then says so in the status bar).
    const TFileStamp stamp = ReadFileStamp(fileName);
    TSettingRead limitRead = TSettingRead::Ok;
    const std::int64_t limit = ReadInteger64(u"max-file-size", &limitRead);
    if (stamp.exists && DeclinesFile(stamp.size, limitRead == TSettingRead::Ok ? limit : 0,
                                     platform::PhysicalMemory(), sizeof(void*) >= 8))
      return nullptr;
    auto owned = std::make_unique<TCsvViewer>(fileName);
    TCsvViewer& viewer = *owned;
    viewer.host.darkMode = (showFlags & lcp_darkmode) != 0;
    viewer.host.nativeDarkMode = (showFlags & lcp_darkmodenative) != 0;
    viewer.host.listerWindow = IsListerWindow(parent, showFlags);

    const int startMode = ReadStartMode();
    viewer.view.editMode = startMode == 1;
    viewer.panel.SetVisible(startMode == 2);

    viewer.filterRow.SetVisible(ReadInteger(u"filter-row") != 0);
    viewer.view.lineNumbers = ReadInteger(u"show-line-numbers") != 0;
    viewer.decimal.SetEnabled(ReadInteger(u"decimal-align") != 0);
    viewer.choices.commentMode = ReadInteger(u"skip-comments");
    viewer.choices.autoComments = viewer.choices.commentMode == 3;

    viewer.transformConfig = std::make_unique<TTransformConfig>();

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const HINSTANCE instance = ModuleInstance();
    if (!RegisterWindowClass(instance, kViewerClassName, &ViewerWindowProc, COLOR_WINDOW)) return nullptr;

    RECT area{};
    if (parent) GetClientRect(parent, &area);
    window = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_NOPARENTNOTIFY, kViewerClassName, L"qelvar",
                             WS_CHILD | WS_CLIPCHILDREN, 0, 0, area.right - area.left, area.bottom - area.top,
                             parent, nullptr, instance, nullptr);
    if (!window) return nullptr;
    viewer.window = window;
    // From here the window owns the viewer; the call keeps it alive should the window go during creation.
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
    const TViewerCall call(&viewer);

    viewer.CreateControls();
    if (viewer.life.destroyed) return nullptr;
    ShowWindow(window, SW_SHOW);
    viewer.host.keysEnabledAt = GetTickCount64() + 500;
    // A posted message comes sooner than a timer's first tick (which waits for the timer's resolution).
    if (!PostMessageW(window, kLoadFileMessage, 0, 0)) SetTimer(window, kLoadTimer, 1, nullptr);
    return window;
  } catch (...) {
    // Destroying the window frees the viewer it already owns.
    if (window && IsWindow(window)) DestroyWindow(window);
    return nullptr;
  }
}

// ---- entry points ---------------------------------------------------------------------------------------

TCsvViewer* ViewerFromWindow(HWND window) noexcept {
  if (!window || !IsWindow(window)) return nullptr;
  // Recognised by its class and this module, not by its procedure: another program may subclass it.
  wchar_t name[64] = {};
  if (GetClassNameW(window, name, 64) == 0 || std::wcscmp(name, kViewerClassName) != 0) return nullptr;
  if (reinterpret_cast<HINSTANCE>(GetClassLongPtrW(window, GCLP_HMODULE)) != ModuleInstance()) return nullptr;
  return reinterpret_cast<TCsvViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void CloseViewer(HWND window) noexcept {
  if (!window || !IsWindow(window)) return;
  const TViewerCall viewer(ViewerFromWindow(window));
  if (!viewer) {
    DestroyWindow(window);
    return;
  }
  // The host closes its window after this call whatever the answer, so the question offers no Cancel and
  // nothing the timers would start may run in its message loop. A second call while the question is up
  // leaves the answer to it.
  if (viewer->saving.promptActive) return;
  viewer->StopTimers();
  // The rest of a large file is not wanted any more: the worker ends now, not after the question.
  viewer->StopBackgroundLoad();
  const bool allowed = viewer->ConfirmSaveBefore(utClosing, false);
  if (!viewer) return;
  // What is still unsaved (the edit could not be committed) is kept and the user told, while there is a
  // window to own the box.
  if (!allowed) viewer->RecoverUnsavedEdits(true);
  else if (viewer) DestroyWindow(window);
}

int SearchViewer(HWND window, const std::u16string& text, int flags) noexcept {
  const TViewerCall viewer(ViewerFromWindow(window));
  if (!viewer) return 0;
  return static_cast<int>(Safely([&] { return static_cast<LRESULT>(viewer->SearchText(text, flags)); }));
}

void SendViewerCommand(HWND window, int command, int parameter) noexcept {
  const TViewerCall viewer(ViewerFromWindow(window));
  if (!viewer) return;
  Safely([&] {
    switch (command) {
      case lc_newparams: viewer->RefreshDisplayParameters(parameter); break;
      // Lister's Edit menu and its Ctrl+C / Ctrl+A, when the key went to the host.
      case lc_copy:
        if (viewer->loaded) viewer->CopyForHost();
        break;
      case lc_selectall:
        if (viewer->loaded) viewer->SelectAllRows();
        break;
      default: break;
    }
    return LRESULT{0};
  });
}

// ---- what the entry points do ---------------------------------------------------------------------------

bool TCsvViewer::ShowError(TUiText fallback, const TLoadFailure& failure) noexcept {
  try {
    const std::u16string text =
        failure.TooLarge ? FileTooLargeMessage(failure.FileSize, failure.Limit) : UiText(fallback);
    ShowMessageBox(window, text, MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
  return !life.destroyed;
}

void TCsvViewer::RefreshDisplayParameters(int parameter) {
  const bool wasDark = IsDarkTheme();
  const bool wasNative = host.nativeDarkMode;
  host.darkMode = (parameter & lcp_darkmode) != 0;
  host.nativeDarkMode = (parameter & lcp_darkmodenative) != 0;
  if (ResolveThemeMode() == TThemeMode::Tc && (IsDarkTheme() != wasDark || host.nativeDarkMode != wasNative))
    LoadColors();
}

}  // namespace qelvar
