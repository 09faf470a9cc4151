#!/usr/bin/env bash
# Opens a CSV file in the plug-in, the way the file manager's Lister shows it:
#   ./run.sh [FILE] [HOST OPTIONS...]      (default FILE: examples/sample.csv)
# Installs what is missing, builds the 64-bit plug-in and the stand-in host, and runs the host under Wine.
# With a display the window opens (Esc closes, F3 / Ctrl+F find, N / P next / previous file). Without one
# a private X server is started, a screenshot is taken once the grid is shown, and its path is printed.
# Host options: --dark, --size WxH, --ini PATH, --screenshot OUT.png --after MS (see qelvar-host --help).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

file=$here/examples/sample.csv
if [ $# -gt 0 ] && [[ "$1" != --* ]]; then
  file=$1
  shift
fi
if [ ! -f "$file" ]; then
  echo "run.sh: no such file: $file" >&2
  exit 1
fi
file=$(realpath "$file")

"$here/scripts/install-deps.sh" || { echo "run.sh: installing the dependencies failed" >&2; exit 1; }

cd "$here"
mkdir -p build
log=build/run-build.log
echo "run.sh: building the plug-in and the host (build/win64)..." >&2
if ! { cmake --preset win64 && cmake --build --preset win64 -j2 --target qelvar qelvar-host; } >"$log" 2>&1; then
  grep -E -B2 -A6 'error|Error' "$log" | head -60 >&2
  echo "run.sh: the build failed; the whole log is in $log" >&2
  exit 1
fi
host=$here/build/win64/qelvar-host.exe

xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true; }
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ]; then
  exec "$here/cmake/wine-run.sh" win64 "$host" "$@" "$file"
fi

# No display: a private X server and a screenshot instead of a window.
for n in $(seq 120 160); do
  { [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; } && continue
  Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  break
done
if [ -z "$xvfb_pid" ]; then
  echo "run.sh: no display and no free display number for Xvfb" >&2
  exit 1
fi
has_screenshot=0
for arg in "$@"; do [ "$arg" = --screenshot ] && has_screenshot=1; done
shot=""
if [ $has_screenshot -eq 0 ]; then
  mkdir -p build/screenshots
  name=$(basename "$file")
  shot=$here/build/screenshots/run-${name%.*}.png
  set -- "$@" --screenshot "$shot" --after 500
fi
# Wine's desktop process loses its X server when ours stops; its complaint is noise.
"$here/cmake/wine-run.sh" win64 "$host" "$@" "$file" 2> >(grep -v -e '^XIO:' -e 'requests (.*known processed)' >&2)
rc=$?
if [ $rc -eq 0 ] && [ -n "$shot" ]; then
  echo "$shot"
fi
exit $rc
