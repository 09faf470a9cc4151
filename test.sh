#!/usr/bin/env bash
# Set-up, build and every test suite: unit tests natively, under ASan + UBSan, the fuzz targets for a
# fixed number of runs, and the cross-built tests under 64-bit and 32-bit Wine (GUI tests under Xvfb).
# Usage: ./test.sh [PRESET...]   (default: every preset)
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/install-deps.sh || { echo "test.sh: installing the dependencies failed" >&2; exit 1; }

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(native native-asan fuzz win64 win32)
jobs=$(nproc 2>/dev/null || echo 2)

mkdir -p build
summary=build/test-summary.txt
: >"$summary"
rm -f build/*-test.log
failed=()

# One X server for every GUI test of this run, unless a display is already there.
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -d build/wineprefix ] && WINEPREFIX=$PWD/build/wineprefix /usr/lib/wine/wineserver64 -k 2>/dev/null
  true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 110); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    break
  done
fi

for preset in "${presets[@]}"; do
  echo "==== $preset: configure and build"
  start=$(date +%s)
  if ! cmake --preset "$preset" >"build/$preset-configure.log" 2>&1; then
    cat "build/$preset-configure.log"
    failed+=("$preset (configure)")
    echo "$preset: configure FAILED" >>"$summary"
    continue
  fi
  if ! cmake --build --preset "$preset" -j"$jobs" >"build/$preset-build.log" 2>&1; then
    grep -E -B2 -A6 'error|Error' "build/$preset-build.log" | head -80
    failed+=("$preset (build)")
    echo "$preset: build FAILED" >>"$summary"
    continue
  fi
  if [ "$preset" = win32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    # The installer could not make 32-bit Linux programs run (no kernel support and no binfmt_misc).
    echo "==== win32: built; tests NOT RUN: 32-bit Wine cannot start on this machine"
    echo "$preset: built, tests not run (32-bit Wine cannot start on this machine)" >>"$summary"
    continue
  fi
  echo "==== $preset: tests (built in $(( $(date +%s) - start ))s)"
  log="build/$preset-test.log"
  ctest --preset "$preset" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  {
    echo "---- $preset"
    grep -E '^[0-9]+% tests passed|^The following tests FAILED|^[[:space:]]+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Not Run|Subprocess aborted|Exception)' "$log"
    grep -E '^Total Test time' "$log"
  } >>"$summary"
  [ "$rc" -eq 0 ] || failed+=("$preset (tests)")
done

echo
echo "==== Summary"
[ ${#failed[@]} -gt 0 ] && echo "FAILED: ${failed[*]}"
cat "$summary"
# ctest: "100% tests passed, 0 tests failed out of 45" -> totals over every preset.
total=$(grep -hE 'tests passed, [0-9]+ tests? failed out of' build/*-test.log 2>/dev/null |
  sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' |
  awk '{f+=$1; t+=$2} END {printf "%d passed, %d failed", t-f, f}')
echo "total: ${total:-0 passed, 0 failed}"
[ ${#failed[@]} -eq 0 ]
