#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the sample elementary streams that the recording builder packs into
# recordings. Run once by hand; the outputs are committed beside this script,
# so builds and tests never need ffmpeg. Everything comes from ffmpeg's own
# synthetic sources, encoded single-threaded with bit-exact flags so that a
# rerun on the same ffmpeg version gives the same bytes.
#
#   sample.m2v  MPEG-2 video, 720x480, 29.97 fps, GOP of 15 with two B pictures
#               between references, 2.5 Mbit/s constant rate (below the usual
#               4 Mbit/s to keep the committed file near 3 MB), 10 s
#   sample.mp2  MPEG-1 Layer II, 48 kHz stereo, 256 kbit/s, 10 s
#   sample.ac3  AC-3, 48 kHz 5.1, 448 kbit/s, 10 s
set -euo pipefail
cd "$(dirname "$0")"

seconds=10
common=(-hide_banner -loglevel error -y -threads 1 -fflags +bitexact)

ffmpeg "${common[@]}" \
    -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=${seconds}" \
    -an -c:v mpeg2video -pix_fmt yuv420p -g 15 -bf 2 \
    -b:v 2500k -minrate 2500k -maxrate 2500k -bufsize 1835k \
    -flags +bitexact -f mpeg2video sample.m2v

ffmpeg "${common[@]}" \
    -f lavfi -i "aevalsrc=0.4*sin(2*PI*440*t)|0.4*sin(2*PI*660*t):s=48000:c=stereo:d=${seconds}" \
    -c:a mp2 -b:a 256k -flags +bitexact -f mp2 sample.mp2

ffmpeg "${common[@]}" \
    -f lavfi -i "aevalsrc=0.3*sin(2*PI*330*t)|0.3*sin(2*PI*440*t)|0.3*sin(2*PI*550*t)|0.3*sin(2*PI*60*t)|0.3*sin(2*PI*660*t)|0.3*sin(2*PI*770*t):s=48000:c=5.1:d=${seconds}" \
    -c:a ac3 -b:a 448k -flags +bitexact -f ac3 sample.ac3

ls -l sample.m2v sample.mp2 sample.ac3
