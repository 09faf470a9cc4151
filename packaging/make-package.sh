#!/bin/sh
# Makes the release zip, the one that Total Commander installs by itself when the user opens it:
#
#   make-package.sh --version V --plugin64 FILE --plugin32 FILE --out FILE.zip [--partial]
#
# At the root of the zip: pluginst.inf, qelvar.wlx, qelvar.wlx64, language/{de,uk,ru}.lng,
# qelvar.ini.sample, readme.txt, qelvar.html (the user guide of README.md as one self-contained page) and
# LICENSE. Text files get CR LF line ends; names carry no leading folder. The sample ini keeps a name that
# does not take effect until the user renames it, so installing never overrides the host's plug-in ini.
#
# --partial is for tests: a plug-in file that is missing is left out instead of failing (the other
# architecture's build may not exist yet). A release is never made with it.
#
# The plug-ins are stripped of their symbols (about half their size); their version resources stay.
#
# Needs: zip, cmark-gfm, base64, awk, x86_64-w64-mingw32-strip (scripts/install-deps.sh installs them).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

version="" plugin64="" plugin32="" out="" partial=0
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift 2 ;;
    --plugin64) plugin64=$2; shift 2 ;;
    --plugin32) plugin32=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --partial) partial=1; shift ;;
    *) echo "make-package.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$version" ] || [ -z "$plugin64" ] || [ -z "$plugin32" ] || [ -z "$out" ]; then
  echo "usage: make-package.sh --version V --plugin64 FILE --plugin32 FILE --out FILE.zip [--partial]" >&2
  exit 2
fi
for tool in zip cmark-gfm base64 awk x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null 2>&1 || { echo "make-package.sh: $tool is missing (run scripts/install-deps.sh)" >&2; exit 1; }
done

fail() { echo "make-package.sh: $*" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/language"

# Text with CR LF line ends, whatever the source has; a last line without a line end gets one.
crlf() { awk '{ sub(/\r$/, ""); printf "%s\r\n", $0 }' "$1" >"$2"; }
# Text with @VERSION@ replaced, then CR LF.
versioned() { sed "s/@VERSION@/$version/g" "$1" >"$stage/.tmp" && crlf "$stage/.tmp" "$2" && rm -f "$stage/.tmp"; }

names=""
add() { names="$names $1"; }

for pair in "$plugin64:qelvar.wlx64" "$plugin32:qelvar.wlx"; do
  file=${pair%:*}
  name=${pair##*:}
  if [ -f "$file" ]; then
    # The 64-bit binutils strip both kinds of DLL.
    x86_64-w64-mingw32-strip --strip-all -o "$stage/$name" "$file" || fail "could not strip $file"
    add "$name"
  elif [ $partial -eq 1 ]; then
    echo "make-package.sh: $file is not built: $name left out of this test package" >&2
  else
    fail "$file is missing: build both Windows presets first"
  fi
done

# Each step on its own line: set -e does not stop at a failure inside an && list.
versioned "$here/pluginst.inf" "$stage/pluginst.inf"
add pluginst.inf
versioned "$here/readme.txt" "$stage/readme.txt"
add readme.txt
crlf "$here/qelvar.ini" "$stage/qelvar.ini.sample"
add qelvar.ini.sample
crlf "$root/LICENSE" "$stage/LICENSE"
add LICENSE
for lang in de uk ru; do
  [ -f "$root/lang/$lang.lng" ] || fail "lang/$lang.lng is missing"
  crlf "$root/lang/$lang.lng" "$stage/language/$lang.lng"
  add "language/$lang.lng"
done

# ---- the user guide: README.md up to its end marker, rendered to one page --------------------------------
marker='<!-- end of the user guide'
grep -q "^$marker" "$root/README.md" || fail "README.md has no line starting with '$marker'"
awk -v marker="$marker" 'index($0, marker) == 1 { exit } { print }' "$root/README.md" >"$stage/guide.md"

# Pictures become data URIs so that the page needs no other file. Each base64 text goes through a file:
# a screenshot's text is longer than one command-line argument may be.
for image in $(grep -o '](docs/[A-Za-z0-9._-]*\.png)' "$stage/guide.md" | sed 's/^](//; s/)$//' | sort -u); do
  [ -f "$root/$image" ] || fail "README.md shows $image, which does not exist"
  base64 -w0 "$root/$image" >"$stage/image.b64"
  awk -v link="]($image)" -v data="$stage/image.b64" '
    BEGIN { getline encoded < data; replacement = "](data:image/png;base64," encoded ")" }
    {
      line = $0; result = ""
      while ((at = index(line, link)) > 0) {
        result = result substr(line, 1, at - 1) replacement
        line = substr(line, at + length(link))
      }
      print result line
    }' "$stage/guide.md" >"$stage/guide.tmp"
  mv "$stage/guide.tmp" "$stage/guide.md"
done
if grep -q '](docs/' "$stage/guide.md"; then
  fail "README.md links to a file in docs/ that cannot be embedded: $(grep -o '](docs/[^)]*)' "$stage/guide.md" | head -1)"
fi

cmark-gfm -e table -e autolink -e strikethrough "$stage/guide.md" >"$stage/guide.body"

# Headings get the ids that links inside the guide use ("#filter-syntax"), made as GitHub makes them:
# lower case, punctuation dropped, spaces as hyphens.
awk '
  match($0, /^<h[1-6]>.*<\/h[1-6]>$/) {
    level = substr($0, 3, 1)
    inner = substr($0, 5, length($0) - 9)
    slug = inner
    gsub(/<[^>]*>/, "", slug)
    gsub(/&[a-z]+;|&#[0-9]+;/, "", slug)
    slug = tolower(slug)
    gsub(/[^a-z0-9 _-]/, "", slug)
    gsub(/ /, "-", slug)
    printf "<h%s id=\"%s\">%s</h%s>\n", level, slug, inner, level
    next
  }
  { print }' "$stage/guide.body" >"$stage/guide.ids"

awk -v body="$stage/guide.ids" '
  $0 == "@CONTENT@" { while ((getline line < body) > 0) print line; next }
  { print }' "$here/guide.html" >"$stage/guide.page"
versioned "$stage/guide.page" "$stage/qelvar.html"
add qelvar.html
rm -f "$stage/guide.md" "$stage/guide.body" "$stage/guide.ids" "$stage/guide.page" "$stage/image.b64"

# ---- the zip: a fresh file (zip would otherwise update an old one), no folder entries, no extra fields ---
case $out in
  /*) ;;
  *) out=$(pwd)/$out ;;
esac
mkdir -p "$(dirname "$out")"
rm -f "$out"
# shellcheck disable=SC2086 # the names hold no blanks
(cd "$stage" && zip -X -D -q "$out" $names) || fail "zip could not write $out"
echo "$out"
