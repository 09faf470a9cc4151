// DuckDB as a peer of the benchmarks: the npm package @duckdb/node-api, run through node. It is never
// installed by the build or the tests; whoever wants the comparison installs it beside the build:
//   npm install --prefix build/bench-peers @duckdb/node-api
// (or anywhere, naming that folder in QELVAR_BENCH_PEERS).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

// The node_modules folder that holds @duckdb/node-api, empty when it is not installed or node is missing.
// `program` is argv[0] of a benchmark in build/PRESET/bench.
inline std::string DuckDbModules(const char* program) {
  namespace fs = std::filesystem;
  fs::path folder;
  if (const char* peers = std::getenv("QELVAR_BENCH_PEERS"); peers && *peers) {
    folder = peers;
  } else {
    std::error_code error;
    folder = fs::absolute(fs::path(program), error).parent_path().parent_path().parent_path() / "bench-peers";
  }
  const fs::path modules = folder / "node_modules";
  std::error_code error;
  if (!fs::exists(modules / "@duckdb" / "node-api" / "package.json", error)) return {};
  if (std::system("command -v node >/dev/null 2>&1") != 0) return {};
  return modules.string();
}

// The line to print when DuckDB is not there.
inline const char* DuckDbMissing() {
  return "not installed (npm install --prefix build/bench-peers @duckdb/node-api)";
}

}  // namespace bench
