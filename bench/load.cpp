// bench-load: how fast a large CSV file loads, against the floor of reading it and counting its lines.
//
// A seeded 100 MB UTF-8 file (about 1.5 million rows by 8 columns, CR LF, numbers, dates, non-ASCII
// names, quoted fields with commas, doubled quotes and line breaks) is generated once and cached. Each
// measurement runs in a fresh child process (this program again), so that its peak resident memory is its
// own. Peers found on the machine (Python's csv module, pandas, Miller) are measured the same way.
//
// Usage: bench-load [FILE]   (default /tmp/qelvar-bench/load-100mb.csv, generated when missing)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "document/csv_model.h"
#include "platform/platform.h"
#include "platform/utf.h"

extern char** environ;

namespace {

constexpr std::size_t kTargetBytes = 100u * 1000u * 1000u;
constexpr int kRepeats = 3;

const char* const kFirst[] = {"Anna", "Zoë", "Jürgen", "Øyvind", "Łukasz", "José", "Mia", "Noah", "Émile", "Ольга",
                              "Søren", "Chloé", "Björn", "Ana", "Ömer", "Kai", "Lena", "Tomás", "Ida", "Yuki"};
const char* const kLast[] = {"Müller", "Smith", "García", "Nowak", "Østergaard", "Dubois", "Rossi", "Kovač",
                             "Іваненко", "Lindqvist", "Yılmaz", "O'Brien", "Nakamura", "Fernández", "Weiß"};
const char* const kCities[] = {"Wien", "Zürich", "Kraków", "São Paulo", "Reykjavík", "Malmö", "Köln", "Oslo",
                               "Lyon", "Porto", "Gdańsk", "Tromsø"};

void Generate(const std::string& path) {
  std::mt19937_64 rng(20240611);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  std::string out;
  out.reserve(kTargetBytes + 4096);
  out += "id,date,name,city,amount,quantity,note,code\r\n";
  char buf[256];
  for (std::uint64_t id = 1; out.size() < kTargetBytes; ++id) {
    const int n = std::snprintf(buf, sizeof buf, "%llu,20%02zu-%02zu-%02zu,%s %s,%s,%zu.%02zu,%zu,",
                                static_cast<unsigned long long>(id), 10 + pick(15), 1 + pick(12), 1 + pick(28),
                                kFirst[pick(20)], kLast[pick(15)], kCities[pick(12)], pick(100000), pick(100),
                                pick(1000));
    out.append(buf, static_cast<std::size_t>(n));
    switch (pick(20)) {
      case 0: out += "\"late, but complete\""; break;
      case 1: out += "\"said \"\"fine\"\" twice\""; break;
      case 2: out += "\"first line\r\nsecond line\""; break;
      case 3: out += "ok"; break;
      default: break;
    }
    const int m = std::snprintf(buf, sizeof buf, ",X%06zu\r\n", pick(1000000));
    out.append(buf, static_cast<std::size_t>(m));
  }
  const std::string folder = path.substr(0, path.find_last_of('/'));
  ::mkdir(folder.c_str(), 0755);
  const std::string temp = path + ".part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0 ||
      std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "bench-load: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

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

// ---- running and measuring a child --------------------------------------------------------------------

struct Measure {
  bool ok = false;
  double seconds = 0;     // wall clock, best run
  double cpuSeconds = 0;  // user + system time of the child, best run (steadier on a busy machine)
  double peakBytes = 0;
  std::string output;
};

Measure Run(const std::vector<std::string>& argv) {
  Measure best;
  for (int k = 0; k < kRepeats; ++k) {
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
    if (!best.ok || seconds < best.seconds) best.seconds = seconds;
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
  std::printf("%-26s %7.3f s %7.1f MB/s %6.2fx floor | cpu %6.3f s %6.2fx floor | peak RSS %6.1f MB = %4.2fx file\n",
              name, m.seconds, fileBytes / 1e6 / m.seconds, m.seconds / floor.seconds, m.cpuSeconds,
              m.cpuSeconds / floor.cpuSeconds, m.peakBytes / 1e6, m.peakBytes / fileBytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) return ChildFloor(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return ChildLoad(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) return ChildDecode(argv[2]);
  const std::string path = argc > 1 ? argv[1] : "/tmp/qelvar-bench/load-100mb.csv";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    std::printf("generating %s ...\n", path.c_str());
    Generate(path);
    ::stat(path.c_str(), &st);
  }
  const auto fileBytes = static_cast<double>(st.st_size);
  std::printf("file %s: %.1f MB\n", path.c_str(), fileBytes / 1e6);

  const std::string self = argv[0];
  const Measure floor = Run({self, "--floor", path});
  const Measure decode = Run({self, "--decode", path});
  const Measure load = Run({self, "--load", path});
  if (!floor.ok || !decode.ok || !load.ok) {
    std::fprintf(stderr, "bench-load: a measurement failed\n");
    return 1;
  }
  std::printf("floor: %s", floor.output.c_str());
  std::printf("load:  %s", load.output.c_str());
  std::printf("best of %d runs each\n", kRepeats);
  Print("floor (read + count LF)", floor, fileBytes, floor);
  Print("read + DecodeText", decode, fileBytes, floor);
  Print("qelvar LoadFromFile", load, fileBytes, floor);
  const double ratio = load.seconds / floor.seconds;
  const double cpuRatio = load.cpuSeconds / floor.cpuSeconds;
  const double memory = load.peakBytes / fileBytes;
  std::printf("targets: within 3x the floor (%s: %.2fx wall clock, %.2fx cpu), peak memory at most 4x the file "
              "(%s: %.2fx)\n",
              ratio <= 3 ? "met" : "MISSED", ratio, cpuRatio, memory <= 4 ? "met" : "MISSED", memory);

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
  return 0;
}
