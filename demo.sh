#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One-command demo: builds kestrel and the recording builder, packs the
# committed sample streams into a DTivo-style recording, demultiplexes it with
# kestrel and shows what came out. Everything it makes goes to ./demo-out/.
set -euo pipefail
cd "$(dirname "$0")"

out=demo-out
build=build/default
mkdir -p "$out"
rm -f "$out/video.m2v" "$out/audio.mp2"

echo "== Building kestrel and kestrel-recbuild (cmake preset 'default')"
if ! { cmake --preset default && cmake --build --preset default -j2 --target kestrel kestrel-recbuild; } \
    >"$out/build.log" 2>&1; then
    cat "$out/build.log"
    exit 1
fi

echo "== Building a recording from testdata/sample.m2v and testdata/sample.mp2"
"$build/tools/recbuild/kestrel-recbuild" \
    --video testdata/sample.m2v --audio testdata/sample.mp2 --split-audio 7 \
    --out "$out/demo.ty" --expected-video "$out/expected.m2v" --expected-audio "$out/expected.mp2"

echo "== kestrel $out/demo.ty $out/video.m2v $out/audio.mp2"
status=0
"$build/src/kestrel" "$out/demo.ty" "$out/video.m2v" "$out/audio.mp2" || status=$?
echo "(kestrel's exit code: $status)"
ok=$((status == 0))

echo "== What kestrel wrote"
for pair in video.m2v:expected.m2v audio.mp2:expected.mp2; do
    written=${pair%%:*} expected=${pair#*:}
    if [ ! -f "$out/$written" ]; then
        printf '  %-10s not written\n' "$written"
        ok=0
        continue
    fi
    size=$(wc -c <"$out/$written")
    if cmp -s "$out/$written" "$out/$expected"; then
        verdict="matches $expected"
    else
        verdict="DIFFERS from $expected"
        ok=0
    fi
    printf '  %-10s %9d bytes  %s\n' "$written" "$size" "$verdict"
done

if command -v ffprobe >/dev/null 2>&1; then
    echo "== ffprobe"
    for f in video.m2v audio.mp2; do
        [ -s "$out/$f" ] || continue
        ffprobe -hide_banner "$out/$f" 2>&1 | grep -E '^ *(Input|Duration|Stream)' || true
        if command -v ffmpeg >/dev/null 2>&1; then
            errors=$(ffmpeg -nostdin -v error -i "$out/$f" -f null - 2>&1 | wc -l)
            echo "  decoding $f: $errors error lines"
            [ "$errors" = 0 ] || ok=0
        fi
    done
else
    echo "(ffprobe is not installed: no stream summary)"
fi

if [ "$ok" = 1 ]; then
    echo "== Done: kestrel wrote exactly the streams it should."
else
    echo "== FAILED: see above."
    exit 1
fi
