#!/usr/bin/env bash
# Makes the release: builds the 32-bit and the 64-bit plug-in and writes build/qelvar-<version>.zip, the
# zip that Total Commander installs by itself when the user opens it, and build/qelvar-cli-<version>-win64.zip,
# the command-line tool (no .exe goes into the plug-in's zip). Both zips are checked before the script
# reports success (names, pluginst.inf, line ends, stripped files with their version resources, the tool's
# --version under Wine).
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

./scripts/install-deps.sh || { echo "package.sh: installing the dependencies failed" >&2; exit 1; }
mkdir -p build
log=build/package.log
: >"$log"
step() {
  echo "package.sh: $1" >&2
  shift
  if ! "$@" >>"$log" 2>&1; then
    grep -E -B2 -A6 'error|Error' "$log" | tail -40 >&2
    echo "package.sh: failed; the whole log is in $log" >&2
    exit 1
  fi
}
step "building the 32-bit plug-in (build/win32)" \
  sh -c 'cmake --preset win32 && cmake --build --preset win32 -j2 --target qelvar'
step "building the 64-bit plug-in and making the zip (build/win64)" \
  sh -c 'cmake --preset win64 && cmake --build --preset win64 -j2 --target release-zip'
step "building the 64-bit qelvar-cli and making its zip (build/win64)" \
  sh -c 'cmake --build --preset win64 -j2 --target release-cli-zip'
# The recipes print the paths of the zips they wrote.
grep -E '^/.*/qelvar-[0-9][^/]*\.zip$' "$log" | tail -1
grep -E '^/.*/qelvar-cli-[^/]*-win64\.zip$' "$log" | tail -1
