#!/usr/bin/env bash
# Installs from Debian's packages everything the build, the tests and ./run.sh need.
# Idempotent: when everything is present it prints nothing and exits 0, without asking apt anything.
#
# Where the 32-bit Wine packages cannot be had (a broken i386 mirror), everything else is installed, one
# warning line says so, and that is remembered for a day (a marker in build/), so that later runs take the
# fast path instead of updating apt's indexes every time. QELVAR_DROP_I386=1 acts as if they could not be
# had. For the script's own test: QELVAR_DEPS_PROBE_PREFIX is put before every probe path and
# QELVAR_APT_RETRY_DELAY (seconds, default 5) paces the retries of apt-get update.
set -u
export DEBIAN_FRONTEND=noninteractive
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${QELVAR_DEPS_PROBE_PREFIX:-}
marker=${QELVAR_DEPS_STATE_DIR:-$root/build}/.i386-unavailable

# Debian package name -> a file whose presence shows the package is installed and usable.
# Checking files (not only dpkg state) keeps the fast path fast and catches half-removed packages.
PACKAGES=(
  "cmake|/usr/bin/cmake"
  "g++|/usr/bin/g++"
  "make|/usr/bin/make"
  "clang|/usr/bin/clang++"
  "libclang-rt-14-dev|/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a"
  "g++-mingw-w64-x86-64-posix|/usr/bin/x86_64-w64-mingw32-g++-posix"
  "g++-mingw-w64-i686-posix|/usr/bin/i686-w64-mingw32-g++-posix"
  "wine|/usr/bin/wine"
  "wine64|/usr/lib/wine/wine64"
  "wine32:i386|/usr/lib/wine/wine"
  "xvfb|/usr/bin/Xvfb"
  "xauth|/usr/bin/xauth"
  "googletest|/usr/src/googletest/CMakeLists.txt"
  "nlohmann-json3-dev|/usr/include/nlohmann/json.hpp"
  # qelvar-cli's argument parser (headers only), and ICU, which the native build compares text with.
  "libcli11-dev|/usr/include/CLI/CLI.hpp"
  "libicu-dev|/usr/include/unicode/ucol.h"
  "imagemagick|/usr/bin/convert-im6.q16"
  # Metric twins of Arial and friends: Wine draws the viewer's default font "Arial" with them, so text
  # under Wine takes the room it takes on Windows (the fallback font is much wider).
  "fonts-liberation|/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"
  # The release package (scripts/package.sh, and its tests): the zip itself and the user guide rendered
  # from README.md to HTML (cmark-gfm for its tables).
  "zip|/usr/bin/zip"
  "cmark-gfm|/usr/bin/cmark-gfm"
)

# The 32-bit packages are known to be unavailable: asked for by QELVAR_DROP_I386, or found so within a day.
skip_i386=0
if [ "${QELVAR_DROP_I386:-0}" = 1 ] || { [ -f "$marker" ] && [ -n "$(find "$marker" -mmin -1440 2>/dev/null)" ]; }; then
  skip_i386=1
fi
[ "${QELVAR_DROP_I386:-0}" = 1 ] &&
  echo "install-deps: warning: QELVAR_DROP_I386=1: 32-bit Wine left out; the win32 tests will not run" >&2

missing=()
for entry in "${PACKAGES[@]}"; do
  pkg=${entry%%|*}
  probe=$prefix${entry#*|}
  [ "$skip_i386" -eq 1 ] && [[ "$pkg" == *:i386 ]] && continue
  [ -e "$probe" ] || missing+=("$pkg")
done

# 32-bit Wine runs 32-bit Linux programs. Some kernels (this project's CI machines among them) have the
# kernel's 32-bit emulation switched off; there the i386 loader runs under qemu's user-mode emulation,
# registered with binfmt_misc. Slow to start, but it is real 32-bit Wine running the real 32-bit DLL.
enable_i386() {
  [ -x /usr/lib/wine/wine ] || return 0
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  if [ ! -x /usr/bin/qemu-i386-static ]; then
    $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >"$log" 2>&1 || {
      tail -n 20 "$log" >&2; echo "install-deps: failed to install package qemu-user-static" >&2; return 1; }
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mkdir -p /proc/sys/fs/binfmt_misc
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || {
      echo "install-deps: cannot mount binfmt_misc for 32-bit Wine" >&2; return 1; }
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null || {
      echo "install-deps: cannot register qemu-i386 with binfmt_misc" >&2; return 1; }
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "install-deps: 32-bit Wine still cannot run" >&2; return 1; }
}

