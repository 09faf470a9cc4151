#include "harness.h"

#include <cstdio>
#include <cstdlib>

namespace qelvar::gui {

// A Linux path of the build as a Windows path: Wine's own mapping when it offers one, else drive Z:.
std::wstring WindowsPathOf(const std::string& unixPath) {
  if (unixPath.empty() || unixPath.front() != '/') {
    std::wstring wide(unixPath.begin(), unixPath.end());
    return wide;
  }
  using DosNameFn = WCHAR*(CDECL*)(const char*);
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    const auto fn = reinterpret_cast<DosNameFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (fn != nullptr) {
      if (WCHAR* dos = fn(unixPath.c_str())) {
        std::wstring result(dos);
        HeapFree(GetProcessHeap(), 0, dos);
        return result;
      }
    }
  }
  std::wstring result = L"Z:";
  for (const char c : unixPath) result.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return result;
}

namespace {

std::wstring EnvironmentOr(const wchar_t* name, const std::wstring& fallback) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer, n) : fallback;
}

std::wstring JoinPath(std::wstring base, std::wstring_view relative) {
  if (!base.empty() && base.back() != L'\\') base.push_back(L'\\');
  for (const wchar_t c : relative) base.push_back(c == L'/' ? L'\\' : c);
  return base;
}

}  // namespace

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  const TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.Get(), &data));
  }
  RemoveDirectoryW(folder.c_str());
}

struct TTempFolder {
  std::wstring path;
  TTempFolder() {
    wchar_t base[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, base);
    path = std::wstring(base, n) + L"qelvar-gui-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path.c_str(), nullptr);
  }
  ~TTempFolder() { RemoveTree(path); }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
};

TTempFolder& Temp() {
  static TTempFolder folder;
  return folder;
}

}  // namespace

// ---- the plug-in and the files of a test run --------------------------------------------------------

std::wstring PluginPath() { return EnvironmentOr(L"QELVAR_PLUGIN", WindowsPathOf(QELVAR_PLUGIN_FILE)); }

std::wstring SourcePath(std::wstring_view relative) {
  return JoinPath(WindowsPathOf(QELVAR_SOURCE_DIR), relative);
}

std::wstring BuildPath(std::wstring_view relative) {
  std::wstring plugin = PluginPath();
  const auto slash = plugin.find_last_of(L"\\/");
  return JoinPath(slash == std::wstring::npos ? std::wstring(L".") : plugin.substr(0, slash), relative);
}

std::wstring TempDir() { return Temp().path; }

std::wstring WriteTempFile(std::wstring_view name, std::string_view bytes) {
  const std::wstring path = JoinPath(TempDir(), name);
  if (!WriteFileBytes(path, bytes)) std::fprintf(stderr, "harness: cannot write %s\n", Utf8(path).c_str());
  return path;
}

std::wstring SettingsPath() { return JoinPath(TempDir(), L"lsplugin.ini"); }

void SetSettings(std::string_view lines) {
  std::string text = "[qelvar]\r\n";
  text.append(lines);
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  WriteFileBytes(SettingsPath(), text);
}

const host::TListerPlugin& Plugin() {
  static const host::TListerPlugin* plugin = [] {
    static host::TListerPlugin loaded;
    const std::wstring path = PluginPath();
    if (!loaded.Load(path)) {
      std::fprintf(stderr, "harness: cannot load the plug-in %s (error %lu)\n", Utf8(path).c_str(),
                   GetLastError());
      std::exit(1);
    }
    // Settings a test wrote before the first use stay.
    if (GetFileAttributesW(SettingsPath().c_str()) == INVALID_FILE_ATTRIBUTES) ResetSettings();
    host::SetPluginIni(loaded, SettingsPath());
    return &loaded;
  }();
  return *plugin;
}

// ---- message loop -------------------------------------------------------------------------------------

