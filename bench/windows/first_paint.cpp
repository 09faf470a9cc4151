// From ListLoadW to the first painted grid, under Wine, against LoadFromFile of the same file in the same
// process (the document engine alone, no window).
//
//   bench-first-paint [--plugin PATH] [--file PATH] [--megabytes N] [--runs N] [--cancel-after MS]
//
// The table is the first N MB (default 10, cut after a line end) of --file, which bench/first-paint.sh
// points at bench-load's table when it exists; without --file a table of the same kind is generated here.
// It is written to a temporary file. The viewer
// is opened the way the host opens it; the list view is subclassed once it exists, and the first WM_PAINT
// it completes while visible with rows marks the moment the user sees the grid; the status bar's row
// count replacing its "Loading" progress marks the complete load. Targets: the first paint within 150 ms
// for 100 MB and 200 ms for 1,000 MB, the complete load within 1.2 times LoadFromFile.
//
// With --cancel-after, each viewer is closed (ListCloseWindow, as Lister does on Esc) that many ms after
// ListLoadW instead: the time the close takes and whether the process has its threads of before.
//
// Beside it, the first touch of as much fresh memory as a load fills (about 3.2 times the file: the UTF-16
// text, the cells and the rows): a load is mostly that, and under Wine every 4 KB page of it is a page
// fault (no large pages), where a native build gets 2 MB pages.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "document/progressive_load.h"
#include "lister_api.h"
#include "platform/wide.h"
#include "win/files.h"
#include "win/handles.h"
#include "win/threads.h"
#include "bench_support.h"

namespace {

using namespace qelvar::bench;

// Allocating `bytes` and writing one byte per page of it, best of `runs`; negative when it cannot be had.
double FreshMemoryMs(std::size_t bytes, int runs) {
  double best = -1;
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    auto* memory = static_cast<volatile char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (memory == nullptr) return -1;
    for (std::size_t at = 0; at < bytes; at += 4096) memory[at] = 1;
    const double ms = Milliseconds(Clock::now() - start);
    VirtualFree(const_cast<char*>(memory), 0, MEM_RELEASE);
    best = best < 0 ? ms : std::min(best, ms);
  }
  return best;
}

struct TPaintWatch {
  WNDPROC previous = nullptr;
  bool painted = false;
  Clock::time_point at;
  bool shown = false;  // the viewer made the list view visible: the document is loaded
  Clock::time_point shownAt;
  Clock::time_point paintStart;  // entry of the first painting WM_PAINT
};
TPaintWatch g_watch;

LRESULT CALLBACK WatchPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const Clock::time_point entered = Clock::now();
  const LRESULT result = CallWindowProcW(g_watch.previous, hwnd, message, wParam, lParam);
  // The viewer shows the list view in its layout right after the document is loaded.
  if (!g_watch.shown && IsWindowVisible(hwnd)) {
    g_watch.shown = true;
    g_watch.shownAt = Clock::now();
  }
  if (message == WM_PAINT && !g_watch.painted && IsWindowVisible(hwnd) &&
      SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0) > 0) {
    g_watch.painted = true;
    g_watch.at = Clock::now();
    g_watch.paintStart = entered;
  }
  return result;
}

// A viewer closed `afterMs` after ListLoadW: how long ListCloseWindow took, and the threads left over
// the count before the viewer (through `extraThreads`, 100 ms after the close).
double CancelMs(const qelvar::host::TListerPlugin& plugin, HWND host, const std::wstring& path, int afterMs,
                int& extraThreads) {
  const int before = qelvar::ProcessThreadCount();
  std::wstring file = path;
  const Clock::time_point start = Clock::now();
  HWND viewer = plugin.listLoadW(host, file.data(), 0);
  if (viewer == nullptr) return -1;
  while (Clock::now() - start < std::chrono::milliseconds(afterMs)) PumpOnce();
  const Clock::time_point close = Clock::now();
  plugin.listCloseWindow(viewer);
  const double closeMs = Milliseconds(Clock::now() - close);
  const Clock::time_point settle = Clock::now();
  while (Clock::now() - settle < std::chrono::milliseconds(100)) PumpOnce();
  extraThreads = IsWindow(viewer) ? -1 : qelvar::ProcessThreadCount() - before;
  return closeMs;
}

