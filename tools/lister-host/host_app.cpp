#include "host_app.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "detect_string.h"
#include "screenshot.h"
#include "win/dialog_answerer.h"
#include "win/files.h"
#include "win/handles.h"

namespace qelvar::host {
namespace {

constexpr wchar_t kHostClass[] = L"QelvarListerHost";

// Menu commands, by menu: File, View, Search.
enum TMenuCommand : int { kCmdNextFile = 100, kCmdPreviousFile, kCmdExit };
enum : int { kCmdDark = 110 };
enum : int { kCmdFind = 120, kCmdFindNext, kCmdFindPrevious };

// Timers of the host window.
constexpr UINT_PTR kScreenshotTimer = 1;
constexpr UINT_PTR kWatchTimer = 2;

// How long a screenshot waits, beyond --after, for the grid to appear.
constexpr ULONGLONG kGridGraceMs = 15000;

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ExecutableFolder() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return FolderOf(path);
}

std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  return full;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

// Whether a visible list view exists below `window`: the grid has been shown.
BOOL CALLBACK FindVisibleListView(HWND child, LPARAM lParam) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, WC_LISTVIEWW) == 0 && IsWindowVisible(child)) {
    *reinterpret_cast<bool*>(lParam) = true;
    return FALSE;
  }
  return TRUE;
}

// The texts of the plug-in's status bar, its parts joined by " | "; empty when it has none.
BOOL CALLBACK FindStatusBar(HWND child, LPARAM lParam) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, STATUSCLASSNAMEW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = child;
  return FALSE;
}

std::wstring StatusText(HWND window) {
  HWND bar = nullptr;
  EnumChildWindows(window, FindStatusBar, reinterpret_cast<LPARAM>(&bar));
  if (bar == nullptr) return {};
  std::wstring all;
  const auto parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 0, 0));
  for (int i = 0; i < parts; ++i) {
    std::wstring text(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(i), 0)) + 1u, L'\0');
    text.resize(LOWORD(SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()))));
    all += (i > 0 ? L" | " : L"") + text;
  }
  return all;
}

bool GridShown(HWND window) {
  bool found = false;
  EnumChildWindows(window, FindVisibleListView, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* app = reinterpret_cast<THostApp*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (app == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    const LRESULT result = app->HandleMessage(message, wParam, lParam);
    if (result != -1) return result;
  } catch (...) {
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HMENU BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, kCmdNextFile, L"&Next file\tN");
  AppendMenuW(file, MF_STRING, kCmdPreviousFile, L"&Previous file\tP");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, kCmdExit, L"E&xit\tEsc");
  HMENU view = CreatePopupMenu();
  AppendMenuW(view, MF_STRING, kCmdDark, L"&Dark mode");
  HMENU search = CreatePopupMenu();
  AppendMenuW(search, MF_STRING, kCmdFind, L"&Find...\tCtrl+F");
  AppendMenuW(search, MF_STRING, kCmdFindNext, L"Find &next\tF3");
  AppendMenuW(search, MF_STRING, kCmdFindPrevious, L"Find &previous\tShift+F3");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(search), L"&Search");
  return bar;
}

}  // namespace

void Report(const std::wstring& message, bool interactive) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err != nullptr && err != INVALID_HANDLE_VALUE) {
    const std::string line = "qelvar-host: " + ToUtf8(message) + "\n";
    if (WriteAll(err, line)) return;
  }
  if (interactive) MessageBoxW(nullptr, message.c_str(), L"qelvar-host", MB_OK | MB_ICONERROR);
}

THostApp::THostApp(THostOptions options) : options_(std::move(options)), dark_(options_.dark) {}

