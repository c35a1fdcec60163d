#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-program performance of kestrel, measured against copying the recording
# with cat. Builds kestrel and the recording builder (preset default), makes
# 512 MiB DTivo recordings with Layer II and with AC-3 audio and a 64 MiB one
# (kept in build/bench-data/ and reused; delete them to rebuild), warms the
# page cache, then times every case RUNS times and prints the medians.
#
#   bench/run.sh [RUNS]        RUNS defaults to 7 (at least 5)
#
# Rounds interleave the cases, so that a change in the machine's load touches
# them all alike. Every timed run follows an untimed run of the same case and
# the removal of its files: the run then writes into memory just freed, as a
# run on a machine that is not starting up does. (On a virtual machine, memory
# that has been free for a while may first have to be handed back by the host,
# which makes single runs several times slower; the medians keep such runs out.)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-7}
if [ "$runs" -lt 5 ]; then
    echo "usage: bench/run.sh [RUNS]   (RUNS >= 5)" >&2
    exit 2
fi
build=build/default
data=build/bench-data
kestrel=$build/src/kestrel
recbuild=$build/tools/recbuild/kestrel-recbuild
measure=$build/bench/kestrel-measure
mkdir -p "$data"

echo "== Building kestrel, kestrel-recbuild and kestrel-measure (preset default)"
if ! { cmake --preset default && cmake --build --preset default -j2 \
    --target kestrel kestrel-recbuild kestrel-measure; } >"$data/build.log" 2>&1; then
    cat "$data/build.log"
    exit 1
fi

# make_recording NAME AUDIO_SAMPLE SIZE: a DTivo recording of the samples,
# repeated to SIZE.
make_recording() {
    local file=$data/$1.ty
    [ -f "$file" ] && return
    echo "== Building $file ($3)"
    "$recbuild" --video testdata/sample.m2v --audio "testdata/$2" --min-size "$3" \
        --out "$file.part" >/dev/null
    mv "$file.part" "$file"
}
make_recording dtivo-mp2-512M sample.mp2 512M
make_recording dtivo-ac3-512M sample.ac3 512M
make_recording dtivo-mp2-64M sample.mp2 64M
sync  # no write-back of the recordings during the runs

# timed RESULTS STDOUT COMMAND...: one run of COMMAND with its standard output
# to STDOUT, after an untimed run of it; the files of both runs are removed
# before they start. Appends "wall_ns user_us sys_us rss_kib" to RESULTS.
timed() {
    local results=$1 out=$2
    shift 2
    rm -f "$data/copy.ty" "$data/out.m2v" "$data/out.audio"
    "$@" >"$out"
    rm -f "$data/copy.ty" "$data/out.m2v" "$data/out.audio"
    local status wall user sys rss
    read -r status wall user sys rss < <("$measure" -o "$out" "$@")
    if [ "$status" != 0 ]; then
        echo "'$*' ended with exit code $status" >&2
        exit 1
    fi
    echo "$wall $user $sys $rss" >>"$results"
}

# middle: the median of the numbers on standard input, one a line.
middle() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
# median RESULTS COLUMN
median() {
    cut -d' ' -f"$2" "$1" | middle
}
# cpu RESULTS: the median of user + sys time.
cpu() {
    awk '{ print $2 + $3 }' "$1" | middle
}
# best RESULTS: the shortest time.
best() {
    cut -d' ' -f1 "$1" | sort -n | head -1
}
# maximum RESULTS COLUMN
maximum() {
    cut -d' ' -f"$2" "$1" | sort -n | tail -1
}

# row LABEL RESULTS BYTES CHUNKS: median time, MiB/s, CPU per chunk, peak RSS.
row() {
    local wall user sys rss
    wall=$(median "$2" 1)
    user=$(median "$2" 2)
    sys=$(median "$2" 3)
    rss=$(maximum "$2" 4)
    awk -v label="$1" -v wall="$wall" -v user="$user" -v sys="$sys" -v rss="$rss" \
        -v bytes="$3" -v chunks="$4" 'BEGIN {
            printf "  %-26s %7.3f s %8.0f MiB/s %8.2f %8.2f %9.2f MiB\n", label, wall / 1e9,
                bytes / 1048576 / (wall / 1e9), user / chunks, sys / chunks, rss / 1024 }'
}

