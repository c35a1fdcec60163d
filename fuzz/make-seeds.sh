#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets from recordings built by
# kestrel-recbuild: clean DTivo Layer II, DTivo AC-3 and Standalone recordings
# and one recording for every kind of damage the builder makes.
#   usage: fuzz/make-seeds.sh KESTREL-RECBUILD OUT-DIR
# Writes OUT-DIR/run (whole runs: 10 to 14 chunks, whole or with each chunk cut
# to its first 4 KiB and ended by the "<pad>" marker) and OUT-DIR/parse_chunk
# (1 to 3 chunks). Byte 0 of every seed picks the options (see harness.h).
set -euo pipefail
recbuild=$1
out=$2
samples="$(cd "$(dirname "$0")/../testdata" && pwd)"
chunk=131072

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out/run" "$out/parse_chunk"
mkdir -p "$out/run" "$out/parse_chunk"

# name, audio sample, chunks in the whole-run seeds, builder options
recordings=(
    "dtivo mp2 10"
    "ac3 ac3 12"
    "standalone mp2 14 --standalone"
    "split mp2 12 --split-audio 3"
    "midgop mp2 12 --start-picture 5 --audio-offset -3000"
    "duplicate mp2 13 --duplicate-chunk 11"
    "oob mp2 13 --oob-after 11 --oob-distance 10"
    "badstart mp2 12 --bad-chunk-after 3"
    "badpump ac3 13 --bad-chunk-after 11"
    "eod9 mp2 12 --end-of-data 9"
    "eod12 ac3 14 --end-of-data 12"
    "cut mp2 13 --cut 12"
)

# Byte 0 of a whole-run seed: verbosity (0 quiet, 1 -v; -V, which dumps every
# record, is left to the fuzzer: it makes runs many times slower), plus -s for
# Standalone.
run_mode() {
    local mode=$2
    [ "$1" = standalone ] && mode=$((mode + 4))
    printf "\\x0$mode"
}

# Byte 0 of a ParseChunk seed: Dolby Digital and Standalone modes.
parse_mode() {
    case $1 in
        ac3 | badpump | eod12) printf '\x04' ;;
        standalone) printf '\x08' ;;
        *) printf '\x00' ;;
    esac
}

# Chunks FIRST.. (COUNT of them) of a recording, whole.
chunks() { tail -c +$(($2 * chunk + 1)) "$1" | head -c $(($3 * chunk)) || true; }

# The same chunks, each cut to its first 4 KiB (table and first payloads).
compact_chunks() {
    for ((i = $2; i < $2 + $3; i++)); do
        chunks "$1" "$i" 1 | head -c 4096 || true
        printf '<pad>'
    done
}

for spec in "${recordings[@]}"; do
    read -r name audio count options <<<"$spec"
    rec="$work/$name.ty"
    # shellcheck disable=SC2086  # options are words
    "$recbuild" --video "$samples/sample.m2v" --audio "$samples/sample.$audio" \
        $options --out "$rec" >/dev/null
    { run_mode "$name" 0; chunks "$rec" 0 "$count"; } >"$out/run/$name"
    { run_mode "$name" 1; compact_chunks "$rec" 0 "$count"; } >"$out/run/$name-compact"
    # The leading chunk of a Standalone recording is there for -s to skip.
    first=0
    [ "$name" = standalone ] && first=1
    { parse_mode "$name"; chunks "$rec" $first 3; } >"$out/parse_chunk/$name-start"
    { parse_mode "$name"; chunks "$rec" 11 2; } >"$out/parse_chunk/$name-later"
    { parse_mode "$name"; compact_chunks "$rec" 9 3; } >"$out/parse_chunk/$name-compact"
done