THostApp::~THostApp() {
  findBox_.reset();
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void THostApp::Fail(const std::wstring& message) {
  exitCode_ = kExitFailed;
  Report(message, options_.screenshot.empty());
}

bool THostApp::ViewerAlive() const { return listWin_ != nullptr && IsWindow(listWin_) != FALSE; }

int THostApp::Run() {
  const bool interactive = options_.screenshot.empty();
  std::wstring pluginPath = options_.plugin;
  if (pluginPath.empty()) {
    pluginPath = ExecutableFolder() + (sizeof(void*) == 8 ? L"\\qelvar.wlx64" : L"\\qelvar.wlx");
  }
  pluginPath = FullPath(pluginPath);
  if (!plugin_.Load(pluginPath)) {
    Fail(L"the plug-in " + pluginPath + L" could not be loaded (error " + std::to_wstring(GetLastError()) + L")");
    return kExitFailed;
  }
  SetPluginIni(plugin_, options_.ini.empty() ? ExecutableFolder() + L"\\lsplugin.ini" : FullPath(options_.ini));
  if (plugin_.listGetDetectString != nullptr) {
    std::string buffer(4096, '\0');
    plugin_.listGetDetectString(buffer.data(), static_cast<int>(buffer.size()));
    detectString_ = buffer.c_str();
  }

  // In a run without a person (screenshots), message boxes of the plug-in are reported on the console and
  // closed at once, so that nothing waits for a click.
  std::optional<TDialogAnswerer> boxes;
  if (!interactive) {
    boxes.emplace([](const TDialogAnswerer::TDialog& box) {
      Report(L"message box: " + box.text, false);
      return IDCANCEL;
    });
  }

  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  RegisterWindowClass(GetModuleHandleW(nullptr), kHostClass, HostProc, COLOR_WINDOW,
                      LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));  // IDI_APPLICATION

  menu_ = BuildMenu();
  RECT r{0, 0, options_.width, options_.height};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);
  window_ = CreateWindowExW(0, kHostClass, L"qelvar-host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, menu_,
                            GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) {
    Fail(L"the window could not be created (is there a display?)");
    return kExitFailed;
  }
  CheckMenuItem(menu_, kCmdDark, dark_ ? MF_CHECKED : MF_UNCHECKED);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);

  if (!OpenFile(FullPath(options_.file))) {
    Fail(L"the plug-in refused to show " + options_.file);
    return kExitFailed;
  }
  findBox_ = std::make_unique<TFindBox>(window_, [this](const std::wstring& text, int flags) { return Search(text, flags); });

  if (!interactive) {
    screenshotDeadline_ = GetTickCount64() + static_cast<ULONGLONG>(options_.afterMs) + kGridGraceMs;
    SetTimer(window_, kScreenshotTimer, static_cast<UINT>(std::max(options_.afterMs, 1)), nullptr);
  }
  SetTimer(window_, kWatchTimer, 250, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    HWND box = findBox_ ? findBox_->Handle() : nullptr;
    if (box != nullptr && (msg.hwnd == box || IsChild(box, msg.hwnd))) {
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_F3) {
        findBox_->Repeat(KeyDown(VK_SHIFT));
        continue;
      }
      if (IsDialogMessageW(box, &msg)) continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return exitCode_;
}

bool THostApp::OpenFile(const std::wstring& path) {
  std::wstring file = path;
  const int flags = dark_ ? (lcp_darkmode | lcp_darkmodenative) : 0;
  HWND viewer = plugin_.listLoadW(window_, file.data(), flags);
  if (viewer == nullptr) return false;
  listWin_ = viewer;
  currentFile_ = path;
  RECT client{};
  GetClientRect(window_, &client);
  MoveWindow(listWin_, 0, 0, client.right, client.bottom, TRUE);
  UpdateTitle();
  return true;
}

// Asks the plug-in to close its window; false when it keeps it (e.g. the user cancelled a save prompt).
bool THostApp::CloseFile() {
  if (!ViewerAlive()) {
    listWin_ = nullptr;
    return true;
  }
  if (plugin_.listCloseWindow != nullptr) {
    plugin_.listCloseWindow(listWin_);
  } else {
    DestroyWindow(listWin_);
  }
  if (ViewerAlive()) return false;
  listWin_ = nullptr;
  return true;
}

void THostApp::CloseHost() {
  if (CloseFile()) DestroyWindow(window_);
}

void THostApp::UpdateTitle() {
  const std::wstring title = currentFile_.empty() ? L"qelvar-host" : L"qelvar-host - [" + currentFile_ + L"]";
  SetWindowTextW(window_, title.c_str());
}

void THostApp::OpenSibling(int step) {
  if (currentFile_.empty()) return;
  const std::wstring folder = FolderOf(currentFile_);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  const TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      const std::wstring name = data.cFileName;
      const std::optional<bool> accepted =
          DetectStringAccepts(detectString_, ToUtf8(ExtensionOf<wchar_t>(name)));
      if (accepted.value_or(false)) names.push_back(name);
    } while (FindNextFileW(find.Get(), &data));
  }
  const auto before = [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; };
  std::sort(names.begin(), names.end(), before);
  // The current file's place in the sorted list, whether or not the detect string accepts it.
  const std::wstring current = NameOf(currentFile_);
  const auto at = std::lower_bound(names.begin(), names.end(), current, before);
  std::ptrdiff_t index = at - names.begin();
  const bool onCurrent = at != names.end() && lstrcmpiW(at->c_str(), current.c_str()) == 0;
  if (step > 0) {
    index += onCurrent ? 1 : 0;
  } else {
    index -= 1;
  }
  if (index < 0 || index >= static_cast<std::ptrdiff_t>(names.size())) {
    MessageBeep(MB_OK);
    return;
  }
  const std::wstring next = folder + L"\\" + names[static_cast<std::size_t>(index)];
  if (!CloseFile()) return;
  if (!OpenFile(next)) {
    currentFile_ = next;
    UpdateTitle();
    Report(L"the plug-in refused to show " + next, true);
  }
}

