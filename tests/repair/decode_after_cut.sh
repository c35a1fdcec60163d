#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cuts two blocks out of a real stream, at offsets inside pictures, and runs
# the repairer over the rest with a join at each cut. ffmpeg must decode the
# result without a word; the same stream cut but not repaired must make it
# complain, or the test would prove nothing. Exits 77 without ffmpeg.
#   decode_after_cut.sh REPAIR_FILE SAMPLE WORKDIR
set -euo pipefail
command -v ffmpeg >/dev/null || { echo "ffmpeg not installed: skipped"; exit 77; }
repair=$1 sample=$2 work=$3
mkdir -p "$work"
cuts=(1000000:1100000 2000003:2500000)

decodeErrors() { ffmpeg -nostdin -v error -i "$1" -f null - 2>&1; }

# The same stream with the blocks left out, as the recording would give it.
kept=0
for range in "${cuts[@]}"; do
    head -c "${range%:*}" "$sample" | tail -c +$((kept + 1))
    kept=${range#*:}
done >"$work/cut.m2v"
tail -c +$((kept + 1)) "$sample" >>"$work/cut.m2v"
if [ -z "$(decodeErrors "$work/cut.m2v")" ]; then
    echo "the cut stream decodes cleanly even without repair"
    exit 1
fi

"$repair" "$sample" "$work/repaired.m2v" "${cuts[@]}" | tee "$work/counts.txt"
written=$(cut -d' ' -f1 "$work/counts.txt")
[ "$written" -ge 200 ] || { echo "only $written pictures written"; exit 1; }
errors=$(decodeErrors "$work/repaired.m2v")
if [ -n "$errors" ]; then
    echo "$errors"
    exit 1
fi
echo "decoded cleanly"
