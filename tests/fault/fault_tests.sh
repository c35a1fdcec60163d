#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fault tests of the real kestrel binary on real files, pipes and devices.
#   usage: fault_tests.sh CASE KESTREL KESTREL-RECBUILD SAMPLES-DIR RECORDINGS-DIR
# The case "MakeRecordings" builds the recordings the other cases share into
# RECORDINGS-DIR; every other case runs kestrel in a directory of its own.
# Exit 0 pass, 1 fail, 77 skipped (the reason is printed).
set -euo pipefail
case_name=$1
kestrel=$2
recbuild=$3
samples=$4
recordings=$5
chunk=131072

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
    echo "FAIL: $*"
    echo "--- console of the last run:"
    cat console 2>/dev/null || true
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}

# Runs kestrel with the given words; console text in ./console, exit code in
# $code. kestrel writes nothing to standard error, so anything there (a
# sanitizer report) fails the case whatever the exit code.
run_kestrel() {
    code=0
    "$kestrel" "$@" >console 2>stderr || code=$?
    [ ! -s stderr ] || fail "standard error: $(cat stderr)"
}
# The same, with standard input from a pipe fed by `cat FILE`.
run_kestrel_on_pipe() {
    local file=$1
    shift
    code=0
    { cat "$file" || true; } | "$kestrel" "$@" >console 2>stderr || code=$?
    [ ! -s stderr ] || fail "standard error: $(cat stderr)"
}
expect_code() { [ "$code" -eq "$1" ] || fail "exit code $code, expected $1"; }
has_line() { grep -qxF -- "$1" console; }
expect_line() { has_line "$1" || fail "no line '$1'"; }
# A message printed in the pump may follow the progress marks on their line.
expect_line_end() {
    awk -v m="$1" 'substr($0, length($0) - length(m) + 1) == m { found = 1 } END { exit !found }' \
        console || fail "no line ending in '$1'"
}
has_report() { grep -q '^A/V Sync Offset: ' console; }
count_lines() { grep -c -- "$1" console || true; }
expect_same() { cmp -s "$1" "$2" || fail "$1 and $2 differ"; }
# The first N chunks of a recording.
chunks() { head -c $(($2 * chunk)) "$1"; }

make_recordings() {
    mkdir -p "$recordings"
    local build=("$recbuild" --video "$samples/sample.m2v")
    "${build[@]}" --audio "$samples/sample.mp2" --out "$recordings/dtivo.ty"
    "${build[@]}" --audio "$samples/sample.mp2" --standalone --out "$recordings/standalone.ty"
    "${build[@]}" --audio "$samples/sample.mp2" --cut 12 --out "$recordings/cut.ty"
    "${build[@]}" --audio "$samples/sample.ac3" --loops 4 --out "$recordings/long.ty"
}

dtivo=$recordings/dtivo.ty

# An audio output that stays empty (as while audio extraction was unfinished)
# cannot fail a write: the case then has nothing to test.
require_audio_output() {
    run_kestrel "$@" v a
    [ -s a ] || skip "kestrel writes no audio for $* yet"
}

# The output buffers hold 1 MiB, so /dev/full fails at the first flush: for
# the video that is within the ten start-up chunks.
case_VideoOutputOnFullDiskFailsAtTheFirstChunks() {
    run_kestrel -v "$dtivo" /dev/full a
    expect_code 1
    expect_line "Cannot write the Video output file: /dev/full"
    [ "$(count_lines '^??? Parsing chunk')" -eq 0 ] || fail "the pump went on"
    ! has_report || fail "a report after a failed write"
}

# Twenty valid chunks without video or audio in front of the recording move
# the video's first flush into the pump, which stops at that chunk.
case_VideoOutputOnFullDiskFailsInThePump() {
    for _ in $(seq 20); do
        printf '\x01\x00\x00\x00\x80\x00\x00\x03'
        head -c $((chunk - 8)) /dev/zero
    done >late.ty
    cat "$dtivo" >>late.ty
    run_kestrel -v late.ty /dev/full a
    expect_code 1
    expect_line_end "Cannot write the Video output file: /dev/full"
    tail -n 1 console | grep -q "Cannot write" || fail "the run did not stop at the failed write"
    [ "$(count_lines '^??? Parsing chunk')" -gt 10 ] || fail "failed before the pump"
}

