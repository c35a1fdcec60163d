#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Lets ffmpeg decode streams of silent frames made after real frames, one
# stream for every kind of audio the recorders write:
#
#   silent_decode_test.sh WRITE_SILENT_FRAMES WORK_DIR
#
# For each case below ffmpeg encodes a fifth of a second of tone as the model
# stream; WRITE_SILENT_FRAMES writes 20 silent frames after one of its frames.
# ffmpeg must decode them without a word (CRCs checked), into exactly 20 frames
# of samples, all of them 0 (volumedetect's floor, -91 dB). Layer II modes
# that ffmpeg does not encode (joint stereo, dual channel) are made by
# rewriting the mode bits of a stereo model's header: the silent frame copies
# only the header. Exits 77 (a skipped test) when ffmpeg is not installed.
set -euo pipefail

writer=$1 work=$2
frames=20

if ! command -v ffmpeg >/dev/null; then
    echo "NOTE: ffmpeg is not installed; the silent-frame decode test is skipped."
    exit 77
fi
mkdir -p "$work"

# name                codec rate  layout  channels kbit/s mode   frame
cases="
mp2.48k.mono.64        mp2  48000 mono    1        64     -      0
mp2.48k.stereo.256     mp2  48000 stereo  2        256    -      0
mp2.48k.stereo.384     mp2  48000 stereo  2        384    -      0
mp2.48k.joint.256      mp2  48000 stereo  2        256    joint2 0
mp2.48k.dual.384       mp2  48000 stereo  2        384    dual   0
mp2.44k.stereo.256     mp2  44100 stereo  2        256    -      1
mp2.44k.joint.192      mp2  44100 stereo  2        192    joint1 1
mp2.44k.dual.128       mp2  44100 stereo  2        128    dual   0
mp2.32k.mono.96        mp2  32000 mono    1        96     -      0
mp2.32k.joint.128      mp2  32000 stereo  2        128    joint3 0
mp2.24k.stereo.96      mp2  24000 stereo  2        96     -      0
mp2.22k.mono.64        mp2  22050 mono    1        64     -      1
ac3.48k.mono.192       ac3  48000 mono    1        192    -      0
ac3.48k.stereo.192     ac3  48000 stereo  2        192    -      0
ac3.48k.2.1.192        ac3  48000 2.1     3        192    -      0
ac3.48k.5.0.448        ac3  48000 5.0     5        448    -      0
ac3.48k.5.1.448        ac3  48000 5.1     6        448    -      0
ac3.44k.stereo.192.a   ac3  44100 stereo  2        192    -      0
ac3.44k.stereo.192.b   ac3  44100 stereo  2        192    -      1
"

failures=0
fail() {
    echo "FAIL $name: $*"
    failures=$((failures + 1))
}

# Layer II header byte 3 holds mode (2 bits), mode extension (2) and four more.
setMode() {
    local file=$1 mode=$2 old new
    old=$(od -An -tu1 -j3 -N1 "$file")
    case $mode in
    joint*) new=$(((1 << 6) | (${mode#joint} << 4) | (old & 15))) ;;
    dual) new=$(((2 << 6) | (old & 15))) ;;
    esac
    printf "\\x$(printf %02x "$new")" | dd of="$file" bs=1 seek=3 conv=notrunc status=none
}

while read -r name codec rate layout channels kbps mode frame; do
    [ -n "$name" ] || continue
    demuxer=$([ "$codec" = mp2 ] && echo mp3 || echo ac3)
    model=$work/$name.model.$codec silent=$work/$name.silent.$codec
    ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=0.2" \
        -af "aformat=channel_layouts=$layout" -c:a "$codec" -b:a "${kbps}k" -f "$codec" "$model"
    [ "$mode" = - ] || setMode "$model" "$mode"
    if ! length=$("$writer" "$model" "$frames" "$silent" "$frame"); then
        fail "no silent frame"
        continue
    fi
    errors=$(ffmpeg -nostdin -v error -xerror -err_detect crccheck -f "$demuxer" -i "$silent" \
        -f null - 2>&1) || fail "ffmpeg cannot decode it"
    [ -z "$errors" ] || fail "ffmpeg reports: $errors"
    stats=$(ffmpeg -nostdin -f "$demuxer" -i "$silent" -af volumedetect -f null - 2>&1 |
        sed -n 's/.*\(n_samples\|max_volume\): \([-0-9.]*\).*/\2/p' | tr '\n' ' ')
    read -r samples peak <<<"$stats"
    perFrame=$([ "$codec" = mp2 ] && echo 1152 || echo 1536)
    expected=$((frames * perFrame * channels))
    [ "${samples:-0}" = "$expected" ] || fail "$samples samples decoded, $expected expected"
    awk -v p="${peak:-0}" 'BEGIN { exit !(p <= -91) }' || fail "peak at $peak dB"
    echo "$name: frames of $length bytes, $samples samples, peak $peak dB"
done <<<"$cases"

[ "$failures" = 0 ] || exit 1
echo "all silent streams decode to silence"