namespace {
// Dispatches queued messages; stops early when `condition` holds. Returns whether it held.
bool DispatchQueued(const std::function<bool()>* condition) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;  // tests never quit the thread's loop
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (condition != nullptr && (*condition)()) return true;
  }
  return condition != nullptr && (*condition)();
}
}  // namespace

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (DispatchQueued(&condition)) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const auto wait = static_cast<DWORD>(deadline - now < 10 ? deadline - now : 10);
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

void PumpPending() { DispatchQueued(nullptr); }

// ---- the host window ------------------------------------------------------------------------------------

struct THostWindow::TState {
  std::vector<std::pair<WPARAM, LPARAM>> keys;
};

namespace {
constexpr wchar_t kHostClass[] = L"QelvarTestHost";

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* state = reinterpret_cast<THostWindow::TState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_KEYDOWN:
      if (state != nullptr) state->keys.emplace_back(wParam, lParam);
      return 0;
    case WM_SIZE: {
      // Like the host: the plug-in window fills the client area.
      HWND child = GetWindow(hwnd, GW_CHILD);
      if (child != nullptr) MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

THostWindow::THostWindow(int width, int height) : state_(std::make_unique<TState>()) {
  RegisterWindowClass(GetModuleHandleW(nullptr), kHostClass, HostProc, COLOR_WINDOW);
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kHostClass, L"qelvar test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                          r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) {
    std::fprintf(stderr, "harness: cannot create the host window (is there a DISPLAY?)\n");
    std::exit(1);
  }
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state_.get()));
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  PumpPending();
}

THostWindow::~THostWindow() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  PumpPending();
}

const std::vector<std::pair<WPARAM, LPARAM>>& THostWindow::PostedKeys() const { return state_->keys; }
void THostWindow::ClearPostedKeys() { state_->keys.clear(); }

void THostWindow::Resize(int width, int height) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
  PumpPending();
}

// ---- a viewer opened like the host opens one ----------------------------------------------------------

TViewerSession::TViewerSession(const std::wstring& path, int showFlags, int width, int height)
    : host_(width, height) {
  const host::TListerPlugin& plugin = Plugin();
  std::wstring file = path;
  viewer_ = plugin.listLoadW(host_.Handle(), file.data(), showFlags);
  PumpPending();
}

TViewerSession::~TViewerSession() {
  if (Alive()) {
    // A save prompt at this point would block the run: say "No" unless the test answers itself.
    std::unique_ptr<TMessageBoxAnswerer> answerer;
    try {
      answerer = std::make_unique<TMessageBoxAnswerer>(IDNO);
    } catch (...) {
      // another answerer is active; it answers instead
    }
    Close();
    if (Alive()) DestroyWindow(viewer_);
  }
  PumpPending();
}

bool TViewerSession::WaitLoaded(DWORD timeoutMs) {
  return PumpUntil([this] { return Alive() && IsShown(ListView()) && !IsShown(LoadingLabel()); }, timeoutMs);
}

bool TViewerSession::WaitGone(DWORD timeoutMs) {
  return PumpUntil([this] { return !Alive(); }, timeoutMs);
}

bool TViewerSession::Close() {
  if (Alive() && Plugin().listCloseWindow != nullptr) Plugin().listCloseWindow(viewer_);
  PumpPending();
  return !Alive();
}

HWND TViewerSession::Header() const {
  HWND lv = ListView();
  return lv != nullptr ? reinterpret_cast<HWND>(SendMessageW(lv, LVM_GETHEADER, 0, 0)) : nullptr;
}

HWND TViewerSession::Child(int id) const { return Alive() ? GetDlgItem(viewer_, id) : nullptr; }

HWND FilterBox(HWND viewer, int column) {
  for (HWND w = GetWindow(viewer, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    if (GetDlgCtrlID(w) == kFilterEditId && GetWindowLongPtrW(w, GWLP_USERDATA) == column) return w;
  return nullptr;
}

// ---- reading the controls -------------------------------------------------------------------------------

int ItemCount(HWND listView) { return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0)); }

