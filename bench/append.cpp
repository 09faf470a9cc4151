// bench-append: what following a growing file costs next to loading it: rows appended to the 100 MB
// benchmark table are read into its loaded document (TCsvAppendReader) instead of loading it again.
//
// Measured in this process, best of three: LoadFromFile of the table; then on a copy of it, loaded and
// followed, one append of 1 MB of rows like the table's and its ReadAppended; then ten appends of 10,000
// rows each, one ReadAppended after each.
//
// Usage: bench-append [--megabytes N]   (the table of bench-load, /tmp/qelvar-bench/load-Nmb.csv, made when
//                                        missing; the copy that grows is removed afterwards)
//
// Target: reading 1 MB appended to the 100 MB table costs at most 5% of loading the table.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_table.h"
#include "document/append_read.h"
#include "document/csv_document.h"
#include "platform/utf.h"

namespace {

constexpr int kRepeats = 3;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool AppendToFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// Rows like the table's, numbered after its own, to about `bytes` bytes; `count` receives how many.
std::string MoreRows(bench::TTableRows& rows, std::size_t bytes, std::size_t& count) {
  std::string out;
  count = 0;
  while (out.size() < bytes) {
    rows.Append(out);
    ++count;
  }
  return out;
}

std::string Rows(bench::TTableRows& rows, std::size_t count) {
  std::string out;
  for (std::size_t k = 0; k < count; ++k) rows.Append(out);
  return out;
}

std::unique_ptr<qelvar::TCsvDocument> Load(const std::string& path) {
  std::unique_ptr<qelvar::TCsvDocument> doc;
  if (!qelvar::LoadFromFile(qelvar::Utf8ToUtf16(path), 0, 0, qelvar::kCommentsParsed, doc, true,
                            qelvar::kDefaultSampleRows))
    doc.reset();
  return doc;
}

void Fail(const char* what) {
  std::fprintf(stderr, "bench-append: %s\n", what);
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = 100;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--megabytes") == 0 && i + 1 < argc) {
      megabytes = static_cast<std::size_t>(std::max(1L, std::strtol(argv[++i], nullptr, 10)));
    } else {
      std::fprintf(stderr, "usage: bench-append [--megabytes N]\n");
      return 2;
    }
  }
  const std::string table = bench::TablePath(megabytes);
  if (!bench::EnsureTable(table, megabytes)) return 1;
  const double tableBytes = bench::FileBytes(table);
  const std::string work = "/tmp/qelvar-bench/append-work.csv";
  std::printf("file %s: %.1f MB\n", table.c_str(), tableBytes / 1e6);

  // The load that following saves.
  std::vector<double> loads;
  std::int32_t tableRows = 0;
  for (int k = 0; k < kRepeats; ++k) {
    const auto start = Clock::now();
    auto doc = Load(table);
    loads.push_back(Since(start));
    if (!doc) Fail("the table does not load");
    tableRows = doc->RowCount();
  }
  std::sort(loads.begin(), loads.end());
  std::printf("LoadFromFile: %d rows, best %.3f s, median %.3f s\n", tableRows, loads.front(), loads[loads.size() / 2]);

  // One megabyte appended to a loaded, followed copy.
  std::vector<double> begins, appends;
  std::size_t appendedRows = 0, appendedBytes = 0;
  for (int k = 0; k < kRepeats; ++k) {
    std::filesystem::copy_file(table, work, std::filesystem::copy_options::overwrite_existing);
    auto doc = Load(work);
    if (!doc) Fail("the copy does not load");
    qelvar::TCsvAppendReader reader;
    auto start = Clock::now();
    if (!reader.Begin(qelvar::Utf8ToUtf16(work), *doc, qelvar::kCommentsParsed)) Fail("Begin refused the copy");
    begins.push_back(Since(start));
    bench::TTableRows more(20260101 + static_cast<std::uint64_t>(k), 100000000);
    const std::string bytes = MoreRows(more, std::size_t{1} << 20, appendedRows);
    appendedBytes = bytes.size();
    if (!AppendToFile(work, bytes)) Fail("cannot append to the copy");
    start = Clock::now();
    const std::int64_t got = reader.ReadAppended(*doc);
    appends.push_back(Since(start));
    if (got != static_cast<std::int64_t>(appendedRows) || doc->RowCount() != tableRows + got)
      Fail("ReadAppended did not append the rows written");
  }
  std::sort(begins.begin(), begins.end());
  std::sort(appends.begin(), appends.end());
  const double ratio = appends.front() / loads.front();
  std::printf("append %zu rows (%.2f MB): ReadAppended best %.2f ms, median %.2f ms (Begin %.3f ms)\n",
              appendedRows, static_cast<double>(appendedBytes) / 1e6, appends.front() * 1e3,
              appends[appends.size() / 2] * 1e3, begins.front() * 1e3);
  std::printf("target: at most 5%% of the load (%s: %.2f%% best, %.2f%% median)\n", ratio <= 0.05 ? "met" : "MISSED",
              ratio * 100, appends[appends.size() / 2] / loads[loads.size() / 2] * 100);

  // Ten appends of 10,000 rows each, one after the other on one document.
  {
    std::filesystem::copy_file(table, work, std::filesystem::copy_options::overwrite_existing);
    auto doc = Load(work);
    if (!doc) Fail("the copy does not load");
    qelvar::TCsvAppendReader reader;
    if (!reader.Begin(qelvar::Utf8ToUtf16(work), *doc, qelvar::kCommentsParsed)) Fail("Begin refused the copy");
    bench::TTableRows more(20260202, 200000000);
    std::vector<double> times;
    for (int k = 0; k < 10; ++k) {
      if (!AppendToFile(work, Rows(more, 10000))) Fail("cannot append to the copy");
      const auto start = Clock::now();
      if (reader.ReadAppended(*doc) != 10000) Fail("ReadAppended did not append the 10,000 rows");
      times.push_back(Since(start));
    }
    std::printf("10 appends of 10,000 rows (%.2f MB each): ReadAppended", static_cast<double>(reader.BytesRead() - static_cast<std::int64_t>(tableBytes)) / 10 / 1e6);
    for (const double t : times) std::printf(" %.2f", t * 1e3);
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (const double t : times) sum += t;
    std::printf(" ms; mean %.2f ms, median %.2f ms, max %.2f ms\n", sum / 10 * 1e3, times[5] * 1e3, times.back() * 1e3);
  }
  std::filesystem::remove(work);
  return 0;
}
