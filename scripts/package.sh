#!/usr/bin/env bash
# Makes the release: builds the 32-bit and the 64-bit plug-in and writes build/qelvar-<version>.zip, the
# zip that Total Commander installs by itself when the user opens it. The zip is checked before the
# script reports success (names, pluginst.inf, line ends, version resources of both plug-ins).
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
# The recipe prints the path of the zip it wrote.
grep -E '^/.*/qelvar-[^/]*\.zip$' "$log" | tail -1
