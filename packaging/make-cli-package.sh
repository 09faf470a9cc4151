#!/bin/sh
# Makes the command-line tool's zip, for users who want qelvar-cli without a cross-toolchain:
#
#   make-cli-package.sh --version V --cli qelvar-cli.exe --out qelvar-cli-V-win64.zip
#
# At the root of the zip: qelvar-cli.exe (stripped of its symbols; its version resource stays),
# readme.txt and LICENSE, both with CR LF line ends.
#
# Needs: zip, x86_64-w64-mingw32-strip, awk (scripts/install-deps.sh installs them).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

version="" cli="" out=""
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "make-cli-package.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$version" ] || [ -z "$cli" ] || [ -z "$out" ]; then
  echo "usage: make-cli-package.sh --version V --cli qelvar-cli.exe --out FILE.zip" >&2
  exit 2
fi
for tool in zip x86_64-w64-mingw32-strip awk; do
  command -v "$tool" >/dev/null 2>&1 || { echo "make-cli-package.sh: $tool is missing (run scripts/install-deps.sh)" >&2; exit 1; }
done
fail() { echo "make-cli-package.sh: $*" >&2; exit 1; }
[ -f "$cli" ] || fail "$cli is missing: build the win64 preset first"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
crlf() { awk '{ sub(/\r$/, ""); printf "%s\r\n", $0 }' "$1" >"$2"; }

x86_64-w64-mingw32-strip --strip-all -o "$stage/qelvar-cli.exe" "$cli" || fail "could not strip $cli"
sed "s/@VERSION@/$version/g" "$here/cli-readme.txt" >"$stage/readme.tmp"
crlf "$stage/readme.tmp" "$stage/readme.txt"
rm -f "$stage/readme.tmp"
crlf "$root/LICENSE" "$stage/LICENSE"

case $out in
  /*) ;;
  *) out=$(pwd)/$out ;;
esac
mkdir -p "$(dirname "$out")"
rm -f "$out"
(cd "$stage" && zip -X -D -q "$out" qelvar-cli.exe readme.txt LICENSE) || fail "zip could not write $out"
echo "$out"
