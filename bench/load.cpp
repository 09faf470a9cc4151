// bench-load: how fast a large CSV file loads, against the floor of reading it and against reading and
// decoding it (DecodeText), which every load must do: the document holds the whole file as UTF-16.
//
// The benchmark table (bench_table.h, 100 MB by default) is generated once and cached.
// Each measurement runs in a fresh child process (this program again), so that its peak resident memory is
// its own. Peers found on the machine (Python's csv module, pandas, Miller, DuckDB) are measured the same way.
//
// Usage: bench-load [--megabytes N] [FILE]   (default /tmp/qelvar-bench/load-100mb.csv, generated when
//                                              missing; N other than 100 makes and keeps load-Nmb.csv)
//        bench-load --scale                   (LoadFromFile alone on 125, 250, 500 and 1000 MB tables, to see
//                                              time and memory grow linearly; the tables are removed after)
// DuckDB is the npm package @duckdb/node-api run through node, looked up in QELVAR_BENCH_PEERS (default
// build/bench-peers beside the build folder); install it there with
//   npm install --prefix build/bench-peers @duckdb/node-api
//
// Targets: LoadFromFile within 1.5x "read + DecodeText" (wall clock, best run), peak memory at most 3x the
// file.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "document/progressive_load.h"
#include "bench_table.h"
#include "duckdb_peer.h"
#include "platform/platform.h"
#include "platform/utf.h"

extern char** environ;

namespace {

constexpr int kRepeats = 3;

// ---- the child measurements -------------------------------------------------------------------------

int ChildFloor(const char* path) {
  std::string bytes;
  std::int64_t size = 0;
  if (qelvar::platform::ReadWholeFile(qelvar::Utf8ToUtf16(path), 0, bytes, size) != qelvar::platform::ReadResult::Ok)
    return 1;
  std::size_t lines = 0;
  for (const char* p = bytes.data(); (p = static_cast<const char*>(std::memchr(p, '\n', bytes.data() + bytes.size() - p)));
       ++p)
    ++lines;
  std::printf("%zu\n", lines);
  return 0;
}

// Reading plus decoding alone: the decoder should cost little next to reading the file.
int ChildDecode(const char* path) {
  std::string bytes;
  std::int64_t size = 0;
  if (qelvar::platform::ReadWholeFile(qelvar::Utf8ToUtf16(path), 0, bytes, size) != qelvar::platform::ReadResult::Ok)
    return 1;
  std::u16string text;
  qelvar::TCsvEncodingInfo info;
  qelvar::DecodeText(bytes, u"", text, info);
  std::printf("%zu characters, %s\n", text.size(), qelvar::Utf16ToUtf8(info.Name).c_str());
  return 0;
}

int ChildLoad(const char* path) {
  std::unique_ptr<qelvar::TCsvDocument> doc;
  if (!qelvar::LoadFromFile(qelvar::Utf8ToUtf16(path), 0, 0, qelvar::kCommentsParsed, doc, true,
                            qelvar::kDefaultSampleRows))
    return 1;
  std::printf("%d rows, %d columns\n", doc->RowCount(), doc->ColumnCount());
  return 0;
}

// The viewer's load of a large file: its start (1 MB), then 4 MB blocks cut and appended.
int ChildBlocks(const char* path) {
  std::unique_ptr<qelvar::TCsvDocument> doc;
  qelvar::TProgressiveOptions options;
  options.StartBytes = std::size_t{1} << 20;
  if (!qelvar::LoadFromFileInBlocks(qelvar::Utf8ToUtf16(path), 0, 0, qelvar::kCommentsParsed, u"", doc, true,
                                    qelvar::kDefaultSampleRows, options))
    return 1;
  std::printf("%d rows, %d columns\n", doc->RowCount(), doc->ColumnCount());
  return 0;
}

// ---- running and measuring a child --------------------------------------------------------------------

struct Measure {
  bool ok = false;
  double seconds = 0;     // wall clock, best run
  double median = 0;      // wall clock, median run
  double cpuSeconds = 0;  // user + system time of the child, best run (steadier on a busy machine)
  double peakBytes = 0;
  std::string output;
};

Measure Run(const std::vector<std::string>& argv, int repeats = kRepeats) {
  Measure best;
  std::vector<double> walls;
  for (int k = 0; k < repeats; ++k) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return best;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;) output.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    if (spawned != 0) return best;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return best;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    walls.push_back(seconds);
    std::sort(walls.begin(), walls.end());
    best.seconds = walls.front();
    best.median = walls[walls.size() / 2];
    if (!best.ok || cpu < best.cpuSeconds) best.cpuSeconds = cpu;
    best.peakBytes = std::max(best.peakBytes, static_cast<double>(usage.ru_maxrss) * 1024.0);
    best.output = output;
    best.ok = true;
  }
  return best;
}

