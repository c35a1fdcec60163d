#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs what README.md tells a user to paste, and kestrel-remux, for real:
#
#   readme_test.sh CASE SOURCE_DIR KESTREL RECBUILD
#
# The cases that need ffmpeg exit 77 (skipped) without it. Recordings come from
# the sample streams; the Layer II samples have 24 ms frames, 48 kHz.
set -euo pipefail
case_name=$1 source=$2
kestrel=$(realpath "$3") recbuild=$(realpath "$4")
frame_ms=24

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir bin
ln -s "$kestrel" bin/kestrel
ln -s "$source/tools/kestrel-remux" bin/kestrel-remux
export PATH="$work/bin:$PATH"

fail() {
    echo "FAIL ($case_name): $*"
    exit 1
}
require_ffmpeg() {
    command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null && return
    echo "NOTE: ffmpeg is not installed; $case_name is skipped."
    exit 77
}

# The first ```sh block after the README line HEADING.
readme_block() {
    awk -v h="$1" '$0 == h { found = 1 } found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' "$source/README.md"
}

# recording NAME OFFSET_TICKS: a recording whose audio starts OFFSET_TICKS
# after the video (before it when negative).
recording() {
    "$recbuild" --video "$source/testdata/sample.m2v" --audio "$source/testdata/sample.mp2" \
        --audio-offset "$2" --out "$1" --expected-video "${1%.ty}.expected.m2v" \
        --expected-audio "${1%.ty}.expected.mp2" >/dev/null
}

# The signed milliseconds of kestrel's "A/V Sync Offset" line in a console log.
reported_offset() {
    sed -n 's/^A\/V Sync Offset: \(-\{0,1\}[0-9]*\)ms.*/\1/p' "$1"
}

# check_muxed FILE OFFSET_TICKS REPORTED_MS: in the muxed file the audio starts
# where the report says, relative to the first picture (within one audio
# frame), which is where the recording had it, less whole frames that kestrel
# dropped in front; and the file decodes without errors.
check_muxed() {
    local file=$1 built_ms=$(($2 / 90)) reported=$3 starts d
    starts=$(ffprobe -v error -show_entries stream=codec_type,start_time -of csv=p=0 "$file")
    d=$(awk -F, '$1 == "video" { v = $2 } $1 == "audio" { a = $2 }
        END { printf "%.0f", (a - v) * 1000 }' <<<"$starts")
    echo "$file: the audio starts $d ms after the video; built $built_ms ms, reported $reported ms"
    awk -v d="$d" -v r="$reported" -v b="$built_ms" -v f="$frame_ms" 'BEGIN {
        dropped = (d - b) / f
        exit !(d + r <= f && -(d + r) <= f && dropped > -0.1 && dropped - int(dropped + 0.1) < 0.1) }' ||
        fail "$file: the audio is not where the recording had it"
    local errors
    errors=$(ffmpeg -nostdin -v error -i "$file" -f null - 2>&1) || fail "ffmpeg cannot decode $file"
    [ -z "$errors" ] || fail "ffmpeg reports errors in $file: $errors"
}

# Audio 40 ms early (kestrel keeps it from the frame 8 ms after the first
# picture), 10 ms early (kept: an early report) and 40 ms late.
case_RemuxKeepsTheAudioInPlace() {
    require_ffmpeg
    local offset format
    for offset in -3600 -900 3600; do
        recording "rec$offset.ty" "$offset"
        for format in mkv mpg; do
            kestrel-remux "rec$offset.ty" "out$offset.$format" >log 2>&1 ||
                fail "kestrel-remux failed: $(cat log)"
            check_muxed "out$offset.$format" "$offset" "$(reported_offset log)"
        done
    done
    kestrel-remux "rec$offset.ty" "out$offset.mkv" >log 2>&1 && fail "an existing output was overwritten"
    grep -q "exists" log || fail "no message for an existing output: $(cat log)"
}

# The steps by hand, as README gives them, with the reported offset pasted in.
case_ReadmeRecipeKeepsTheAudioInPlace() {
    require_ffmpeg
    local offset reported
    readme_block "By hand, it is these steps. ffmpeg stamps a raw video stream in decoding order," >recipe.sh
    grep -q '^x=-40 ' recipe.sh || fail "README's recipe has no line 'x=-40'"
    for offset in -900 3600; do
        mkdir "by-hand$offset" && cd "by-hand$offset"
        recording recording.ty "$offset"
        kestrel recording.ty v.m2v a.mp2 >log
        reported=$(reported_offset log)
        sed "s/^x=-40 /x=$reported /" ../recipe.sh >recipe.sh
        bash recipe.sh >recipe.log 2>&1 </dev/null ||
            fail "the recipe failed: $(cat recipe.log)"
        check_muxed recording.mkv "$offset" "$reported"
        check_muxed recording.mpg "$offset" "$reported"
        cd ..
    done
}

