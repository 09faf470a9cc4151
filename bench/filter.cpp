// bench-filter [FILE|-]: the richer filters against plain "contains" on a large table, the column
// profile of the name column, the selection totals of a million rows, and regular expressions that make
// backtracking engines take exponential time, on a cell of a megabyte. Without FILE (or with "-") it uses
// the 100 MB table of bench-load, running bench-load first when the table is missing. Every filter runs
// on a fresh grid model over the decoded document (bench-grid measures first-touch decoding). DuckDB's
// `summarize` of the same column runs in the same process run when it is installed (see duckdb_peer.h).
//
// Targets: the profile of the name column 300 ms, the totals of 1 M rows 100 ms, each megabyte regular
// expression 100 ms; a filter of any kind within a few times plain contains.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "document/csv_document.h"
#include "duckdb_peer.h"
#include "grid/column_stats.h"
#include "grid/filter_regex.h"
#include "grid/grid_model.h"
#include "platform/utf.h"

namespace {

using namespace qelvar;

constexpr const char* kLoadTable = "/tmp/qelvar-bench/load-100mb.csv";
constexpr std::int32_t kNameColumn = 2;

// CPU time of this thread: on a shared machine the wall clock also counts other processes' turns.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double TimeMs(const std::function<void()>& run) {
  const double start = ThreadSeconds();
  run();
  return (ThreadSeconds() - start) * 1e3;
}

void Report(const char* name, double ms, double targetMs, const std::string& result) {
  if (targetMs > 0) {
    std::printf("  %-44s %8.1f ms cpu  (target %4.0f ms, %s)  %s\n", name, ms, targetMs,
                ms <= targetMs ? "met" : "MISSED", result.c_str());
  } else {
    std::printf("  %-44s %8.1f ms cpu  %s\n", name, ms, result.c_str());
  }
}

