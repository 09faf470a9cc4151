// A writer appending to a large file while the viewer shows it, under Wine: how soon each new row is in
// the grid, what the viewer costs meanwhile, and whether it read only the new rows.
//
//   bench-follow [--plugin PATH] [--file PATH] [--megabytes N] [--seconds S] [--rows-per-second R]
//                [--setting KEY=VALUE]
//
// The table is the first N MB (default 100) of --file, or one generated as bench-first-paint makes it. The
// viewer opens it as the host does and loads it completely; then a writer thread appends R rows a second
// (default 10,000, in ten writes a second) for S seconds (default 10). For each write, the time until the
// grid lists its rows; the process's processor time over the run less the writer's, as a share of one
// core; and whether a full reload happened (it builds new filter boxes, so the first box would be a new
// window). Targets: every write in the grid within 500 ms, at most 10% of one core, no full reload.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "lister_api.h"
#include "platform/utf.h"
#include "platform/wide.h"
#include "viewer/commands.h"
#include "win/files.h"
#include "win/handles.h"

namespace {

using namespace qelvar::bench;

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// User and kernel time in 100 ns units.
std::uint64_t ProcessCpu() {
  FILETIME created{}, exited{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return Ticks(kernel) + Ticks(user);
}

std::uint64_t ThreadCpu(HANDLE thread) {
  FILETIME created{}, exited{}, kernel{}, user{};
  GetThreadTimes(thread, &created, &exited, &kernel, &user);
  return Ticks(kernel) + Ticks(user);
}

struct TWrite {
  Clock::time_point at;
  int rowsAfter = 0;  // data rows in the file after this write
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring pluginPath = ExecutableFolder() + (sizeof(void*) == 8 ? L"\\..\\..\\qelvar.wlx64" : L"\\..\\..\\qelvar.wlx");
  std::size_t megabytes = 100;
  std::wstring source;
  int seconds = 10;
  int rowsPerSecond = 10000;
  std::string setting;  // one more line of the settings (--setting key=value), e.g. to compare with auto-reload=0
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    if (option == L"--plugin") pluginPath = argv[i + 1];
    else if (option == L"--file") source = argv[i + 1];
    else if (option == L"--megabytes") megabytes = static_cast<std::size_t>(std::max(1, _wtoi(argv[i + 1])));
    else if (option == L"--seconds") seconds = std::max(1, _wtoi(argv[i + 1]));
    else if (option == L"--rows-per-second") rowsPerSecond = std::max(10, _wtoi(argv[i + 1]));
    else if (option == L"--setting") setting = qelvar::Utf16ToUtf8(qelvar::FromWide(argv[i + 1]));
  }

  qelvar::host::TListerPlugin plugin;
  if (!plugin.Load(pluginPath)) {
    std::fprintf(stderr, "bench-follow: cannot load the plug-in\n");
    return 1;
  }
  wchar_t tempBase[MAX_PATH];
  GetTempPathW(MAX_PATH, tempBase);
  const std::wstring folder = std::wstring(tempBase) + L"qelvar-follow-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring csv = folder + L"\\grows.csv";
  const std::wstring ini = folder + L"\\lsplugin.ini";
  qelvar::WriteFileBytes(ini, "[qelvar]\r\n" + setting + "\r\n");
  qelvar::host::SetPluginIni(plugin, ini);
  const std::string table = source.empty() ? GenerateTable(megabytes * 1000 * 1000) : ReadPrefix(source, megabytes * 1000 * 1000);
  if (table.empty() || !qelvar::WriteFileBytes(csv, table)) {
    std::fprintf(stderr, "bench-follow: cannot write the table\n");
    return 1;
  }
  const int startRows = static_cast<int>(std::count(table.begin(), table.end(), '\n')) - 1;

  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  constexpr wchar_t kHostClass[] = L"QelvarFollowHost";
  qelvar::RegisterWindowClass(GetModuleHandleW(nullptr), kHostClass, HostProc, COLOR_WINDOW);
  HWND host = CreateWindowExW(0, kHostClass, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1200, 800,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (host == nullptr) {
    std::fprintf(stderr, "bench-follow: no window (is there a display?)\n");
    return 1;
  }
  ShowWindow(host, SW_SHOWNORMAL);
  std::wstring file = csv;
  HWND viewer = plugin.listLoadW(host, file.data(), 0);
  const Clock::time_point opened = Clock::now();
  while (viewer != nullptr && IsWindow(viewer) && (StillLoading(viewer) || Clock::now() - opened < std::chrono::seconds(1)) &&
         Clock::now() - opened < std::chrono::seconds(120))
    PumpOnce();
  const HWND list = viewer ? GetDlgItem(viewer, qelvar::kListViewId) : nullptr;
  const auto listed = [&] { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); };
  if (list == nullptr || listed() != startRows) {
    std::fprintf(stderr, "bench-follow: the table did not load (%d of %d rows)\n", list ? listed() : -1, startRows);
    return 1;
  }
  // A full reload makes new filter boxes: the first one as it is now must outlive the run.
  const HWND firstBox = GetDlgItem(viewer, qelvar::kFilterEditId);

  const int writesPerSecond = 10;
  const int rowsPerWrite = rowsPerSecond / writesPerSecond;
  const int writes = seconds * writesPerSecond;
  std::vector<TWrite> done(static_cast<std::size_t>(writes));
  std::atomic<int> written{0};
  std::uint64_t writerCpu = 0;
  const std::uint64_t cpuBefore = ProcessCpu();
  const Clock::time_point runStart = Clock::now();
  std::thread writer([&] {
    const qelvar::THandle out(CreateFileW(csv.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string rows;
    int id = startRows;
    for (int w = 0; w < writes && out; ++w) {
      std::this_thread::sleep_until(runStart + std::chrono::milliseconds(1000 / writesPerSecond) * w);
      rows.clear();
      for (int r = 0; r < rowsPerWrite; ++r) {
        const std::string number = std::to_string(++id);
        rows += number + ",appended " + number + ",Oslo,1.00,1,2024-01-01,\r\n";
      }
      qelvar::WriteAll(out.Get(), rows);
      done[static_cast<std::size_t>(w)] = TWrite{Clock::now(), id};
      written.store(w + 1);
    }
    writerCpu = ThreadCpu(GetCurrentThread());
  });

  // Each write's latency: from its end to the first moment the grid lists its last row.
  std::vector<double> latencies;
  int next = 0;
  const Clock::time_point deadline = runStart + std::chrono::seconds(seconds + 5);
  while (next < writes && Clock::now() < deadline) {
    PumpOnce(2);
    const int count = listed();
    while (next < written.load() && count >= done[static_cast<std::size_t>(next)].rowsAfter) {
      latencies.push_back(Milliseconds(Clock::now() - done[static_cast<std::size_t>(next)].at));
      ++next;
    }
  }
  writer.join();
  const double wall = Milliseconds(Clock::now() - runStart);
  const double cpu = static_cast<double>(ProcessCpu() - cpuBefore - writerCpu) / 1e4;  // ms
  const bool reloaded = firstBox == nullptr || !IsWindow(firstBox);

  plugin.listCloseWindow(viewer);
  DestroyWindow(host);
  DeleteFileW(csv.c_str());
  DeleteFileW(ini.c_str());
  RemoveDirectoryW(folder.c_str());

  if (latencies.empty()) {
    std::printf("no write reached the grid; processor time of the viewer's thread and the pump: %.0f ms of %.0f ms = %.1f%%\n",
                cpu, wall, 100 * cpu / wall);
    return 1;
  }
  std::vector<double> sorted = latencies;
  std::sort(sorted.begin(), sorted.end());
  double sum = 0;
  for (const double ms : latencies) sum += ms;
  std::printf("file: %.1f MB, %d rows; %d writes of %d rows (%d rows/s) over %d s\n", static_cast<double>(table.size()) / 1e6,
              startRows, writes, rowsPerWrite, rowsPerSecond, seconds);
  std::printf("writes in the grid: %zu of %d\n", latencies.size(), writes);
  std::printf("latency: median %6.1f ms, mean %6.1f ms, worst %6.1f ms (target 500) -> %s\n", sorted[sorted.size() / 2],
              sum / static_cast<double>(latencies.size()), sorted.back(),
              static_cast<int>(latencies.size()) == writes && sorted.back() <= 500 ? "met" : "MISSED");
  std::printf("viewer's processor time: %.0f ms of %.0f ms = %.1f%% of one core (target 10%%) -> %s\n", cpu, wall,
              100 * cpu / wall, cpu <= 0.1 * wall ? "met" : "MISSED");
  std::printf("full reloads: %s -> %s\n", reloaded ? "at least one" : "none", reloaded ? "MISSED" : "met");
  return 0;
}
