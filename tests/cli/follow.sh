#!/bin/bash
# qelvar-cli view --follow against a file another program appends to: rows written in pieces (one cut in
# the middle of its line) come out whole and once, a rewritten file is printed again from its start with a
# note, Ctrl+C ends it with exit code 130, and a reader that goes away ends it quietly with 0.
# Usage: follow.sh QELVAR-CLI WORK-FOLDER   (a shell script of the host: native builds only)
set -u
cli=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
pid=
filtered=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$filtered" ] && kill "$filtered" 2>/dev/null' EXIT

fail() {
  echo "FAILED: $1"
  echo "--- stdout:"; cat -A out.csv
  echo "--- stderr:"; cat err.txt
  exit 1
}

# Waits (at most 3 s) until the file $2 (default out.csv) holds exactly the bytes of the printf format $1.
expect_output() {
  printf "$1" > expected.csv
  for _ in $(seq 150); do
    cmp -s "${2:-out.csv}" expected.csv && return 0
    sleep 0.02
  done
  cat -A "${2:-out.csv}"
  fail "the output is not: $1"
}

# Loaded in the middle of a row: that row waits for the rest of its line.
printf 'id,name\r\n1,An' > t.csv
"$cli" view t.csv --follow --format csv > out.csv 2> err.txt &
pid=$!
# "1,An" does not pass this filter, "1,Ann" does: the row is judged again once it is whole.
"$cli" view t.csv --follow --format csv --filter name=Ann > filtered.csv 2>&1 &
filtered=$!
expect_output 'id,name\r\n'
expect_output 'id,name\r\n' filtered.csv

# The rest of it, a whole row and half of the next: the whole ones come out, the half one waits.
printf 'n\r\n2,Bob\r\n3,C' >> t.csv
expect_output 'id,name\r\n1,Ann\r\n2,Bob\r\n'
printf 'y\r\n' >> t.csv
expect_output 'id,name\r\n1,Ann\r\n2,Bob\r\n3,Cy\r\n'
expect_output 'id,name\r\n1,Ann\r\n' filtered.csv
kill "$filtered"
filtered=

# Shorter than what was read: printed again from its start.
printf 'x,y\r\n9,z\r\n' > t.csv
expect_output 'id,name\r\n1,Ann\r\n2,Bob\r\n3,Cy\r\nx,y\r\n9,z\r\n'

kill -INT "$pid"
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.02
done
kill -0 "$pid" 2>/dev/null && fail "still running 2 s after Ctrl+C"
wait "$pid"
rc=$?
pid=
[ "$rc" = 130 ] || fail "exit code $rc after Ctrl+C, expected 130"
[ "$(cat err.txt)" = "qelvar-cli: t.csv: was rewritten; reading it again from the start" ] || fail "the notes"

# A reader that stops: no write is pending, yet the program ends within a poll.
start=$(date +%s%N)
timeout 5 "$cli" view t.csv --follow | head -c 5 > /dev/null
rc=${PIPESTATUS[0]}
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$rc" = 0 ] || fail "exit code $rc after the reader went away, expected 0"
[ "$elapsed" -lt 2000 ] || fail "took $elapsed ms to notice the reader went away"
echo "follow: ok"
