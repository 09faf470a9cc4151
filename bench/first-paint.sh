#!/usr/bin/env bash
# The viewer's first paint under 64-bit Wine against the document engine's load of the same file:
#   bench/first-paint.sh [--megabytes N] [--runs N]      (default: the 10 MB table, 3 runs)
# Builds the win64 preset's plug-in and bench-first-paint (build/win64), runs it with a display (a private
# Xvfb when there is none) and prints the figures. A benchmark, not a test: it exits 0 when it measured.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" || exit 1
mkdir -p build
if ! { cmake --preset win64 && cmake --build --preset win64 -j2 --target qelvar bench-first-paint; } >build/bench-first-paint-build.log 2>&1; then
  grep -E -B2 -A6 'error|Error' build/bench-first-paint-build.log | head -60 >&2
  echo "first-paint.sh: the build failed (build/bench-first-paint-build.log)" >&2
  exit 1
fi
program=$root/build/win64/bench/windows/bench-first-paint.exe
if [ -n "${DISPLAY:-}" ]; then
  exec "$root/cmake/wine-run.sh" win64 "$program" "$@"
fi
exec xvfb-run -a -s "-screen 0 1600x1000x24 -nolisten tcp" "$root/cmake/wine-run.sh" win64 "$program" "$@"
