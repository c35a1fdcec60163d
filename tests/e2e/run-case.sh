#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one case of cases.txt end to end:
#
#   run-case.sh run    CASE SOURCE_DIR WORK_DIR KESTREL RECBUILD AVCHECK
#   run-case.sh decode CASE SOURCE_DIR WORK_DIR
#
# "run" builds the case's recording in WORK_DIR, runs kestrel on it at
# verbosity 0 and with -v, and checks the exit code, both output files (the
# same from both runs) and the console text against golden/CASE.0.txt and
# golden/CASE.v.txt. Outputs of
# clean cuts (kestrel -c) are checked with kestrel-avcheck instead: no audio
# frame more than half a frame (plus rounding) from its place against the video. kestrel runs in
# WORK_DIR on the relative name rec.ty, so its console text holds no path of
# this machine. With KESTREL_UPDATE_GOLDEN=1 the console text is written to the
# golden files instead of compared (see update-golden.sh).
#
# "decode" lets ffmpeg decode the outputs of the last run; it exits 77 (a
# skipped test) when ffmpeg is not installed.
set -euo pipefail

mode=$1 case=$2 here=$3/tests/e2e testdata=$3/testdata work=$4

fail() {
    echo "FAIL ($case): $*"
    exit 1
}

line=$(grep -E "^$case +" "$here/cases.txt") || fail "no such case in cases.txt"
read -r _ audio exit outputs source _ options <<<"${line%%|*}"
read -r -a builder <<<"${line#*|}"
[ "$options" = - ] && options=

decodeOutputs() {
    if ! command -v ffmpeg >/dev/null; then
        echo "NOTE: ffmpeg is not installed; the decode check of $case is skipped."
        exit 77
    fi
    for f in video.m2v "audio.$audio"; do
        errors=$(ffmpeg -nostdin -v error -i "$work/$f" -f null - 2>&1) || fail "ffmpeg cannot decode $f"
        [ -z "$errors" ] || fail "ffmpeg reports errors in $f:"$'\n'"$errors"
    done
    echo "ffmpeg decodes video.m2v and audio.$audio without errors"
}

buildRecording() {
    rm -rf "$work"
    mkdir -p "$work"
    local expected=(--expected-video "$work/expected.m2v" --expected-audio "$work/expected.$audio")
    [ "$outputs" = clean ] && expected=()
    "$recbuild" --video "$testdata/sample.m2v" --audio "$testdata/sample.$audio" "${builder[@]}" \
        --out "$work/rec.ty" "${expected[@]}" >"$work/recbuild.log" 2>&1 ||
        fail "kestrel-recbuild failed: $(cat "$work/recbuild.log")"
    for ext in m2v "$audio"; do repeat "$testdata/sample.$ext" >"$work/source.$ext"; done
}

# The sample stream as many times over as the source column says.
repeat() {
    local times=1
    [[ $source == same\** ]] && times=${source#same\*}
    for ((i = 0; i < times; i++)); do cat "$1"; done
}

checkOutput() {
    local out=$work/$1 expected=$work/$2 sample=$work/$3
    case $outputs in
        expected) cmp "$out" "$expected" || fail "$1 differs from what the builder expects" ;;
        empty) [[ -f $out && ! -s $out ]] || fail "$1 should exist and be empty" ;;
        untouched) [ "$(cat "$out")" = stale ] || fail "$1 was changed" ;;
        clean) [ -s "$out" ] || fail "$1 is empty" ;;
    esac
    case $source in
        same*) cmp "$out" "$sample" || fail "$1 differs from the sample stream" ;;
        prefix)
            [ -s "$out" ] || fail "$1 is empty"
            cmp -n "$(stat -c %s "$out")" "$out" "$sample" || fail "$1 is not a prefix of the sample stream"
            ;;
    esac
}

# The largest A/V error kestrel-avcheck finds stays within half an audio frame
# (12 ms for Layer II, 16 ms for AC-3 at 48 kHz), and 2 ms for the time stamps'
# rounding to whole ticks and the picture grid.
checkSync() {
    local bound=14 standalone=() largest
    [ "$audio" = ac3 ] && bound=18
    [[ " $options " == *" -s "* ]] && standalone=(-s)
    "$avcheck" "${standalone[@]}" "$work/rec.ty" "$work/video.m2v" "$work/audio.$audio" \
        >"$work/avcheck.txt" || fail "kestrel-avcheck failed: $(cat "$work/avcheck.txt")"
    largest=$(sed -n 's/^largest A\/V error: -\{0,1\}\([0-9.]*\) ms$/\1/p' "$work/avcheck.txt")
    [ -n "$largest" ] || fail "kestrel-avcheck measured nothing: $(cat "$work/avcheck.txt")"
    awk -v e="$largest" -v b="$bound" 'BEGIN { exit !(e <= b) }' ||
        fail "the audio strays $largest ms from the video (at most $bound ms)"
}

runKestrel() {
    local level=$1 verbose=${2:-} golden=$here/golden/$case.$1.txt status=0
    for f in video.m2v "audio.$audio"; do echo stale >"$work/$f"; done
    # shellcheck disable=SC2086 # verbose and options are zero or more words
    (cd "$work" && "$kestrel" $verbose $options rec.ty video.m2v "audio.$audio" \
        >"console.$level.txt" 2>"stderr.$level.txt") || status=$?
    [ "$status" = "$exit" ] || fail "kestrel $verbose $options exited with $status, expected $exit"
    [ ! -s "$work/stderr.$level.txt" ] || fail "kestrel wrote to standard error: $(cat "$work/stderr.$level.txt")"
    checkOutput video.m2v expected.m2v source.m2v
    checkOutput "audio.$audio" "expected.$audio" "source.$audio"
    [ "$outputs" = clean ] && checkSync
    # The verbosity changes only the console text (with -c, quiet runs repair
    # on a second thread and verbose ones do not).
    for f in video.m2v "audio.$audio"; do
        if [ "$level" = 0 ]; then
            cp "$work/$f" "$work/quiet.$f"
        else
            cmp "$work/$f" "$work/quiet.$f" || fail "$f differs between verbosity 0 and $verbose"
        fi
    done
    if [ "${KESTREL_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$work/console.$level.txt" "$golden"
        echo "updated $golden"
    else
        diff -u "$golden" "$work/console.$level.txt" || fail "console text differs from $golden"
    fi
}

case $mode in
    run)
        kestrel=$(realpath "$5") recbuild=$(realpath "$6") avcheck=$(realpath "$7")
        buildRecording
        runKestrel 0
        runKestrel v -v
        echo "$case: exit code, outputs and console text as expected"
        ;;
    decode) decodeOutputs ;;
    *) fail "unknown mode $mode" ;;
esac
