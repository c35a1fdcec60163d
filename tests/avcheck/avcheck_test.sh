#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Known answers of kestrel-avcheck: clean kestrel outputs of built recordings,
# then the same outputs damaged by hand at a frame or GOP boundary.
#   usage: avcheck_test.sh CASE AVCHECK KESTREL KESTREL-RECBUILD SAMPLES-DIR WORK-DIR
# The case "MakeOutputs" builds the recordings and runs kestrel on them into
# WORK-DIR; every other case checks (damaged copies of) those outputs.
set -euo pipefail
case_name=$1 avcheck=$2 kestrel=$3 recbuild=$4 samples=$5 work=$6

# The sample audio runs at 48 kHz: Layer II at 256 kbit/s in 768-byte frames
# of 24 ms, AC-3 at 448 kbit/s in 1792-byte frames of 32 ms.
mp2_frame=768 ac3_frame=1792
# A GOP of the sample video: 15 pictures of 1001/30000 s.
gop_ms=500.5

fail() {
    echo "FAIL ($case_name): $*"
    exit 1
}

# make KIND AUDIO [BUILDER OPTIONS]: a two-loop recording and kestrel's outputs.
make() {
    local kind=$1 audio=$2 option=
    shift 2
    [ "$kind" = standalone ] && option=-s
    "$recbuild" --video "$samples/sample.m2v" --audio "$samples/sample.$audio" --loops 2 "$@" \
        --out "$work/$kind.ty" >/dev/null
    "$kestrel" $option "$work/$kind.ty" "$work/$kind.m2v" "$work/$kind.$audio" >/dev/null
}

# expect KIND AUDIO-FILE VIDEO-FILE "FRAMES" "PICTURES" LARGEST END: runs the
# checker on the kind's recording and compares its four lines.
expect() {
    local kind=$1 audio=$2 video=$3 option=
    [ "$kind" = standalone ] && option=-s
    local got want
    got=$("$avcheck" $option "$work/$kind.ty" "$video" "$audio") || fail "exit code $?"
    want="audio frames: $4
pictures: $5
largest A/V error: $6 ms
A/V error at the end: $7 ms"
    [ "$got" = "$want" ] || fail $'expected\n'"$want"$'\ngot\n'"$got"
}

# The first N frames of FILE (frames of SIZE bytes), then the rest from frame M on.
splice() {
    local file=$1 size=$2 n=$3 m=$4
    head -c $((n * size)) "$file"
    tail -c +$((m * size + 1)) "$file"
}

# K copies of a frame that matches nothing: a real header, zeros after it.
garbage_frames() {
    local file=$1 size=$2 k=$3
    for ((i = 0; i < k; i++)); do
        head -c 8 "$file"
        head -c $((size - 8)) /dev/zero
    done
}

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mp2=$work/dtivo.mp2 ac3=$work/ac3.ac3

case $case_name in
    MakeOutputs)
        mkdir -p "$work"
        make dtivo mp2
        make standalone mp2 --standalone
        make ac3 ac3
        ;;
    CleanOutputsAreInSync)
        expect dtivo "$mp2" "$work/dtivo.m2v" "834 matched, 0 unmatched" "600 matched, 0 unmatched" 0.0 0.0
        expect standalone "$work/standalone.mp2" "$work/standalone.m2v" \
            "834 matched, 0 unmatched" "600 matched, 0 unmatched" 0.0 0.0
        expect ac3 "$ac3" "$work/ac3.m2v" "626 matched, 0 unmatched" "600 matched, 0 unmatched" 0.0 0.0
        ;;
    CutAudioFramesComeEarly)
        # Frames 300 to 302 cut: nothing moves before them, 3 x 24 ms after.
        head -c $((300 * mp2_frame)) "$mp2" >"$out/before.mp2"
        expect dtivo "$out/before.mp2" "$work/dtivo.m2v" "300 matched, 0 unmatched" \
            "600 matched, 0 unmatched" 0.0 0.0
        splice "$mp2" $mp2_frame 300 303 >"$out/cut.mp2"
        expect dtivo "$out/cut.mp2" "$work/dtivo.m2v" "831 matched, 0 unmatched" \
            "600 matched, 0 unmatched" -72.0 -72.0
        splice "$work/standalone.mp2" $mp2_frame 500 501 >"$out/cut.mp2"
        expect standalone "$out/cut.mp2" "$work/standalone.m2v" "833 matched, 0 unmatched" \
            "600 matched, 0 unmatched" -24.0 -24.0
        splice "$ac3" $ac3_frame 100 102 >"$out/cut.ac3"
        expect ac3 "$out/cut.ac3" "$work/ac3.m2v" "624 matched, 0 unmatched" \
            "600 matched, 0 unmatched" -64.0 -64.0
        ;;
    InsertedFramesComeLateAndAreCounted)
        { head -c $((200 * mp2_frame)) "$mp2"; garbage_frames "$mp2" $mp2_frame 2
          tail -c +$((200 * mp2_frame + 1)) "$mp2"; } >"$out/more.mp2"
        expect dtivo "$out/more.mp2" "$work/dtivo.m2v" "834 matched, 2 unmatched" \
            "600 matched, 0 unmatched" 48.0 48.0
        { head -c $((400 * ac3_frame)) "$ac3"; garbage_frames "$ac3" $ac3_frame 3
          tail -c +$((400 * ac3_frame + 1)) "$ac3"; } >"$out/more.ac3"
        expect ac3 "$out/more.ac3" "$work/ac3.m2v" "626 matched, 3 unmatched" \
            "600 matched, 0 unmatched" 96.0 96.0
        ;;
    RemovedGopMovesTheAudioBack)
        # Every GOP starts with a sequence header: the fifth GOP goes.
        mapfile -t starts < <(LC_ALL=C grep -obUaP '\x00\x00\x01\xB3' "$work/dtivo.m2v" | cut -d: -f1)
        { head -c "${starts[4]}" "$work/dtivo.m2v"
          tail -c +$((starts[5] + 1)) "$work/dtivo.m2v"; } >"$out/short.m2v"
        expect dtivo "$mp2" "$out/short.m2v" "834 matched, 0 unmatched" "585 matched, 0 unmatched" \
            $gop_ms $gop_ms
        ;;
    UnreadableInputExitsWithTwo)
        status=0
        "$avcheck" "$work/missing.ty" "$work/dtivo.m2v" "$mp2" >/dev/null 2>&1 || status=$?
        [ $status = 2 ] || fail "a missing recording: exit code $status"
        status=0
        "$avcheck" "$work/dtivo.ty" "$mp2" "$mp2" >/dev/null 2>&1 || status=$?
        [ $status = 2 ] || fail "audio as video: exit code $status"
        ;;
    *) fail "no such case" ;;
esac