bool OnPath(const char* program) {
  const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

void Print(const char* name, const Measure& m, double fileBytes, const Measure& floor) {
  if (!m.ok) {
    std::printf("%-28s failed\n", name);
    return;
  }
  std::printf("%-26s %7.3f s (median %7.3f) %7.1f MB/s %6.2fx floor | cpu %6.3f s %6.2fx floor | peak RSS %6.1f MB "
              "= %4.2fx file\n",
              name, m.seconds, m.median, fileBytes / 1e6 / m.seconds, m.seconds / floor.seconds, m.cpuSeconds,
              m.cpuSeconds / floor.cpuSeconds, m.peakBytes / 1e6, m.peakBytes / fileBytes);
}

// DuckDB reading the table into an in-memory table with two threads (the machine's cores), types detected.
const char* const kDuckDbLoad =
    "const {DuckDBInstance} = require('@duckdb/node-api');\n"
    "(async () => {\n"
    "  const db = await DuckDBInstance.create(':memory:', {threads: '2'});\n"
    "  const c = await db.connect();\n"
    "  await c.run(\"CREATE TABLE t AS SELECT * FROM read_csv('\" + process.argv[process.argv.length - 1].replace(/'/g, \"''\") + \"')\");\n"
    "  console.log(String((await c.runAndReadAll('SELECT count(*) FROM t')).getRows()[0][0]));\n"
    "})().catch(e => { console.error(String(e)); process.exit(1); });\n";

// LoadFromFile alone over growing tables: time and peak memory per byte should stay flat.
int RunScale(const std::string& self) {
  std::printf("%10s %10s %10s %12s %12s %14s\n", "MB", "best s", "median s", "ns/byte", "peak MB", "peak/file");
  for (const std::size_t megabytes : {125u, 250u, 500u, 1000u}) {
    const std::string path = bench::TablePath(megabytes);
    const bool made = ::access(path.c_str(), F_OK) != 0;
    if (!bench::EnsureTable(path, megabytes)) return 1;
    const double bytes = bench::FileBytes(path);
    const Measure load = Run({self, "--load", path});
    if (made) std::remove(path.c_str());
    if (!load.ok) {
      std::fprintf(stderr, "bench-load: the load of %s failed\n", path.c_str());
      return 1;
    }
    std::printf("%10.0f %10.3f %10.3f %12.2f %12.1f %13.2fx\n", bytes / 1e6, load.seconds, load.median,
                load.seconds * 1e9 / bytes, load.peakBytes / 1e6, load.peakBytes / bytes);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) return ChildFloor(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return ChildLoad(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) return ChildDecode(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--blocks") == 0) return ChildBlocks(argv[2]);
  const std::string self = argv[0];
  if (argc == 2 && std::strcmp(argv[1], "--scale") == 0) return RunScale(self);
  std::size_t megabytes = 100;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--megabytes") == 0 && i + 1 < argc) {
      megabytes = static_cast<std::size_t>(std::max(1L, std::strtol(argv[++i], nullptr, 10)));
    } else {
      path = argv[i];
    }
  }
  if (path.empty()) {
    path = bench::TablePath(megabytes);
    if (!bench::EnsureTable(path, megabytes)) return 1;
  } else if (::access(path.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "bench-load: no file %s\n", path.c_str());
    return 1;
  }
  const double fileBytes = bench::FileBytes(path);
  std::printf("file %s: %.1f MB\n", path.c_str(), fileBytes / 1e6);

  constexpr int kOwnRepeats = 5;
  const Measure floor = Run({self, "--floor", path}, kOwnRepeats);
  const Measure decode = Run({self, "--decode", path}, kOwnRepeats);
  const Measure load = Run({self, "--load", path}, kOwnRepeats);
  const Measure blocks = Run({self, "--blocks", path}, kOwnRepeats);
  if (!floor.ok || !decode.ok || !load.ok || !blocks.ok) {
    std::fprintf(stderr, "bench-load: a measurement failed\n");
    return 1;
  }
  std::printf("floor: %s", floor.output.c_str());
  std::printf("load:  %s", load.output.c_str());
  std::printf("best of %d runs each (peers %d)\n", kOwnRepeats, kRepeats);
  Print("floor (read + count LF)", floor, fileBytes, floor);
  Print("read + DecodeText", decode, fileBytes, floor);
  Print("qelvar LoadFromFile", load, fileBytes, floor);
  Print("qelvar in blocks (viewer)", blocks, fileBytes, floor);
  const double ratio = load.seconds / decode.seconds;
  const double medianRatio = load.median / decode.median;
  const double cpuRatio = load.cpuSeconds / decode.cpuSeconds;
  const double memory = load.peakBytes / fileBytes;
  std::printf("targets: within 1.5x read + DecodeText (%s: %.2fx best wall clock, %.2fx median, %.2fx cpu), "
              "peak memory at most 3x the file (%s: %.2fx)\n",
              ratio <= 1.5 ? "met" : "MISSED", ratio, medianRatio, cpuRatio, memory <= 3 ? "met" : "MISSED", memory);
  const double blocksMemory = blocks.peakBytes / fileBytes;
  std::printf("the viewer's load in blocks: %.2fx LoadFromFile's time, peak memory %.2fx the file (target 2.5x: %s)\n",
              blocks.seconds / load.seconds, blocksMemory, blocksMemory <= 2.5 ? "met" : "MISSED");

  // Peers, when installed.
  if (OnPath("python3")) {
    Print("python3 csv.reader",
          Run({"python3", "-c",
               "import csv,sys\nn=0\nfor r in csv.reader(open(sys.argv[1],newline='',encoding='utf-8')): n+=1\n"
               "print(n)",
               path}),
          fileBytes, floor);
    if (std::system("python3 -c 'import pandas' >/dev/null 2>&1") == 0)
      Print("pandas read_csv",
            Run({"python3", "-c", "import pandas,sys\nprint(len(pandas.read_csv(sys.argv[1])))", path}), fileBytes,
            floor);
    else
      std::printf("%-28s not installed\n", "pandas read_csv");
  }
  if (OnPath("mlr"))
    Print("Miller (mlr --icsv cat)", Run({"mlr", "--icsv", "--ojson", "tail", "-n", "1", path}), fileBytes,
          floor);
  else
    std::printf("%-28s not installed\n", "Miller");
  if (const std::string modules = bench::DuckDbModules(argv[0]); !modules.empty()) {
    ::setenv("NODE_PATH", modules.c_str(), 1);
    Print("DuckDB read_csv (2 threads)", Run({"node", "-e", kDuckDbLoad, path}), fileBytes, floor);
  } else {
    std::printf("%-28s %s\n", "DuckDB", bench::DuckDbMissing());
  }
  return 0;
}
