#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (cmake preset `fuzz`: clang, ASan + UBSan) and
# runs each for a bounded time on a seed corpus made by kestrel-recbuild, with
# the format's dictionary.
#   usage: fuzz/run.sh [SECONDS-PER-TARGET]      (default: $FUZZ_SECONDS or 60)
# Fails (exit 1) on any finding: a crash, a sanitizer report, a leak, a hang
# or running out of memory. The input that caused it is left in
# build/fuzz/artifacts/TARGET/. Each run starts afresh from the seeds and the
# inputs that once failed and were fixed (fuzz/regressions/TARGET); the new
# inputs it finds collect in build/fuzz/corpus/TARGET (for fuzz/coverage.sh).
# A corpus kept from run to run would soon take the whole time just to load.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: fuzz/run.sh [SECONDS-PER-TARGET]" >&2
    exit 2
fi
build=build/fuzz
recbuild=build/default/tools/recbuild/kestrel-recbuild

echo "== Building kestrel-recbuild (preset default) and the fuzz targets (preset fuzz)"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset default && cmake --build --preset default -j2 --target kestrel-recbuild &&
    cmake --preset fuzz && cmake --build --preset fuzz -j2; } >"$log" 2>&1; then
    cat "$log"
    exit 1
fi

echo "== Seed corpus"
bash fuzz/make-seeds.sh "$recbuild" "$build/fuzz/fuzz_compact" "$build/seeds"

# target, longest input: in the compact form (harness.h) the whole-run seeds
# of up to 14 chunks take under 48 KiB and the ParseChunk seeds of up to 3
# chunks under 15 KiB; a little room to grow on top. Longer inputs would only
# make every mutation, copy and hash slower.
targets=(
    "run 65536"
    "parse_chunk 16384"
)

failed=()
for entry in "${targets[@]}"; do
    read -r target max_len <<<"$entry"
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target
    regressions=fuzz/regressions/$target
    # Earlier findings have been looked at (and kept in fuzz/regressions).
    rm -rf "$artifacts" "$corpus"
    mkdir -p "$corpus" "$artifacts" "$regressions"
    echo "== fuzz_$target for ${seconds}s"
    status=0
    "$build/fuzz/fuzz_$target" "$corpus" "$build/seeds/$target" "$regressions" \
        -dict=fuzz/kestrel.dict -max_len="$max_len" -max_total_time="$seconds" \
        -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$artifacts/" \
        -print_final_stats=1 >"$build/fuzz_$target.log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz_$target.log" |
        grep -o '[0-9]*$' || echo "?")
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$build/fuzz_$target.log" |
        grep -o '[0-9]*$' || echo "?")
    if [ "$status" -ne 0 ] || [ -n "$(ls -A "$artifacts")" ]; then
        failed+=("$target")
        tail -n 60 "$build/fuzz_$target.log"
        echo "fuzz_$target: FINDING (exit $status); inputs in $artifacts/:"
        ls -l "$artifacts"
    else
        echo "fuzz_$target: $runs executions ($rate per second), no findings;" \
            "corpus $(find "$corpus" -type f | wc -l) inputs"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}"
    exit 1
fi