# Runs kestrel with the given words and a full disk for the audio output.
audio_fails_on_full_disk() {
    run_kestrel "$@" v /dev/full
    expect_code 1
    expect_line_end "Cannot write the Audio output file: /dev/full"
    tail -n 1 console | grep -q "Cannot write" || fail "the run went on after the failure"
    ! has_report || fail "a report after a failed write"
}

# A long recording fills the 256 KiB audio buffer in the pump. The first
# eleven chunks of the short one write less than that, so only the final
# flush fails, and it must fail the run just the same.
case_AudioOutputOnFullDiskFails() {
    require_audio_output "$recordings/long.ty"
    audio_fails_on_full_disk "$recordings/long.ty"
    require_audio_output -l 11 "$dtivo"
    [ "$(stat -c %s a)" -lt $((256 << 10)) ] || fail "the audio reaches the buffer size before the end"
    audio_fails_on_full_disk -l 11 "$dtivo"
}

case_DirectoryAsInputIsAReadError() {
    mkdir dir
    run_kestrel dir v a
    expect_code 1
    expect_line "Cannot read the input file: dir"
}

# Permissions do not stop root, so as root kestrel runs as nobody.
case_UnreadableInputCannotBeOpened() {
    cp "$dtivo" locked.ty
    chmod 000 locked.ty
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        command -v setpriv >/dev/null || skip "running as root and setpriv is missing"
        chmod 755 "$work"
        as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        "${as[@]}" test -x "$kestrel" || skip "user nobody cannot run $kestrel"
    fi
    code=0
    "${as[@]}" "$kestrel" "$work/locked.ty" /dev/null /dev/null >console 2>&1 || code=$?
    expect_code 1
    expect_line "errno = 13"
    expect_line "Cannot open the input file: $work/locked.ty"
}

case_MissingOutputDirectoryCannotBeOpened() {
    run_kestrel "$dtivo" missing/v a
    expect_code 1
    expect_line "Cannot open the Video output file: missing/v"
    run_kestrel "$dtivo" v missing/a
    expect_code 1
    expect_line "Cannot open the Audio output file: missing/a"
}

case_InputEndingMidChunkIsReportedAndNotParsed() {
    run_kestrel "$recordings/cut.ty" v a
    expect_code 0
    expect_line "Warning: the input ends with a partial chunk of 65536 bytes; it was not parsed."
    chunks "$recordings/cut.ty" 12 >whole.ty
    run_kestrel whole.ty v12 a12
    expect_same v v12
    expect_same a a12
}

# Cut off inside the first ten chunks, the input ends in the start-up phase,
# which keeps the short read zero-filled and says so at every verbosity: as
# the tenth chunk it is parsed exactly as that chunk padded with zeros would
# be; earlier, the run stops for want of ten chunks.
case_InputEndingInTheFirstTenChunksIsZeroFilled() {
    local warning="Warning: the input ends with a partial chunk of 65536 bytes; the rest of it was zero-filled."
    head -c $((9 * chunk + 65536)) "$dtivo" >cut10.ty
    { cat cut10.ty && head -c 65536 /dev/zero; } >padded10.ty
    local verbose
    for verbose in "" -v; do
        # shellcheck disable=SC2086  # no option is no word
        run_kestrel $verbose padded10.ty vp ap
        grep -vx '' console | sed 1d >padded.console
        # shellcheck disable=SC2086
        run_kestrel $verbose cut10.ty v a
        expect_code 0
        expect_line "$warning"
        grep -vxF -e '' -e "$warning" console | sed 1d | cmp -s - padded.console ||
            fail "'$verbose': console differs from the zero-padded input's"
        expect_same v vp
        expect_same a ap
    done
    chunks cut10.ty 5 >cut6.ty
    head -c 65536 padded10.ty >>cut6.ty
    run_kestrel cut6.ty v a
    expect_code 1
    expect_line "$warning"
    expect_line "Sorry... Failed to get the first 10 initial chunks..."
}

