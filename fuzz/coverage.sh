#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Line coverage of the core (src/) reached by the fuzz corpora: the seed
# corpus alone, then the seeds together with the inputs the last fuzz/run.sh
# collected in build/fuzz/corpus (or those of a campaign, fuzz/campaign.sh:
# build/fuzz/campaign) and the regression corpus. Builds the fuzz targets
# with clang's source-based coverage into build/fuzz-coverage, replays every
# input once and prints llvm-cov's figures.
#   usage: fuzz/coverage.sh [-v] [CORPUS-DIR]   (-v: the per-file table too)
set -euo pipefail
cd "$(dirname "$0")/.."

verbose=
if [ "${1:-}" = -v ]; then
    verbose=-v
    shift
fi
corpus=${1:-build/fuzz/corpus}
build=build/fuzz-coverage
recbuild=build/default/tools/recbuild/kestrel-recbuild
profdata=$(command -v llvm-profdata llvm-profdata-14 | head -n 1 || true)
llvm_cov=$(command -v llvm-cov llvm-cov-14 | head -n 1 || true)
if [ -z "$profdata" ] || [ -z "$llvm_cov" ]; then
    echo "fuzz/coverage.sh needs llvm-profdata and llvm-cov (Debian: apt-get install llvm)" >&2
    exit 1
fi

echo "== Building the fuzz targets with coverage instrumentation ($build)"
log=$(mktemp)
profiles=$(mktemp -d)
trap 'rm -rf "$log" "$profiles"' EXIT
if ! { cmake --preset default && cmake --build --preset default -j2 --target kestrel-recbuild &&
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
        -DKESTREL_BUILD_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF &&
    cmake --build "$build" -j2 --target fuzz_run fuzz_parse_chunk fuzz_compact; } >"$log" 2>&1; then
    cat "$log"
    exit 1
fi
# (fuzz_compact is instrumented too: its profile is not wanted.)
LLVM_PROFILE_FILE=/dev/null bash fuzz/make-seeds.sh "$recbuild" "$build/fuzz/fuzz_compact" \
    "$build/seeds"

# replay NAME DIR...: runs every input of the DIRs through its target (the
# target's name is the DIR's last component) and merges the profiles.
replay() {
    local name=$1 dir target
    shift
    rm -f "$profiles"/*.profraw
    for dir in "$@"; do
        [ -d "$dir" ] || continue
        target=$(basename "$dir")
        # A campaign still running replaces inputs as it goes: replay a copy
        # of the files there are now.
        rm -rf "$profiles/inputs"
        mkdir "$profiles/inputs"
        find "$dir" -type f -print0 | xargs -0 -r cp -t "$profiles/inputs" 2>/dev/null || true
        find "$profiles/inputs" -type f -print0 |
            LLVM_PROFILE_FILE="$profiles/%p.profraw" xargs -0 -r -n 100 \
                "$build/fuzz/fuzz_$target" >/dev/null 2>&1 ||
            echo "warning: not every input in $dir ran to an end" >&2
    done
    "$profdata" merge -sparse "$profiles"/*.profraw -o "$profiles/$name.profdata"
}

# Prints the line coverage of src/ for a merged profile.
report() {
    local report
    report=$("$llvm_cov" report "$build/fuzz/fuzz_run" -object "$build/fuzz/fuzz_parse_chunk" \
        -instr-profile="$profiles/$1.profdata" "$PWD/src")
    [ "$verbose" = -v ] && echo "$report"
    # TOTAL  regions missed cover  functions missed cover  lines missed cover ...
    echo "$report" | awk -v what="$2" '$1 == "TOTAL" {
        printf "%s: line coverage of src/ %s (%d of %d lines)\n", what, $10, $8 - $9, $8 }'
}

replay seeds "$build/seeds/run" "$build/seeds/parse_chunk"
report seeds "Seed corpus"
replay all "$build/seeds/run" "$build/seeds/parse_chunk" \
    "$corpus/run" "$corpus/parse_chunk" \
    fuzz/regressions/run fuzz/regressions/parse_chunk
report all "Seeds, fuzzing corpus and regressions"