SUDO=""
[ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1 && SUDO="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if [ ${#missing[@]} -eq 0 ]; then
  [ "$skip_i386" -eq 1 ] && exit 0
  enable_i386 || echo "install-deps: warning: 32-bit Wine cannot run here; the win32 tests will not run" >&2
  exit 0
fi

if [ "$(id -u)" -ne 0 ] && [ -z "$SUDO" ]; then
  echo "install-deps: root or sudo is needed to install: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

# 32-bit Wine needs the i386 architecture.
for pkg in "${missing[@]}"; do
  if [[ "$pkg" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 || { echo "install-deps: could not add the i386 architecture" >&2; exit 1; }
    break
  fi
done

echo "install-deps: installing ${missing[*]}" >&2
# A mirror in the middle of a sync fails one index (seen: the i386 security index) while every other index
# is fine. Retry a few times; if it still fails, go on: apt keeps the indexes it fetched, and the install
# below names any package that really cannot be had.
updated=0
for attempt in 1 2 3; do
  if $SUDO apt-get update -qq >"$log" 2>&1; then updated=1; break; fi
  [ "$attempt" -lt 3 ] && sleep $(( attempt * ${QELVAR_APT_RETRY_DELAY:-5} ))
done
if [ "$updated" -eq 0 ]; then
  grep -E '^(E|W):' "$log" | head -n 5 >&2
  echo "install-deps: warning: apt-get update failed 3 times; installing from the indexes it has" >&2
fi

i386_unavailable() {
  $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1 && return 1
  return 0
}
install_one() {
  $SUDO apt-get install -y -qq --no-install-recommends "$1" >"$log" 2>&1
}

native=() i386=()
for pkg in "${missing[@]}"; do
  if [[ "$pkg" == *:i386 ]]; then i386+=("$pkg"); else native+=("$pkg"); fi
done
# One transaction first (fast); on failure, one package at a time to name the culprit.
if [ ${#native[@]} -gt 0 ] && ! $SUDO apt-get install -y -qq --no-install-recommends "${native[@]}" >"$log" 2>&1; then
  for pkg in "${native[@]}"; do
    if ! install_one "$pkg"; then
      tail -n 20 "$log" >&2
      echo "install-deps: failed to install package $pkg" >&2
      exit 1
    fi
  done
fi
# The 32-bit Wine packages serve only the win32 tests: without them everything else still builds and
# tests, and ./test.sh skips win32 with its own line.
if [ ${#i386[@]} -gt 0 ] && i386_unavailable "${i386[@]}"; then
  skip_i386=1
  mkdir -p "$(dirname "$marker")" && date >"$marker"
  echo "install-deps: warning: could not install ${i386[*]}; the win32 tests will not run (asked again in a day)" >&2
elif [ ${#i386[@]} -gt 0 ]; then
  rm -f "$marker"
fi

for entry in "${PACKAGES[@]}"; do
  probe=$prefix${entry#*|}
  [ "$skip_i386" -eq 1 ] && [[ "${entry%%|*}" == *:i386 ]] && continue
  if [ ! -e "$probe" ]; then
    echo "install-deps: package ${entry%%|*} installed but $probe is missing" >&2
    exit 1
  fi
done

[ "$skip_i386" -eq 1 ] && exit 0
enable_i386 || echo "install-deps: warning: 32-bit Wine cannot run here; the win32 tests will not run" >&2
