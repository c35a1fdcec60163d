#!/bin/sh
# The executable itself: main() hands the command line to the run, the console
# goes to standard output only, and the exit code comes back.
set -u
kestrel=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$kestrel" -h >"$dir/out" 2>"$dir/err"
[ $? -eq 1 ] || fail "kestrel -h must exit with 1"
[ ! -s "$dir/err" ] || fail "kestrel -h wrote to standard error"
[ "$(wc -l <"$dir/out")" -eq 10 ] || fail "kestrel -h must print ten lines"
[ "$(head -n 1 "$dir/out")" = "kestrel [options] <infile> <videofile> <audiofile>" ] ||
    fail "kestrel -h must start with the command line"

# An empty pipe with a jump: skipped by reading, then too few chunks.
: | "$kestrel" -j 3 - "$dir/v" "$dir/a" >"$dir/out" 2>"$dir/err"
[ $? -eq 1 ] || fail "an empty input must exit with 1"
[ ! -s "$dir/err" ] || fail "a run wrote to standard error"
grep -q "^Jumping 3 chunks into input (393216 total bytes)$" "$dir/out" || fail "jump line"
grep -q "^Sorry... Failed to get the first 10 initial chunks...$" "$dir/out" || fail "Sorry line"
echo "ok"