# A pipe cannot seek: the jump reads and discards, so every run matches the
# run on the file (but for the name on the "Processing" line).
case_PipeInputMatchesFileInput() {
    local options recording
    for options in "" "-v" "-j 3" "-j -2" "-j 40" "-s" "-s -j 2"; do
        recording=$dtivo
        [[ $options == *-s* ]] && recording=$recordings/standalone.ty
        # shellcheck disable=SC2086  # options are words
        run_kestrel $options "$recording" vf af
        local file_code=$code
        sed 1d console >file.console
        # shellcheck disable=SC2086
        run_kestrel_on_pipe "$recording" $options - vp ap
        [ "$code" -eq "$file_code" ] || fail "'$options': exit code $code on a pipe, $file_code on the file"
        expect_line "Processing '-': (10 chunks per tick)"
        sed 1d console | cmp -s - file.console || fail "'$options': console differs on a pipe"
        expect_same vp vf
        expect_same ap af
    done
}

case_ZeroLengthInputIsTooShort() {
    : >empty.ty
    local input
    for input in empty.ty -; do
        run_kestrel "$input" v a </dev/null
        expect_code 1
        expect_line "Sorry... Failed to get the first 10 initial chunks..."
        expect_line "Have to have at least that many to start the analysis phase..."
        if ! { [ -f v ] && [ ! -s v ] && [ -f a ] && [ ! -s a ]; }; then
            fail "outputs not left empty"
        fi
    done
}

case_TenGoodChunksAreAWholeRun() {
    chunks "$dtivo" 10 >ten.ty
    run_kestrel -v ten.ty v a
    expect_code 0
    [ "$(count_lines '^??? Parsing chunk')" -eq 0 ] || fail "the pump parsed a chunk"
    [ "$(count_lines 'partial chunk')" -eq 0 ] || fail "a partial chunk was reported"
    tail -n 3 console | head -n 2 | tr '\n' '|' | grep -qxF '.||' || fail "no '.' then two line ends"
    has_report || fail "no final report"
    [ -s v ] || fail "no video written"
}

# The limit counts the ten start-up chunks: -l 11 parses one pump chunk, and
# the outputs are those of the first eleven chunks.
case_ChunkLimitOfElevenParsesOnePumpChunk() {
    run_kestrel -v -l 11 "$dtivo" v a
    expect_code 0
    [ "$(count_lines '^??? Parsing chunk #   10\.\.\.$')" -eq 1 ] || fail "chunk 10 not parsed"
    [ "$(count_lines '^??? Parsing chunk')" -eq 1 ] || fail "more than one pump chunk"
    chunks "$dtivo" 11 >eleven.ty
    run_kestrel eleven.ty v11 a11
    expect_same v v11
    expect_same a a11
}

# The recording starts beyond 4 GiB in a sparse file: the jump offset needs
# 64 bits (a 32-bit one would start reading at 0 or wrap negative).
case_JumpBeyondFourGiBInSparseInput() {
    local jump=$((32768 + 100))
    truncate -s $((jump * chunk)) big.ty
    cat "$dtivo" >>big.ty
    [ "$(du -k big.ty | cut -f1)" -lt 102400 ] || skip "this file system does not keep files sparse"
    run_kestrel -j $jump big.ty v a
    expect_code 0
    expect_line "Jumping $jump chunks into input ($((jump * chunk)) total bytes)"
    run_kestrel "$dtivo" v0 a0
    expect_same v v0
    expect_same a a0
}

# Opening an output empties it: naming the input as an output (by any path)
# is refused before anything is opened for writing.
case_InputAsOutputIsRefused() {
    cp "$dtivo" rec.ty
    ln rec.ty link.ty
    run_kestrel rec.ty rec.ty a
    expect_code 1
    expect_line "Refusing to overwrite the input file with the Video output: rec.ty"
    run_kestrel rec.ty v ./link.ty
    expect_code 1
    expect_line "Refusing to overwrite the input file with the Audio output: ./link.ty"
    expect_same rec.ty "$dtivo"
}

case "$case_name" in
    MakeRecordings) make_recordings ;;
    *) "case_$case_name" ;;
esac
echo "PASS: $case_name"
