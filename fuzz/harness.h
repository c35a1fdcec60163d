// SPDX-License-Identifier: MIT
#pragma once

// What a fuzz input means. The fuzz targets and the regression replay in the
// normal test run share this, so a crashing input found by fuzzing replays
// exactly as it was found.
//
// Input layout: byte 0 picks the options (or start-up values), the rest is the
// recording. A real recording needs at least ten chunks of 131072 bytes before
// anything gets past start-up, far too much for the fuzzer to mutate well (and
// to copy, hash and mutate at speed), so the body is a compact encoding that
// the harness expands, filling with zeros whatever it does not give:
//
//  - "<pad>" ends the current chunk: zeros up to the next chunk boundary, or
//    a whole chunk of zeros when nothing of the chunk was given.
//  - "<rec>" moves on to the payload of the chunk's next record (the first
//    "<rec>" of a chunk to record 0's payload, and so on). The payloads lie
//    back to back after the record table, as the chunk's own table places
//    them, so a chunk is written as its head and table followed by one short
//    "<rec>"-led piece per record: the packet and frame headers that matter,
//    the rest of each payload zeros. Piece bytes past the chunk's end, or
//    for records the table does not have, are dropped.
//  - Other bytes are written as they come; before the first "<rec>" of a
//    chunk they run on into the next chunk, so a body without markers is the
//    recording itself.
//
// The body ends the recording where its last byte was written, or at the
// chunk boundary after a final "<pad>". The expansion is plain data: kestrel
// reads the expanded bytes through its normal input path.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel::fuzzing {

/// Ends the current chunk with zeros.
inline constexpr std::string_view kChunkEndMarker = "<pad>";
/// Moves on to the payload of the current chunk's next record.
inline constexpr std::string_view kRecordMarker = "<rec>";
/// Expanded recordings are cut after this many chunks (4 MiB).
inline constexpr std::size_t kMaxChunks = 32;

/// Expands the body of a fuzz input one chunk at a time.
class RecordingExpander {
  public:
    explicit RecordingExpander(Bytes body) : rest_(body) {}

    /// Expands the next chunk into `chunk` (kChunkSize bytes, every one of
    /// them written). Returns how many of them belong to the recording:
    /// kChunkSize, fewer for the last chunk, 0 when the recording has ended.
    std::size_t next(std::span<std::uint8_t> chunk);

  private:
    Bytes rest_;
    std::size_t chunks_ = 0;
};

/// The whole recording that the body of a fuzz input stands for.
std::vector<std::uint8_t> expandRecording(Bytes body);

/// The compact form of a recording: each chunk's head and record table,
/// then for each record "<rec>" and the first `pieceLength` bytes of its
/// payload; every chunk but a short last one ends with "<pad>". What the
/// pieces leave out expands to zeros.
std::vector<std::uint8_t> compactRecording(Bytes recording, std::size_t pieceLength);

/// The console stream of the fuzz targets, ready for the next input: text
/// goes into a memory buffer that each input starts over, so that console
/// flushes (one per record under -V) cost no system calls. What does not fit
/// is dropped.
std::FILE* fuzzConsole();

/// The command-line options that byte 0 of a whole-run input picks:
/// bits 0-1 the verbosity (none, -v, -V, -v with clean cuts -c), bit 2 -s, bit 3 -n,
/// bits 4-5 the chunk limit (none, -l11, -l12, -l5) and bits 6-7 the jump
/// (none, -j1, -j-1; after -s, so it wins) or -R.
std::vector<std::string> runOptions(std::uint8_t mode);

/// Runs kestrel in-process on a whole-run input: the expanded body is the
/// input recording (an in-memory file), both outputs are /dev/null and the
/// console text goes to `console`. Returns the exit code.
int runWholeInput(Bytes input, std::FILE* console);

/// Feeds the expanded body of a ParseChunk input, chunk by chunk (the last
/// one zero-filled), through the pump's validation to ParseChunk, as if the
/// start-up phase had run. Byte 0 picks the verbosity (bits 0-1: none, -v,
/// -V for the first chunk and -v after it, -v with clean cuts), Dolby
/// Digital audio (bit 2), Standalone mode (bit 3, Layer II only), -n (bit 4),
/// no first video time stamp (bit 5) and the learnt audio values (bits 6-7:
/// typical, none found, the largest possible, typical with -R).
void parseChunkInput(Bytes input, std::FILE* console);

}  // namespace kestrel::fuzzing
