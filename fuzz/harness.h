// SPDX-License-Identifier: MIT
#pragma once

// What a fuzz input means. The fuzz targets and the regression replay in the
// normal test run share this, so a crashing input found by fuzzing replays
// exactly as it was found.
//
// Input layout: byte 0 picks the options (or start-up values), the rest is the
// recording. A real recording needs at least ten chunks of 131072 bytes before
// anything gets past start-up, far too much for the fuzzer to mutate well, so
// the body may use an end-of-chunk marker: "<pad>" stands for zero bytes up to
// the next chunk boundary. A short body such as
// "table<pad>table<pad>...table" thus becomes a recording of many chunks.
// The expansion is plain data: kestrel reads the expanded bytes through its
// normal input path, and a body without markers is the recording itself.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel::fuzzing {

/// Ends the current chunk with zeros; at a chunk boundary it stands for a
/// whole chunk of zeros.
inline constexpr std::string_view kChunkEndMarker = "<pad>";
/// Expanded recordings are cut after this many chunks (4 MiB).
inline constexpr std::size_t kMaxChunks = 32;

/// The recording that the body of a fuzz input stands for.
std::vector<std::uint8_t> expandRecording(Bytes body);

/// The command-line options that byte 0 of a whole-run input picks:
/// bits 0-1 the verbosity (none, -v, -V, none), bit 2 -s, bit 3 -n,
/// bits 4-5 the chunk limit (none, -l11, -l12, -l5) and bits 6-7 the jump
/// (none, -j1, -j-1, -j2; after -s, so it wins).
std::vector<std::string> runOptions(std::uint8_t mode);

/// Runs kestrel in-process on a whole-run input: the expanded body is the
/// input recording (an in-memory file), both outputs are /dev/null and the
/// console text goes to `console`. Returns the exit code.
int runWholeInput(Bytes input, std::FILE* console);

/// Feeds the expanded body of a ParseChunk input, chunk by chunk (the last
/// one zero-filled), through the pump's validation to ParseChunk, as if the
/// start-up phase had run. Byte 0 picks the verbosity (bits 0-1), Dolby
/// Digital audio (bit 2), Standalone mode (bit 3, Layer II only), -n (bit 4),
/// no first video time stamp (bit 5) and the learnt audio values (bits 6-7:
/// typical, none found, the largest possible, typical).
void parseChunkInput(Bytes input, std::FILE* console);

}  // namespace kestrel::fuzzing
