#!/bin/sh
# make_big_file.sh PATH MEGABYTES: a CSV table of about MEGABYTES (a header and one repeated row), written
# once and kept for later runs.
set -eu
path=$1 megabytes=$2
bytes=$((megabytes * 1000 * 1000))
if [ -f "$path" ] && [ "$(wc -c <"$path")" -ge "$bytes" ]; then exit 0; fi
{
  echo 'id,name,amount,city,note'
  yes '1024,some name,12.50,Some City,a note that makes the row longer'
} | head -c "$bytes" >"$path.part"
mv "$path.part" "$path"
