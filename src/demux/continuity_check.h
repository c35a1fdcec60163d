// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "demux/chunk_timing.h"
#include "diag/console.h"
#include "headers/run_state.h"

namespace kestrel {

/// What the continuity check carries from the chunks accepted before.
struct ContinuityState {
    PtsTicks prevVideoPTS = 0;  // 0: unset
    PtsTicks prevAudioPTS = 0;  // 0: unset
    ByteCountRange oldVidByteCount;
    ByteCountRange oldAudByteCount;
};

/// -1 when there is nothing to compare, 1 when the new range continues the
/// old one (directly or by one of the recorder's known jumps), else 0.
std::int32_t videoBytesAligned(std::int32_t newStart, std::int32_t newEnd, std::int32_t oldEnd);
std::int32_t audioBytesAligned(std::int32_t newStart, std::int32_t newEnd, std::int32_t oldEnd);

/// The continuity check's verdict on a chunk.
enum class Continuity {
    kRejected,    // out of band: skipped (the rejection line is printed)
    kInSequence,  // continues the stream
    kAfterHole,   // continues the stream after a gap in the audio: data was lost
};

/// Compares a chunk's time stamps and byte counters with the stream so far.
Continuity continuityCheck(Console& console, const RunState& run, ContinuityState& state,
                           const ChunkTiming& timing);

}  // namespace kestrel