case_RemuxWithoutFfmpegFails() {
    recording rec.ty 0
    local code=0
    PATH=$work/bin kestrel-remux rec.ty out.mkv >log 2>&1 || code=$?
    [ "$code" -eq 1 ] || fail "exit code $code without ffmpeg, expected 1"
    grep -q "ffmpeg is not installed" log || fail "no clear message without ffmpeg: $(cat log)"
    [ ! -e out.mkv ] || fail "an output was written"
}

# ffmpeg killed part-way by the file size limit, set between the size of the
# streams kestrel writes and that of the muxed file: no OUTPUT and no work
# folder are left, and the retry succeeds.
case_RemuxFailingPartWayLeavesNoOutput() {
    require_ffmpeg
    recording rec.ty 3600
    kestrel rec.ty v.m2v a.mp2 >/dev/null
    local blocks=$((($(stat -c %s v.m2v) + $(stat -c %s a.mp2) / 2) / 1024)) code=0
    (
        ulimit -f "$blocks"
        kestrel-remux rec.ty out.mkv
    ) >log 2>&1 || code=$?
    [ "$code" -eq 1 ] || fail "exit code $code under the size limit, expected 1: $(cat log)"
    grep -q "^kestrel-remux: ffmpeg could not write out.mkv" log || fail "not ffmpeg failing: $(cat log)"
    [ ! -e out.mkv ] || fail "a truncated output was left"
    ! compgen -G ".kestrel-remux.*" >/dev/null || fail "the work folder was left"
    kestrel-remux rec.ty out.mkv >log 2>&1 || fail "the retry failed: $(cat log)"
    check_muxed out.mkv 3600 "$(reported_offset log)"
}

# Names that ffmpeg would read as a protocol or an option, relative and
# absolute, and a recording whose name kestrel would read as an option; "-"
# still names standard input.
case_RemuxTakesAnyFileName() {
    require_ffmpeg
    recording ./-x.ty -900
    mkdir a:b
    local output
    for output in ep1:pilot.mkv -o.mkv a:b/out.mkv "$work/a:b/-abs.mpg"; do
        kestrel-remux -x.ty "$output" >log 2>&1 || fail "kestrel-remux -x.ty $output failed: $(cat log)"
        check_muxed "file:$output" -900 "$(reported_offset log)"
    done
    kestrel-remux - stdin.mkv <./-x.ty >log 2>&1 || fail "kestrel-remux from standard input failed: $(cat log)"
    check_muxed stdin.mkv -900 "$(reported_offset log)"
}

# Every ffprobe or ffmpeg failure ends with a message of kestrel-remux's own:
# stand-ins for them, each a shell body, fail at each step in turn.
case_RemuxReportsToolFailures() {
    recording rec.ty 0
    mkdir fake
    local ffprobe ffmpeg message code
    while IFS='|' read -r ffprobe ffmpeg message; do
        printf '#!/bin/sh\n%s\n' "$ffprobe" >fake/ffprobe
        printf '#!/bin/sh\n%s\n' "$ffmpeg" >fake/ffmpeg
        chmod +x fake/*
        code=0
        PATH=$work/fake:$PATH kestrel-remux rec.ty out.mkv >log 2>&1 || code=$?
        [ "$code" -eq 1 ] || fail "exit code $code, expected 1 with '$message'"
        grep -qxF "kestrel-remux: $message" log || fail "no message '$message': $(cat log)"
        [ ! -e out.mkv ] || fail "an output was written"
    done <<'EOF'
exit 1|exit 0|ffprobe could not read the video that kestrel wrote
exit 0|exit 0|ffprobe found no picture in the video that kestrel wrote
echo 0.033367|exit 1|ffmpeg could not write out.mkv
EOF
}

# README's batch example over a folder with blanks in its names: every
# recording is split beside itself, with its report in a .log file.
case_BatchExample() {
    mkdir -p "recordings/old shows"
    recording "recordings/first one.ty" 0
    recording "recordings/old shows/second.ty" 3600
    readme_block "### A folder of recordings" >batch.sh
    [ -s batch.sh ] || fail "README has no batch example"
    bash batch.sh || fail "the batch example failed"
    local base
    for base in "recordings/first one" "recordings/old shows/second"; do
        cmp "$base.m2v" "$base.expected.m2v" || fail "$base.m2v is not what kestrel should write"
        cmp "$base.mp2" "$base.expected.mp2" || fail "$base.mp2 is not what kestrel should write"
        grep -q '^A/V Sync Offset: ' "$base.log" || fail "$base.log holds no report"
    done
}

"case_$case_name"
echo "PASS: $case_name"