void THostApp::SetDark(bool dark) {
  dark_ = dark;
  CheckMenuItem(menu_, kCmdDark, dark_ ? MF_CHECKED : MF_UNCHECKED);
  if (ViewerAlive() && plugin_.listSendCommand != nullptr) {
    plugin_.listSendCommand(listWin_, lc_newparams, dark_ ? (lcp_darkmode | lcp_darkmodenative) : 0);
  }
}

int THostApp::Search(const std::wstring& text, int flags) {
  if (!ViewerAlive() || plugin_.listSearchTextW == nullptr) return 0;
  std::wstring copy = text;
  return plugin_.listSearchTextW(listWin_, copy.data(), flags);
}

// Keys the plug-in hands back (posted to this window), and keys typed while the host itself has the focus.
void THostApp::OnKey(WPARAM key) {
  switch (key) {
    case VK_ESCAPE:
      CloseHost();
      break;
    case VK_F3:
      if (findBox_ && findBox_->Visible()) {
        findBox_->Repeat(KeyDown(VK_SHIFT));
      } else if (findBox_) {
        findBox_->Show();
      }
      break;
    case 'F':
      if (KeyDown(VK_CONTROL) && findBox_) findBox_->Show();
      break;
    case 'N':
      OpenSibling(1);
      break;
    case 'P':
      OpenSibling(-1);
      break;
    default:
      break;
  }
}

void THostApp::OnCommand(int id) {
  switch (id) {
    case kCmdNextFile: OpenSibling(1); break;
    case kCmdPreviousFile: OpenSibling(-1); break;
    case kCmdExit: CloseHost(); break;
    case kCmdDark: SetDark(!dark_); break;
    case kCmdFind: if (findBox_) findBox_->Show(); break;
    case kCmdFindNext: if (findBox_) findBox_->Repeat(false); break;
    case kCmdFindPrevious: if (findBox_) findBox_->Repeat(true); break;
    default: break;
  }
}

void THostApp::TakeScreenshot() {
  if (!ViewerAlive()) {
    Fail(L"the plug-in closed its window: " + options_.file + L" could not be shown");
    DestroyWindow(window_);
    return;
  }
  const bool waitsForStatus = !options_.until.empty() && StatusText(listWin_).find(options_.until) == std::wstring::npos;
  if ((!GridShown(listWin_) || waitsForStatus) && GetTickCount64() < screenshotDeadline_) {
    SetTimer(window_, kScreenshotTimer, 100, nullptr);  // still loading: look again shortly
    return;
  }
  // What the status bar says goes with the picture: tests read it from the output.
  Report(L"status bar: " + StatusText(listWin_), false);
  if (!SaveClientPng(window_, options_.screenshot)) {
    Fail(L"the screenshot could not be written to " + options_.screenshot);
  } else {
    Report(L"screenshot written to " + options_.screenshot, false);
  }
  CloseHost();
  if (IsWindow(window_)) DestroyWindow(window_);
}

void THostApp::OnTimer(UINT_PTR id) {
  if (id == kScreenshotTimer) {
    KillTimer(window_, kScreenshotTimer);
    TakeScreenshot();
  } else if (id == kWatchTimer && listWin_ != nullptr && !ViewerAlive()) {
    // The plug-in destroyed its window (a file it could not load): show an empty Lister, as the host does.
    listWin_ = nullptr;
    if (options_.screenshot.empty()) SetWindowTextW(window_, (L"qelvar-host - [" + currentFile_ + L"] (not shown)").c_str());
  }
}

LRESULT THostApp::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (ViewerAlive()) MoveWindow(listWin_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DPICHANGED: {
      // Only top-level windows hear of a new DPI: take the suggested size and pass the news to the plug-in.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (ViewerAlive()) SendMessageW(listWin_, WM_DPICHANGED, wParam, lParam);
      return 0;
    }
    case WM_SETFOCUS:
      if (ViewerAlive()) SetFocus(listWin_);
      return 0;
    case WM_KEYDOWN:
      OnKey(wParam);
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    case WM_CLOSE:
      CloseHost();
      return 0;
    case WM_DESTROY:
      KillTimer(window_, kScreenshotTimer);
      KillTimer(window_, kWatchTimer);
      findBox_.reset();
      PostQuitMessage(exitCode_);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return -1;  // DefWindowProc still runs
    default:
      return -1;
  }
}

}  // namespace qelvar::host