// One viewer from ListLoadW to its first painted grid; negative when it never painted within a minute.
// `completeMs`: to the end of its load (-1 when it did not end within the minute).
double FirstPaintMs(const qelvar::host::TListerPlugin& plugin, HWND host, const std::wstring& path, double& createMs,
                    double& shownMs, double& paintMs, double& completeMs) {
  g_watch = TPaintWatch{};
  std::wstring file = path;
  const Clock::time_point start = Clock::now();
  HWND viewer = plugin.listLoadW(host, file.data(), 0);
  createMs = Milliseconds(Clock::now() - start);
  if (viewer == nullptr) return -1;
  HWND list = GetDlgItem(viewer, 1001);
  if (list != nullptr) {
    g_watch.previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchPaint));
  }
  const Clock::time_point deadline = start + std::chrono::seconds(60);
  MSG msg;
  while (!g_watch.painted && Clock::now() < deadline && IsWindow(viewer)) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (g_watch.painted) break;
    }
    if (!g_watch.painted) MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  completeMs = -1;
  while (g_watch.painted && Clock::now() < deadline && IsWindow(viewer)) {
    if (!StillLoading(viewer)) {
      completeMs = Milliseconds(Clock::now() - start);
      break;
    }
    PumpOnce();
  }
  const double result = g_watch.painted ? Milliseconds(g_watch.at - start) : -1;
  shownMs = g_watch.shown ? Milliseconds(g_watch.shownAt - start) : -1;
  paintMs = g_watch.painted ? Milliseconds(g_watch.at - g_watch.paintStart) : -1;
  // Put the original procedure back before the viewer goes, then close it as the host does.
  if (list != nullptr && IsWindow(list)) SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_watch.previous));
  if (IsWindow(viewer) && plugin.listCloseWindow != nullptr) plugin.listCloseWindow(viewer);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring pluginPath = ExecutableFolder() + (sizeof(void*) == 8 ? L"\\..\\..\\qelvar.wlx64" : L"\\..\\..\\qelvar.wlx");
  std::size_t megabytes = 10;
  std::wstring source;
  int runs = 3;
  int cancelAfter = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    if (option == L"--plugin") pluginPath = argv[i + 1];
    else if (option == L"--file") source = argv[i + 1];
    else if (option == L"--megabytes") megabytes = static_cast<std::size_t>(std::max(1, _wtoi(argv[i + 1])));
    else if (option == L"--runs") runs = std::max(1, _wtoi(argv[i + 1]));
    else if (option == L"--cancel-after") cancelAfter = std::max(0, _wtoi(argv[i + 1]));
  }

  qelvar::host::TListerPlugin plugin;
  if (!plugin.Load(pluginPath)) {
    std::fprintf(stderr, "bench-first-paint: cannot load the plug-in\n");
    return 1;
  }
  wchar_t tempBase[MAX_PATH];
  GetTempPathW(MAX_PATH, tempBase);
  const std::wstring folder = std::wstring(tempBase) + L"qelvar-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring csv = folder + L"\\load.csv";
  const std::wstring ini = folder + L"\\lsplugin.ini";
  // The settings as shipped (no size limit).
  qelvar::WriteFileBytes(ini, "[qelvar]\r\n");
  qelvar::host::SetPluginIni(plugin, ini);
  const std::string table = source.empty() ? GenerateTable(megabytes * 1000 * 1000)
                                           : ReadPrefix(source, megabytes * 1000 * 1000);
  if (table.empty()) {
    std::fprintf(stderr, "bench-first-paint: cannot read the table\n");
    return 1;
  }
  if (!qelvar::WriteFileBytes(csv, table)) {
    std::fprintf(stderr, "bench-first-paint: cannot write %s\n", "the table");
    return 1;
  }

  // The document engine alone, with the viewer's settings (no limit, detect everything, trimmed values,
  // 1000 sampled rows); best of the runs.
  double loadMs = 1e30;
  std::int32_t rows = 0;
  for (int run = 0; run < runs; ++run) {
    std::unique_ptr<qelvar::TCsvDocument> document;
    const Clock::time_point start = Clock::now();
    const bool ok = qelvar::LoadFromFile(qelvar::FromWide(csv), 0, u'\0', 0, document, true, 1000);
    loadMs = std::min(loadMs, Milliseconds(Clock::now() - start));
    if (!ok || !document) {
      std::fprintf(stderr, "bench-first-paint: LoadFromFile failed\n");
      return 1;
    }
    rows = document->RowCount();
  }
  // The viewer's loader alone, its batches appended on this one thread: what the load in blocks costs
  // before the viewer's thread, list view and status bar take their share.
  double blocksMs = 1e30;
  for (int run = 0; run < runs; ++run) {
    std::unique_ptr<qelvar::TCsvDocument> document;
    qelvar::TProgressiveOptions options;
    options.StartBytes = std::size_t{256} << 10;
    const Clock::time_point start = Clock::now();
    const bool ok = qelvar::LoadFromFileInBlocks(qelvar::FromWide(csv), 0, u'\0', 0, u"", document, true, 1000, options);
    blocksMs = std::min(blocksMs, Milliseconds(Clock::now() - start));
    if (!ok || !document) {
      std::fprintf(stderr, "bench-first-paint: LoadFromFileInBlocks failed\n");
      return 1;
    }
  }

  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  constexpr wchar_t kHostClass[] = L"QelvarBenchHost";
  qelvar::RegisterWindowClass(GetModuleHandleW(nullptr), kHostClass, HostProc, COLOR_WINDOW);
  HWND host = CreateWindowExW(0, kHostClass, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1200, 800,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (host == nullptr) {
    std::fprintf(stderr, "bench-first-paint: no window (is there a display?)\n");
    return 1;
  }
  ShowWindow(host, SW_SHOWNORMAL);
  UpdateWindow(host);

  if (cancelAfter >= 0) {
    for (int run = 0; run < runs; ++run) {
      int extra = 0;
      const double ms = CancelMs(plugin, host, csv, cancelAfter, extra);
      std::printf("run %d: closed %d ms after ListLoadW: ListCloseWindow took %6.1f ms, threads left over: %d\n",
                  run + 1, cancelAfter, ms, extra);
    }
    DestroyWindow(host);
    DeleteFileW(csv.c_str());
    DeleteFileW(ini.c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
  }

  std::vector<double> paints;
  std::vector<double> completes;
  double completeMs = 0;
  double createMs = 0;
  double shownMs = 0;
  double paintMs = 0;
  double worstCreateMs = 0;
  for (int run = 0; run < runs; ++run) {
    const double ms = FirstPaintMs(plugin, host, csv, createMs, shownMs, paintMs, completeMs);
    worstCreateMs = std::max(worstCreateMs, createMs);
    if (ms < 0) {
      std::fprintf(stderr, "bench-first-paint: the grid was not painted within a minute\n");
      return 1;
    }
    paints.push_back(ms);
    completes.push_back(completeMs);
    std::printf("run %d: ListLoadW returned %6.1f ms, grid shown %7.1f ms, first paint done %7.1f ms (painting %5.1f ms), "
                "load complete %8.1f ms\n",
                run + 1, createMs, shownMs, ms, paintMs, completeMs);
  }
  DestroyWindow(host);
  DeleteFileW(csv.c_str());
  DeleteFileW(ini.c_str());
  RemoveDirectoryW(folder.c_str());

  std::sort(paints.begin(), paints.end());
  const double best = paints.front();
  const double median = paints[paints.size() / 2];
  std::sort(completes.begin(), completes.end());
  const double completeMedian = completes[completes.size() / 2];
  const double target = table.size() > 500'000'000 ? 200 : 150;
  const std::size_t fresh = table.size() / 10 * 32;
  const double freshMs = FreshMemoryMs(fresh, runs);
  std::printf("file: %s, %.1f MB, %d rows\n", source.empty() ? "generated" : "first part of --file", static_cast<double>(table.size()) / 1e6, rows);
  std::printf("LoadFromFile (same process, best of %d): %8.1f ms\n", runs, loadMs);
  std::printf("in blocks, one thread (best of %d):      %8.1f ms = %.2f x LoadFromFile\n", runs, blocksMs, blocksMs / loadMs);
  std::printf("ListLoadW returned after (worst):        %8.1f ms\n", worstCreateMs);
  std::printf("first painted grid: best %8.1f ms, median %8.1f ms\n", best, median);
  std::printf("first touch of %6.1f MB of fresh memory: %8.1f ms (what a load of this file fills)\n",
              static_cast<double>(fresh) / 1e6, freshMs);
  std::printf("first paint target:                      %8.1f ms  -> %s\n", target, median <= target ? "met" : "MISSED");
  std::printf("complete load: median %8.1f ms = %.2f x LoadFromFile (target 1.2) -> %s\n", completeMedian,
              completeMedian / loadMs, completeMedian >= 0 && completeMedian <= 1.2 * loadMs ? "met" : "MISSED");
  return 0;
}
