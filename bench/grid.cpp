// bench-grid [FILE|-] [OPERATION]: filtering and sorting a large table, each from a fresh grid model with
// the header row on. Without FILE (or with "-") it uses the 100 MB table of bench-load, running bench-load
// (beside this program) first when the table is missing: one table for every benchmark.
// Each operation runs twice: "first" includes decoding the column's cells on first touch (what the
// viewer does before its background decoding has finished), "again" is a second fresh model over the
// same, now decoded, document. OPERATION runs only the operations whose name contains it. pandas and
// DuckDB (see duckdb_peer.h) do the same operations on the same file when they are installed.
//
// Targets per row: a filter at most 50 ns, a numeric sort 150 ns, a text sort 400 ns.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "document/csv_document.h"
#include "grid/grid_model.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "duckdb_peer.h"

namespace {

using namespace qelvar;
using Clock = std::chrono::steady_clock;

// The table that bench-load generates and keeps.
constexpr const char* kLoadTable = "/tmp/qelvar-bench/load-100mb.csv";

struct Operation {
  const char* name;
  double targetNs;
  std::function<void(TCsvGridModel&)> run;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of this thread: on a shared machine the wall clock also counts other processes' turns.
double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Measure(TCsvDocument& document, const Operation& op) {
  for (const char* pass : {"first", "again"}) {
    TCsvGridModel model(&document, true);
    const auto start = Clock::now();
    const double cpuStart = ThreadSeconds();
    op.run(model);
    const double cpu = ThreadSeconds() - cpuStart;
    const double wall = Seconds(Clock::now() - start);
    const double rows = document.RowCount() - 1;
    const double ns = cpu * 1e9 / rows;
    std::printf("  %-34s %-5s %8.1f ms cpu %7.1f ns/row  (target %3.0f%s)  %8.1f ms wall  visible %d\n", op.name,
                pass, cpu * 1e3, ns, op.targetNs, ns <= op.targetNs ? ", met" : ", MISSED", wall * 1e3,
                model.VisibleCount());
  }
}

void RunPandas(const std::string& path) {
  if (std::system("python3 -c 'import pandas' >/dev/null 2>&1") != 0) {
    std::printf("pandas: not installed, no comparison\n");
    return;
  }
  const std::string script =
      "import pandas as pd, time, sys\n"
      "df = pd.read_csv(sys.argv[1], dtype=str, keep_default_na=False)\n"
      "n = len(df)\n"
      "def t(name, f):\n"
      "    s = time.perf_counter(); r = f(); e = time.perf_counter() - s\n"
      "    print('  %-34s       %8.1f ms  %7.1f ns/row  visible %d' % (name, e * 1e3, e * 1e9 / n, len(r)))\n"
      "t('substring filter (name ~ \"ller\")', lambda: df[df['name'].str.lower().str.contains('ller', regex=False)])\n"
      "t('numeric filter (amount < 500)', lambda: df[pd.to_numeric(df['amount'], errors='coerce') < 500])\n"
      "t('numeric sort (amount)', lambda: df.assign(k=pd.to_numeric(df['amount'], errors='coerce'))"
      ".sort_values('k', kind='stable'))\n"
      "t('text sort (name)', lambda: df.sort_values('name', kind='stable', key=lambda c: c.str.lower()))\n"
      "t('text sort (code)', lambda: df.sort_values('code', kind='stable', key=lambda c: c.str.lower()))\n";
  const auto scriptPath = std::filesystem::temp_directory_path() / "qelvar-bench-grid.py";
  if (FILE* f = std::fopen(scriptPath.string().c_str(), "wb")) {
    std::fwrite(script.data(), 1, script.size(), f);
    std::fclose(f);
  }
  std::printf("pandas (same file, columns as text, converted per operation):\n");
  std::fflush(stdout);
  const std::string command = "python3 '" + scriptPath.string() + "' '" + path + "'";
  if (std::system(command.c_str()) != 0) std::printf("  pandas failed\n");
}

// DuckDB with two threads (the machine's cores) on the same file read as text, converting per operation as
// the grid does; each result is kept as a table of row ids, as the grid keeps its order of rows.
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
      "  const n = Number((await c.runAndReadAll('SELECT count(*) FROM t')).getRows()[0][0]);\n"
      "  const t = async (name, query) => {\n"
      "    const s = performance.now();\n"
      "    await c.run('CREATE OR REPLACE TEMP TABLE r AS ' + query);\n"
      "    const e = performance.now() - s;\n"
      "    const k = Number((await c.runAndReadAll('SELECT count(*) FROM r')).getRows()[0][0]);\n"
      "    console.log('  ' + name.padEnd(34) + '       ' + e.toFixed(1).padStart(8) + ' ms  ' +\n"
      "                (e * 1e6 / n).toFixed(1).padStart(7) + ' ns/row  visible ' + k);\n"
      "  };\n"
      "  await t('substring filter (name ~ \"ller\")', \"SELECT rowid FROM t WHERE contains(lower(name), 'ller')\");\n"
      "  await t('numeric filter (amount < 500)', 'SELECT rowid FROM t WHERE TRY_CAST(amount AS DOUBLE) < 500');\n"
      "  await t('numeric sort (amount)', 'SELECT rowid FROM t ORDER BY TRY_CAST(amount AS DOUBLE), rowid');\n"
      "  await t('text sort (name)', 'SELECT rowid FROM t ORDER BY lower(name), rowid');\n"
      "  await t('text sort (code)', 'SELECT rowid FROM t ORDER BY lower(code), rowid');\n"
      "})().catch(e => { console.error(String(e)); process.exit(1); });\n";
  bench::RunDuckDbScript(script, "qelvar-bench-grid.js", "DuckDB (same file, columns as text, converted per operation, 2 threads, wall clock):", modules, path);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = kLoadTable;
  if (argc > 1 && std::string(argv[1]) != "-") path = argv[1];
  if (!bench::EnsureTable(path, kLoadTable, argv[0])) return 1;

  std::unique_ptr<TCsvDocument> document;
  const auto loadStart = Clock::now();
  if (!LoadFromFile(Utf8ToUtf16(path), 0, 0, kCommentsAuto, document, true, kDefaultSampleRows)) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    return 1;
  }
  std::printf("%s: %d rows, %d columns, loaded in %.0f ms\n", path.c_str(), document->RowCount(),
              document->ColumnCount(), Seconds(Clock::now() - loadStart) * 1e3);

  // Columns of the table: 2 name ("First Last", 300 different, many non-ASCII), 4 amount (numbers),
  // 7 code ("X" and six digits).
  const Operation operations[] = {
      {"substring filter (name ~ \"ller\")", 50, [](TCsvGridModel& m) { m.SetFilter(2, u"ller"); }},
      {"numeric filter (amount < 500)", 50, [](TCsvGridModel& m) { m.SetFilter(4, u"<500"); }},
      {"numeric sort (amount)", 150, [](TCsvGridModel& m) { m.SetSort(4, 1); }},
      {"text sort (name)", 400, [](TCsvGridModel& m) { m.SetSort(2, 1); }},
      {"text sort (code)", 400, [](TCsvGridModel& m) { m.SetSort(7, 1); }},
  };
  std::printf("qelvar:\n");
  const std::string only = argc > 2 ? argv[2] : "";
  for (const auto& op : operations)
    if (only.empty() || std::string(op.name).find(only) != std::string::npos) Measure(*document, op);
  if (only.empty()) {
    RunPandas(path);
    RunDuckDb(argv[0], path);
  }
  return 0;
}