# ratios RESULTS_PREFIX: kestrel against cat (and dd), by elapsed time and by
# CPU time; the latter is steadier on a machine shared with other work.
ratios() {
    awk -v k="$(median "$1.kestrel" 1)" -v c="$(median "$1.cat" 1)" -v d="$(median "$1.dd" 1)" \
        -v kc="$(cpu "$1.kestrel")" -v cc="$(cpu "$1.cat")" -v dc="$(cpu "$1.dd")" 'BEGIN {
            printf "  kestrel / cat: %.3f by time, %.3f by CPU time", k / c, kc / cc
            printf "   (kestrel / dd: %.3f, %.3f)\n", k / d, kc / dc }'
}

warm() {
    cat "$1" >/dev/null
    cat "$1" >/dev/null
}

# bench_recording NAME: all cases on one recording, interleaved round by round.
bench_recording() {
    local rec=$data/$1.ty
    local bytes chunks
    bytes=$(stat -c %s "$rec")
    chunks=$((bytes / 131072))
    local r=$data/results.$1
    rm -f "$r".*
    warm "$rec"
    for _ in $(seq "$runs"); do
        timed "$r.cat" "$data/copy.ty" cat "$rec"
        timed "$r.dd" /dev/null dd if="$rec" of="$data/copy.ty" bs=128K status=none
        timed "$r.kestrel" "$data/console.txt" "$kestrel" "$rec" "$data/out.m2v" "$data/out.audio"
        timed "$r.dry" "$data/console-n.txt" "$kestrel" -n "$rec" "$data/out.m2v" \
            "$data/out.audio"
        timed "$r.clean" "$data/console-c.txt" "$kestrel" -c "$rec" "$data/out.m2v" \
            "$data/out.audio"
    done
    echo
    echo "$1: $((bytes / 1048576)) MiB, $chunks chunks; median of $runs runs"
    echo "                                 time       throughput  user µs  sys µs  peak RSS"
    echo "                                                        /chunk   /chunk"
    row "cat recording > copy" "$r.cat" "$bytes" "$chunks"
    row "dd bs=128K (read/write)" "$r.dd" "$bytes" "$chunks"
    row "kestrel, both outputs" "$r.kestrel" "$bytes" "$chunks"
    row "kestrel -n" "$r.dry" "$bytes" "$chunks"
    row "kestrel -c (clean cuts)" "$r.clean" "$bytes" "$chunks"
    ratios "$r"
    # -c works on two processors: a host busy with other work slows it more
    # than the plain run, which the best times leave out.
    awk -v c="$(median "$r.clean" 1)" -v k="$(median "$r.kestrel" 1)" \
        -v cb="$(best "$r.clean")" -v kb="$(best "$r.kestrel")" \
        -v cc="$(cpu "$r.clean")" -v kc="$(cpu "$r.kestrel")" 'BEGIN {
            printf "  kestrel -c / kestrel: %.3f by time (%.3f by the best times), %.3f by CPU time\n",
                c / k, cb / kb, cc / kc }'
}

# rss_only NAME: peak RSS of kestrel (writing, -n, and -c) on one recording.
rss_only() {
    local rec=$data/$1.ty
    local r=$data/results.$1
    rm -f "$r".*
    warm "$rec"
    for _ in 1 2 3; do
        timed "$r.kestrel" "$data/console.txt" "$kestrel" "$rec" "$data/out.m2v" "$data/out.audio"
        timed "$r.dry" "$data/console-n.txt" "$kestrel" -n "$rec" "$data/out.m2v" \
            "$data/out.audio"
        timed "$r.clean" "$data/console-c.txt" "$kestrel" -c "$rec" "$data/out.m2v" \
            "$data/out.audio"
    done
    awk -v a="$(maximum "$r.kestrel" 4)" -v b="$(maximum "$r.dry" 4)" \
        -v c="$(maximum "$r.clean" 4)" -v name="$1" 'BEGIN {
        printf "\n%s: kestrel peak RSS %.2f MiB writing both outputs, %.2f MiB with -n, %.2f MiB with -c\n",
            name, a / 1024, b / 1024, c / 1024 }'
}

bench_recording dtivo-mp2-512M
bench_recording dtivo-ac3-512M
rss_only dtivo-mp2-64M
rm -f "$data/copy.ty" "$data/out.m2v" "$data/out.audio"
