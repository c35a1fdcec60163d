#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Damage sweep: how far kestrel's audio drifts from its video when chunks are
# lost. For each kind of recording (DTivo Layer II, Standalone Layer II, DTivo
# AC-3), K lost chunks (1, 5, 10, 20) and seeds 1 to 3, it builds a 60-second
# recording, deletes K distinct chunks picked at random (never one of the
# first 12, which kestrel reads to learn the stream), runs kestrel on it and
# measures the outputs with kestrel-avcheck and with ffmpeg's error count.
#
#   tools/av-sweep.sh [KESTREL OPTIONS...]
#
# The options go to every kestrel run (-s is added for Standalone), so the
# same sweep measures plain runs and runs with, say, -c. The programs come
# from build/default unless KESTREL, KESTREL_RECBUILD or KESTREL_AVCHECK name
# others.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/default
kestrel=${KESTREL:-$build/src/kestrel}
recbuild=${KESTREL_RECBUILD:-$build/tools/recbuild/kestrel-recbuild}
avcheck=${KESTREL_AVCHECK:-$build/tools/avcheck/kestrel-avcheck}
options=("$@")

chunk=131072
kept_chunks=12
losses=(1 5 10 20)
seeds=(1 2 3)

for program in "$kestrel" "$recbuild" "$avcheck"; do
    [ -x "$program" ] || { echo "av-sweep: $program is not built" >&2; exit 1; }
done
command -v ffmpeg >/dev/null || { echo "av-sweep: ffmpeg is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# build KIND: the kind's clean 60-second recording in $work/KIND.ty.
build() {
    local audio=mp2 family=()
    case $1 in
        standalone) family=(--standalone) ;;
        ac3) audio=ac3 ;;
    esac
    "$recbuild" --video "$root/testdata/sample.m2v" --audio "$root/testdata/sample.$audio" \
        --loops 6 "${family[@]}" --out "$work/$1.ty" >/dev/null
}

# lost_chunks COUNT SEED TOTAL: COUNT distinct chunk numbers from 12 to
# TOTAL - 1, the same for the same seed, in ascending order.
lost_chunks() {
    local count=$1 total=$3
    RANDOM=$2
    declare -A picked=()
    while [ ${#picked[@]} -lt "$count" ]; do
        picked[$((kept_chunks + (RANDOM * 32768 + RANDOM) % (total - kept_chunks)))]=1
    done
    printf '%s\n' "${!picked[@]}" | sort -n
}

# damage IN OUT CHUNKS...: IN without the given chunks, copied with dd.
damage() {
    local in=$1 out=$2 from=0
    shift 2
    : >"$out"
    for lost in "$@" $(($(stat -c %s "$in") / chunk)); do
        [ "$lost" -gt "$from" ] &&
            dd if="$in" of="$out" bs=$chunk skip="$from" count=$((lost - from)) \
                oflag=append conv=notrunc status=none
        from=$((lost + 1))
    done
}

# The value of one line of the checker's report.
reported() {
    sed -n "s|^$1: \(.*\) ms$|\1|p" "$work/check.txt"
}

# ffmpeg's error lines for FILE, read as FORMAT (none: guessed; ffmpeg reads
# Layer II through its MPEG audio input format "mp3").
decode_errors() {
    local format=()
    [ -n "${2:-}" ] && format=(-f "$2")
    ffmpeg -nostdin -v error "${format[@]}" -i "$1" -f null - 2>&1 | wc -l
}

measure() {
    local kind=$1 k=$2 seed=$3 audio=mp2 sa=()
    [ "$kind" = ac3 ] && audio=ac3
    [ "$kind" = standalone ] && sa=(-s)
    local input_format=$audio
    [ "$audio" = mp2 ] && input_format=mp3
    mapfile -t lost < <(lost_chunks "$k" "$seed" $(($(stat -c %s "$work/$kind.ty") / chunk)))
    damage "$work/$kind.ty" "$work/damaged.ty" "${lost[@]}"
    "$kestrel" "${sa[@]}" "${options[@]}" "$work/damaged.ty" "$work/out.m2v" "$work/out.$audio" \
        >"$work/kestrel.txt" || echo "av-sweep: kestrel exited with $? ($kind, K=$k, seed $seed)" >&2
    "$avcheck" "${sa[@]}" "$work/damaged.ty" "$work/out.m2v" "$work/out.$audio" >"$work/check.txt"
    printf '%-11s %3s %5s %14s %14s %13s %13s %s\n' "$kind" "$k" "$seed" \
        "$(reported "A/V error at the end")" "$(reported "largest A/V error")" \
        "$(decode_errors "$work/out.m2v")" "$(decode_errors "$work/out.$audio" "$input_format")" \
        "$(cut_costs)"
}

# What clean cuts (-c) cost, from kestrel's closing line: cuts, pictures and
# audio frames dropped, silent frames inserted.
cut_costs() {
    sed -n 's/^Clean cuts: \([0-9]*\); pictures dropped: \([0-9]*\); audio frames dropped: \([0-9]*\); silent frames inserted: \([0-9]*\)\.$/\1 \2 \3 \4/p' \
        "$work/kestrel.txt" | awk '{ printf "%5s %8s %7s %7s", $1, $2, $3, $4 }'
}

echo "kestrel options: ${options[*]:-(none)}"
printf '%-11s %3s %5s %14s %14s %13s %13s %s\n' kind K seed "end A/V (ms)" "largest (ms)" \
    "video errors" "audio errors" " cuts pictures  frames  silent"
for kind in dtivo standalone ac3; do
    build "$kind"
    for k in "${losses[@]}"; do
        for seed in "${seeds[@]}"; do measure "$kind" "$k" "$seed"; done
    done
done
