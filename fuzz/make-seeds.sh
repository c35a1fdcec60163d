#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the seed corpora of the fuzz targets from recordings built by
# kestrel-recbuild: clean DTivo Layer II, DTivo AC-3 and Standalone recordings
# and one recording for every kind of damage the builder makes.
#   usage: fuzz/make-seeds.sh KESTREL-RECBUILD FUZZ-COMPACT OUT-DIR
# Writes OUT-DIR/run (whole runs: 10 to 14 chunks) and OUT-DIR/parse_chunk
# (2 or 3 chunks), all in the compact form of harness.h that fuzz_compact
# makes: each chunk's head and record table and the first bytes of each
# payload (packet, sequence and frame headers), the rest left to expand to
# zeros. Byte 0 of every seed picks the options (see harness.h).
set -euo pipefail
recbuild=$1
compact=$2
out=$3
samples="$(cd "$(dirname "$0")/../testdata" && pwd)"
chunk=131072

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out/run" "$out/parse_chunk"
mkdir -p "$out/run" "$out/parse_chunk"

# Byte 0 of each seed picks the options (harness.h). The fuzzer seldom mutates
# that one byte of a long input, so the seeds spread the choices between them:
# every verbosity, -s, -n, each chunk limit, each jump and -R of the whole-run
# target, and every mode of the ParseChunk target. Only one whole-run seed is
# at -V, whose record dumps make a run many times slower.
#
# name, audio sample, chunks in the whole-run seeds, byte 0 of the two
# whole-run seeds (payload pieces of 32 and of 12 bytes), byte 0 of the
# ParseChunk seeds, builder options
recordings=(
    "dtivo mp2 10 00 01 00"
    "ac3 ac3 12 10 09 04"
    "standalone mp2 14 04 85 08 --standalone"
    "split mp2 12 20 02 50 --split-audio 3"
    "midgop mp2 12 40 31 20 --start-picture 5 --audio-offset -3000"
    "duplicate mp2 13 08 21 00 --duplicate-chunk 11"
    "oob mp2 13 80 11 80 --oob-after 11 --oob-distance 10"
    "badstart mp2 12 c0 01 10 --bad-chunk-after 3"
    "badpump ac3 13 00 41 34 --bad-chunk-after 11"
    "eod9 mp2 12 00 01 44 --end-of-data 9"
    "eod12 ac3 14 18 03 04 --end-of-data 12"
    "cut mp2 13 00 01 00 --cut 12"
    "lost mp2 15 00 c1 00 --lose-chunk 11"
    "lostsa mp2 15 04 c5 08 --standalone --lose-chunk 11"
)

byte() { printf '%b' "\\x$1"; }

# Chunks FIRST.. (COUNT of them) of a recording, in compact form with payload
# pieces of PIECE bytes.
chunks() {
    { tail -c +$(($2 * chunk + 1)) "$1" || true; } | head -c $(($3 * chunk)) | "$compact" "$4"
}

for entry in "${recordings[@]}"; do
    read -r name audio count whole lean parse options <<<"$entry"
    rec="$work/$name.ty"
    # shellcheck disable=SC2086  # options are words
    "$recbuild" --video "$samples/sample.m2v" --audio "$samples/sample.$audio" \
        $options --out "$rec" >/dev/null
    { byte "$whole"; chunks "$rec" 0 "$count" 32; } >"$out/run/$name"
    { byte "$lean"; chunks "$rec" 0 "$count" 12; } >"$out/run/$name-lean"
    # The leading chunk of a Standalone recording is there for -s to skip.
    first=0
    [ "$name" = standalone ] && first=1
    # The same recorder and audio modes at each verbosity (quiet, -v, -V).
    { byte "$parse"; chunks "$rec" $first 3 64; } >"$out/parse_chunk/$name-start"
    { byte "$(printf %02x $((0x$parse | 1)))"; chunks "$rec" 11 2 64; } >"$out/parse_chunk/$name-later"
    { byte "$(printf %02x $((0x$parse | 2)))"; chunks "$rec" 9 3 16; } >"$out/parse_chunk/$name-lean"
    case $name in
    lost*) # the last chunk before the gap and the three after it, with and without -R
        { byte "$parse"; chunks "$rec" 10 4 32; } >"$out/parse_chunk/$name-resync"
        { byte "$(printf %02x $((0x$parse | 0xc1)))"; chunks "$rec" 10 4 32; } \
            >"$out/parse_chunk/$name-never"
        ;;
    esac
done