int ColumnCount(HWND listView) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
  return header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::vector<std::wstring> ColumnTitles(HWND listView) {
  std::vector<std::wstring> titles;
  const int count = ColumnCount(listView);
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[1024] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = 1024;
    SendMessageW(listView, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    titles.emplace_back(column.pszText != nullptr ? column.pszText : L"");
  }
  return titles;
}

int ColumnWidth(HWND listView, int column) {
  return static_cast<int>(SendMessageW(listView, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::wstring CellText(HWND listView, int item, int subItem) {
  std::wstring buffer(8192, L'\0');
  LVITEMW lvi{};
  lvi.iSubItem = subItem;
  lvi.pszText = buffer.data();
  lvi.cchTextMax = static_cast<int>(buffer.size());
  const auto n = SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvi));
  // The control may hand back its own pointer instead of filling the buffer.
  if (lvi.pszText != buffer.data() && lvi.pszText != nullptr && lvi.pszText != LPSTR_TEXTCALLBACKW) {
    return std::wstring(lvi.pszText);
  }
  buffer.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return buffer;
}

std::vector<std::wstring> RowTexts(HWND listView, int item) {
  std::vector<std::wstring> row;
  const int count = ColumnCount(listView);
  for (int c = 0; c < count; ++c) row.push_back(CellText(listView, item, c));
  return row;
}

std::vector<int> SelectedItems(HWND listView) {
  std::vector<int> items;
  int i = -1;
  while ((i = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0) {
    items.push_back(i);
    if (items.size() > 1000000) break;
  }
  return items;
}

int FocusedItem(HWND listView) {
  return static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int TopIndex(HWND listView) { return static_cast<int>(SendMessageW(listView, LVM_GETTOPINDEX, 0, 0)); }

int SortArrow(HWND header, int column) {
  RECT item{};
  if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
    return 0;
  const TCapture shot = CaptureWindow(header);
  const auto luminance = [](COLORREF c) { return (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c)) / 10; };
  const int background = luminance(shot.At(item.left + 2, item.top + 2));
  // At 96 DPI the arrow is at most 9 pixels wide, 7 high, centred 8 pixels left of the item's right edge;
  // the titles of the tests end well before, and the item's edge is right of the scanned band.
  std::vector<int> widths;
  for (int y = item.top + 1; y < item.bottom - 2; ++y) {
    int ink = 0;
    for (int x = item.right - 16; x < item.right - 2; ++x) {
      const int difference = luminance(shot.At(x, y)) - background;
      if (difference > 60 || difference < -60) ++ink;
    }
    if (ink > 0) widths.push_back(ink);
  }
  if (widths.empty()) return 0;
  if (widths.size() < 4) return 2;
  if (widths.front() + 3 <= widths.back()) return 1;
  if (widths.back() + 3 <= widths.front()) return -1;
  return 2;
}

std::vector<int> StatusPartEdges(HWND statusBar) {
  const int count = static_cast<int>(SendMessageW(statusBar, SB_GETPARTS, 0, 0));
  std::vector<int> edges(static_cast<std::size_t>(count > 0 ? count : 0));
  if (count > 0) SendMessageW(statusBar, SB_GETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
  return edges;
}

namespace {

struct TFindWindow {
  DWORD processId;
  const wchar_t* className;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<TFindWindow*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid == search->processId && std::wstring_view(name) == search->className) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND TopLevelOf(DWORD processId, const wchar_t* className) {
  TFindWindow search{processId, className};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::wstring> StatusTexts(HWND statusBar) {
  std::vector<std::wstring> texts;
  const int count = static_cast<int>(SendMessageW(statusBar, SB_GETPARTS, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(i), 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    texts.push_back(text);
  }
  return texts;
}

RECT RectIn(HWND window, HWND relativeTo) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool IsShown(HWND window) { return window != nullptr && IsWindowVisible(window) != FALSE; }

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace qelvar::gui