void RunDuckDb(const char* program, const std::string& path) {
  const std::string modules = bench::DuckDbModules(program);
  if (modules.empty()) {
    std::printf("DuckDB: %s\n", bench::DuckDbMissing());
    return;
  }
  const std::string script =
      "const {DuckDBInstance} = require('@duckdb/node-api');\n"
      "(async () => {\n"
      "  const db = await DuckDBInstance.create(':memory:', {threads: '2'});\n"
      "  const c = await db.connect();\n"
      "  await c.run(\"CREATE TABLE t AS SELECT * FROM read_csv('\" + process.argv[process.argv.length - 1].replace(/'/g, \"''\") +\n"
      "              \"', all_varchar = true, header = true)\");\n"
      "  const t = async (name, query) => {\n"
      "    const s = performance.now();\n"
      "    await c.runAndReadAll(query);\n"
      "    console.log('  ' + name.padEnd(44) + ' ' + (performance.now() - s).toFixed(1).padStart(8) + ' ms wall');\n"
      "  };\n"
      "  await t('summarize (name)', 'SUMMARIZE SELECT name FROM t');\n"
      "  await t('top ten values (name)', 'SELECT name, count(*) AS n FROM t GROUP BY name ORDER BY n DESC LIMIT 10');\n"
      "  await t('sum, avg, min, max of 1 M rows (amount)',\n"
      "          'SELECT count(amount), sum(TRY_CAST(amount AS DOUBLE)), avg(TRY_CAST(amount AS DOUBLE)), '\n"
      "          + 'min(TRY_CAST(amount AS DOUBLE)), max(TRY_CAST(amount AS DOUBLE)) FROM (SELECT amount FROM t LIMIT 1000000)');\n"
      "  await t('regexp filter (name)', \"SELECT count(*) FROM t WHERE regexp_matches(lower(name), '^[a-z]+ m.*r$')\");\n"
      "})().catch(e => { console.error(String(e)); process.exit(1); });\n";
  bench::RunDuckDbScript(script, "qelvar-bench-filter.js", "DuckDB (same file, columns as text, 2 threads, wall clock):", modules, path);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = kLoadTable;
  if (argc > 1 && std::string(argv[1]) != "-") path = argv[1];
  if (!bench::EnsureTable(path, kLoadTable, argv[0])) return 1;
  std::unique_ptr<TCsvDocument> document;
  if (!LoadFromFile(Utf8ToUtf16(path), 0, 0, kCommentsAuto, document, true, kDefaultSampleRows)) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    return 1;
  }
  while (document->DecodeNext(1 << 20) > 0) {
  }
  const std::int32_t rows = document->RowCount() - 1;
  std::printf("%s: %d rows, %d columns\n", path.c_str(), rows, document->ColumnCount());

  // Columns of the table: 2 name ("First Last", 300 different), 4 amount (numbers), 7 code ("X" + digits).
  struct Filter {
    const char* name;
    std::int32_t column;
    const char16_t* text;
  };
  const Filter filters[] = {
      {"contains (name ~ \"ller\")", 2, u"ller"},
      {"wildcard (name =*ller*)", 2, u"=*ller*"},
      {"alternatives (name =a|b|c, 3 names)", 2, u"=anna m\u00fcller|jan nowak|li wei"},
      {"regex (name ~ller)", 2, u"~ller"},
      {"regex (name ~^[a-z]+ m.*r$)", 2, u"~^[a-z]+ m.*r$"},
      {"numeric range (amount 100..500)", 4, u"100..500"},
      {"numeric >= (amount >=500)", 4, u">=500"},
      {"text range (code X200000..X300000)", 7, u"X200000..X300000"},
  };
  std::printf("qelvar filters (%d rows, fresh model each):\n", rows);
  for (const auto& f : filters) {
    TCsvGridModel model(document.get(), true);
    const double ms = TimeMs([&] { model.SetFilter(f.column, f.text); });
    const std::string result = "visible " + std::to_string(model.VisibleCount()) + ", " +
                               std::to_string(static_cast<int>(ms * 1e6 / rows)) + " ns/row";
    Report(f.name, ms, 0, result);
  }

  std::printf("qelvar statistics:\n");
  const TCellSource names = [&](std::size_t i) { return document->ValueView(static_cast<std::int32_t>(i + 1), kNameColumn); };
  TColumnProfile profile;
  const double profileMs = TimeMs([&] {
    ProfileColumn(static_cast<std::size_t>(rows), names, TDecimalSeparator::Point, [](std::size_t, std::size_t) { return true; },
                  profile);
  });
  Report("profile (name)", profileMs, 300,
         "distinct " + std::to_string(profile.distinct) + ", top " + Utf16ToUtf8(profile.top.empty() ? u"" : profile.top[0].value));
  const TCellSource amounts = [&](std::size_t i) { return document->ValueView(static_cast<std::int32_t>(i + 1), 4); };
  TColumnProfile amountProfile;
  const double amountMs = TimeMs([&] {
    ProfileColumn(static_cast<std::size_t>(rows), amounts, TDecimalSeparator::Point, nullptr, amountProfile);
  });
  Report("profile (amount)", amountMs, 0, "distinct " + std::to_string(amountProfile.distinct));
  const std::size_t selected = std::min<std::size_t>(1'000'000, static_cast<std::size_t>(rows));
  TSelectionStats stats;
  const double statsMs = TimeMs([&] { stats = SelectionStats(selected, amounts, TDecimalSeparator::Point); });
  Report("totals of 1 M selected rows (amount)", statsMs, 100,
         "sum " + Utf16ToUtf8(FormatStatsNumber(stats.sum, TDecimalSeparator::Point)));

  std::printf("qelvar regular expressions on a 1 MB cell of 'a':\n");
  const std::u16string cell(1 << 20, u'a');
  for (const char16_t* pattern : {u"(a+)+$b", u"(a|aa)*c", u"(a*)*b", u"^(a|a?)+$x", u"(.*a){20}b"}) {
    TFilterRegex regex(pattern, true);
    bool found = true;
    const double ms = TimeMs([&] { found = regex.Search(cell); });
    Report(Utf16ToUtf8(pattern).c_str(), ms, 100, found ? "matched" : "no match");
  }
  RunDuckDb(argv[0], path);
  return 0;
}
