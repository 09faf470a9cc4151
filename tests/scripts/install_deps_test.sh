#!/usr/bin/env bash
# scripts/install-deps.sh against a stand-in apt: apt-get, dpkg and sudo on PATH are stubs that log what
# they are asked and "install" a package by creating its probe file under a private prefix. Nothing on
# the machine is installed or changed.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
script=$here/../../scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

mkdir -p "$work/bin"
# apt-get update fails while $work/update-failures counts down; install fails for :i386 names and for
# names listed in $work/unavailable, and otherwise creates the package's probe from the script's table.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_WORK/log"
if [ "$1" = update ]; then
  n=$(cat "$STUB_WORK/update-failures" 2>/dev/null || echo 0)
  [ "$n" -gt 0 ] && { echo $((n - 1)) >"$STUB_WORK/update-failures"; echo "E: Failed to fetch i386 index" >&2; exit 100; }
  exit 0
fi
for pkg in "$@"; do
  case $pkg in -*|install) continue ;; esac
  if [[ "$pkg" == *:i386 ]] || grep -qx "$pkg" "$STUB_WORK/unavailable" 2>/dev/null; then
    echo "E: Unable to locate package $pkg" >&2; exit 100
  fi
done
for pkg in "$@"; do
  probe=$(grep -E "^  \"$pkg\|" "$STUB_SCRIPT" | sed -E 's/^  "[^|]*\|([^"]*)".*/\1/')
  [ -n "$probe" ] && mkdir -p "$(dirname "$STUB_PREFIX$probe")" && touch "$STUB_PREFIX$probe"
done
exit 0
STUB
printf '#!/bin/sh\necho "dpkg $*" >>"$STUB_WORK/log"\n[ "$1" = --print-foreign-architectures ] && echo i386\nexit 0\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# Every probe of the script's table exists under the prefix, except those named.
prepare() {
  rm -rf "$work/root" "$work/state" "$work/log" "$work/update-failures" "$work/unavailable"
  grep -E '^  "[^"|]+\|/' "$script" | sed -E 's/^  "([^|]*)\|([^"]*)".*/\1 \2/' | while read -r pkg probe; do
    for skip in "$@"; do [ "$pkg" = "$skip" ] && continue 2; done
    mkdir -p "$(dirname "$work/root$probe")" && touch "$work/root$probe"
  done
}
run() {
  env PATH="$work/bin:$PATH" STUB_WORK="$work" STUB_SCRIPT="$script" STUB_PREFIX="$work/root" \
    QELVAR_DEPS_PROBE_PREFIX="$work/root" QELVAR_DEPS_STATE_DIR="$work/state" QELVAR_APT_RETRY_DELAY=0 \
    "$@" bash "$script" >"$work/out" 2>"$work/err"
  rc=$?
}

# A partial update failure and no 32-bit Wine: the rest is installed, one warning, exit 0, remembered.
prepare cmake zip wine32:i386
echo 2 >"$work/update-failures"
run
[ "$rc" -eq 0 ] || fail "partial update: exit $rc: $(cat "$work/err")"
[ -e "$work/root/usr/bin/cmake" ] && [ -e "$work/root/usr/bin/zip" ] || fail "partial update: cmake and zip not installed"
[ "$(grep -c warning "$work/err")" -eq 1 ] && grep -q "could not install wine32:i386" "$work/err" ||
  fail "partial update: not one warning naming wine32: $(cat "$work/err")"
[ -f "$work/state/.i386-unavailable" ] || fail "partial update: the unavailable 32-bit packages are not remembered"

# The next run takes the fast path: nothing asked of apt, nothing printed.
: >"$work/log"
run
[ "$rc" -eq 0 ] && [ ! -s "$work/log" ] && [ ! -s "$work/err" ] ||
  fail "fast path: exit $rc, apt asked: $(cat "$work/log"), said: $(cat "$work/err")"

# Every update attempt fails: the install is still tried from the indexes apt has.
prepare cmake wine32:i386
echo 9 >"$work/update-failures"
run
[ "$rc" -eq 0 ] && [ -e "$work/root/usr/bin/cmake" ] || fail "failed update: exit $rc: $(cat "$work/err")"
[ "$(grep -c "apt-get update" "$work/log")" -eq 3 ] || fail "failed update: not retried three times"

# QELVAR_DROP_I386=1 never asks for the 32-bit packages and says so.
prepare xauth wine32:i386
run QELVAR_DROP_I386=1
[ "$rc" -eq 0 ] && [ -e "$work/root/usr/bin/xauth" ] || fail "drop i386: exit $rc: $(cat "$work/err")"
grep -q ":i386" "$work/log" && fail "drop i386: apt was asked for a 32-bit package"
grep -q "QELVAR_DROP_I386=1" "$work/err" || fail "drop i386: no warning"

# A package the native build needs that cannot be had fails the script, naming it.
prepare cmake zip
echo zip >"$work/unavailable"
run
[ "$rc" -eq 1 ] && grep -q "failed to install package zip" "$work/err" || fail "missing zip: exit $rc: $(cat "$work/err")"

exit $failed
