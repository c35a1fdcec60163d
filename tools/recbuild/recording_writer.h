// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <set>

#include "recbuild/byte_sink.h"
#include "recbuild/expected_output.h"
#include "recbuild/layout.h"

namespace recbuild {

/// Damage to build into a recording. Chunk numbers count the chunks of the
/// recording itself from 0, leaving out the chunks added as damage and a
/// Standalone recording's leading chunk.
struct DamagePlan {
    std::optional<std::uint64_t> duplicateChunk;  // written twice in a row
    std::optional<std::uint64_t> outOfBandAfter;  // followed by chunks from further on
    std::uint64_t outOfBandDistance = 15;         // ... from this many chunks further on
    std::uint64_t outOfBandCount = 1;             // ... this many, one after the other
    std::optional<std::uint64_t> badChunkAfter;   // followed by a copy that overflows
    std::optional<std::uint64_t> endOfDataIn;     // gets an end-of-data record mid-table
    std::optional<std::uint64_t> cutIn;           // the file ends half-way through it
    std::set<std::uint64_t> lostChunks;           // left out of the file
    /// The expected outputs are those of kestrel -R, which never resumes the
    /// stream after a chunk out of sequence.
    bool neverResync = false;
};

struct RecordingPlan {
    LayoutOptions layout;
    DamagePlan damage;
    /// Stop once the file holds this many bytes (with layout.iterations 0 the
    /// material repeats until then); 0: when the material is used up.
    std::uint64_t minSize = 0;
};

struct RecordingSummary {
    std::uint64_t chunks = 0;         // chunks of the recording itself
    std::uint64_t chunksWritten = 0;  // including damage and a leading chunk
    std::uint64_t bytes = 0;
};

/// Writes a whole recording to `out`, chunk by chunk, holding no more than a
/// chunk or two in memory, and tells `expected` (if given) about every chunk in
/// file order. A Standalone recording opens with a chunk that holds no audio or
/// video; the demultiplexer is meant to jump it (-s), so `expected` never sees it.
/// Throws std::runtime_error when the plan cannot be carried out.
RecordingSummary writeRecording(const VideoStream& video, const AudioStream& audio,
                                const RecordingPlan& plan, ByteSink& out, ExpectedOutput* expected);

}  // namespace recbuild
