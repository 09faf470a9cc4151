#!/usr/bin/env bash
# Sorting and filtering the 100 MB table through qelvar-cli, in all (start, load, operation, exit), beside
# DuckDB doing the same from the same file in the same run:
#   bench/cli.sh [--runs N] [FILE]      (default: 3 runs, bench-load's 100 MB table)
# Builds and uses the native preset's qelvar-cli and bench-load. qelvar prints no rows (--rows 0)
# but computes the whole order or filter; DuckDB (two threads, the machine's cores; when installed with
# `npm install --prefix build/bench-peers @duckdb/node-api`) reads the file and keeps the result as a table,
# timed from its instance's creation. "Beyond the load" is an operation's time less the load alone, per row.
# A benchmark, not a test: it exits 0 when it measured.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=3
file=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    *) file=$1; shift ;;
  esac
done
build=$root/build/native
{ cmake --preset native && cmake --build "$build" -j2 --target qelvar-cli bench-load; } >/dev/null || exit 1
if [ -z "$file" ]; then
  file=/tmp/qelvar-bench/load-100mb.csv
  [ -f "$file" ] || "$build/bench/bench-load" >/dev/null || exit 1
fi
rows=$("$build/qelvar-cli" view "$file" --rows 0 | grep -o '"visibleCount": *[0-9]*' | grep -o '[0-9]*$')
[ -n "$rows" ] || { echo "cli.sh: qelvar-cli could not read $file" >&2; exit 1; }

best() {  # the best wall clock of $runs runs of the command, in ms
  local b=
  for _ in $(seq "$runs"); do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null || { echo "failed: $*" >&2; return 1; }
    e=$(date +%s%N)
    local ms=$(((e - s) / 1000000))
    if [ -z "$b" ] || [ "$ms" -lt "$b" ]; then b=$ms; fi
  done
  echo "$b"
}

echo "file $file, $rows rows; best of $runs runs, wall clock"
printf '%-34s %9s %16s\n' "qelvar-cli" "in all" "beyond the load"
load=$(best "$build/qelvar-cli" view "$file" --rows 0) || exit 1
printf '%-34s %6s ms\n' "load" "$load"
while IFS='|' read -r name args; do
  # shellcheck disable=SC2086
  ms=$(best "$build/qelvar-cli" view "$file" --rows 0 $args) || exit 1
  printf '%-34s %6s ms %10.1f ns/row\n' "$name" "$ms" "$(echo "($ms - $load) * 1000000 / $rows" | bc -l)"
done <<'EOF'
substring filter (name ~ "ller")|--filter name=ller
numeric sort (amount)|--sort amount
text sort (name)|--sort name
text sort (code)|--sort code
EOF

modules=${QELVAR_BENCH_PEERS:-$root/build/bench-peers}/node_modules
if [ ! -f "$modules/@duckdb/node-api/package.json" ] || ! command -v node >/dev/null; then
  echo "DuckDB: not installed (npm install --prefix build/bench-peers @duckdb/node-api)"
  exit 0
fi
script=$(mktemp --suffix=.js)
trap 'rm -f "$script"' EXIT
cat >"$script" <<'EOF'
const {DuckDBInstance} = require('@duckdb/node-api');
const [file, runs, rows] = process.argv.slice(2);
const source = "read_csv('" + file.replace(/'/g, "''") + "')";
const once = async (query) => {
  const s = performance.now();
  const db = await DuckDBInstance.create(':memory:', {threads: '2'});
  const c = await db.connect();
  await c.run('CREATE TABLE r AS ' + query);
  const e = performance.now() - s;
  // Each run starts from an empty database: the last one's table goes with its instance.
  c.closeSync?.();
  db.closeSync?.();
  return e;
};
const best = async (query) => {
  let b = Infinity;
  for (let k = 0; k < Number(runs); ++k) b = Math.min(b, await once(query));
  return b;
};
(async () => {
  console.log('DuckDB (2 threads, types detected)'.padEnd(34) + '    in all  beyond the load');
  const load = await best('SELECT * FROM ' + source);
  console.log('load'.padEnd(34) + ' ' + load.toFixed(0).padStart(6) + ' ms');
  const ops = [
    ['substring filter (name ~ "ller")', "SELECT * FROM " + source + " WHERE contains(lower(name), 'ller')"],
    ['numeric sort (amount)', 'SELECT * FROM ' + source + ' ORDER BY amount'],
    ['text sort (name)', 'SELECT * FROM ' + source + ' ORDER BY lower(name)'],
    ['text sort (code)', 'SELECT * FROM ' + source + ' ORDER BY lower(code)'],
  ];
  for (const [name, query] of ops) {
    const ms = await best(query);
    console.log(name.padEnd(34) + ' ' + ms.toFixed(0).padStart(6) + ' ms ' +
                ((ms - load) * 1e6 / Number(rows)).toFixed(1).padStart(10) + ' ns/row');
  }
})().catch(e => { console.error(String(e)); process.exit(1); });
EOF
NODE_PATH=$modules node "$script" "$file" "$runs" "$rows" || echo "DuckDB failed"
exit 0
