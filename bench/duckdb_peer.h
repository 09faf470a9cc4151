// DuckDB as a peer of the benchmarks: the npm package @duckdb/node-api, run through node. It is never
// installed by the build or the tests; whoever wants the comparison installs it beside the build:
//   npm install --prefix build/bench-peers @duckdb/node-api
// (or anywhere, naming that folder in QELVAR_BENCH_PEERS).
#pragma once

#include <cstdio>
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

// Writes `script` (node, reading the table's path as its argument) to a temporary file named `name` and
// runs it with the modules of DuckDbModules under the heading `heading`; says so when it fails.
inline void RunDuckDbScript(const std::string& script, const char* name, const char* heading,
                            const std::string& modules, const std::string& path) {
  const auto scriptPath = std::filesystem::temp_directory_path() / name;
  if (FILE* f = std::fopen(scriptPath.string().c_str(), "wb")) {
    std::fwrite(script.data(), 1, script.size(), f);
    std::fclose(f);
  }
  std::printf("%s\n", heading);
  std::fflush(stdout);
  const std::string command = "NODE_PATH='" + modules + "' node '" + scriptPath.string() + "' '" + path + "'";
  if (std::system(command.c_str()) != 0) std::printf("  DuckDB failed\n");
}

// The benchmark table at `path`: when it is `defaultTable` and missing, bench-load (beside `program`)
// generates it. False, with a message, when there is no table to measure.
inline bool EnsureTable(const std::string& path, const char* defaultTable, const char* program) {
  if (std::filesystem::exists(path)) return true;
  if (path != defaultTable) {
    std::fprintf(stderr, "no file %s\n", path.c_str());
    return false;
  }
  const auto load = std::filesystem::path(program).parent_path() / "bench-load";
  std::printf("generating the table with %s ...\n", load.string().c_str());
  std::fflush(stdout);
  const std::string command = "'" + load.string() + "' >/dev/null";
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(path)) {
    std::fprintf(stderr, "bench-load could not generate %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace bench
