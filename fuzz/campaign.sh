#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A long fuzzing campaign beside other work: each target runs as one job at
# nice 10 for a number of executions, on the seeds, the regression corpus and
# its own corpus in build/fuzz/campaign/TARGET, which a later campaign goes on
# from. Run fuzz/run.sh first: it builds the targets and makes the seeds.
#   usage: fuzz/campaign.sh [PARSE-CHUNK-RUNS [RUN-RUNS]]   (10000000, 1000000)
# Logs in build/fuzz/campaign/TARGET.log; an input that crashed a target in
# build/fuzz/campaign/artifacts/TARGET/ (the target stops there). Afterwards
# fuzz/coverage.sh build/fuzz/campaign reports the line coverage reached.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
out=$build/campaign
pids=()
# target, executions, longest input (as in run.sh)
for entry in "parse_chunk ${1:-10000000} 16384" "run ${2:-1000000} 65536"; do
    read -r target runs max_len <<<"$entry"
    mkdir -p "$out/$target" "$out/artifacts/$target" "fuzz/regressions/$target"
    nice -n 10 "$build/fuzz/fuzz_$target" "$out/$target" "$build/seeds/$target" \
        "fuzz/regressions/$target" -dict=fuzz/kestrel.dict -max_len="$max_len" \
        -runs="$runs" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/artifacts/$target/" >"$out/$target.log" 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
