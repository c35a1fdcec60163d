// SPDX-License-Identifier: MIT
#include "demux/resync_tracker.h"

#include <algorithm>

#include "diag/console.h"

namespace kestrel {

namespace {

// The continuity check itself, printing nothing and judging against `state`
// rather than the stream's.
bool inSequence(const RunState& run, ContinuityState& state, const ChunkTiming& timing) {
    Console silent(nullptr);
    return continuityCheck(silent, run, state, timing) != Continuity::kRejected;
}

void hold(ResyncState& state, Bytes chunk, const ContinuityState& after) {
    std::copy_n(chunk.begin(), kChunkSize, state.held[state.heldCount].begin());
    ++state.heldCount;
    state.shadow = after;
}

}  // namespace

bool trackSkippedChunk(ResyncState& state, const RunState& run, Bytes chunk,
                       const ChunkTiming& timing) {
    if (state.heldCount > 0) {
        ContinuityState after = state.shadow;
        if (inSequence(run, after, timing)) {
            if (state.heldCount == kResyncRunLength - 1) {
                state.shadow = after;
                return true;
            }
            hold(state, chunk, after);
            return false;
        }
    }
    // A new run, judged as the first chunk of a stream is: nothing carried over.
    dropHeldChunks(state);
    ContinuityState after;
    if (inSequence(run, after, timing)) hold(state, chunk, after);
    return false;
}

Bytes heldChunk(const ResyncState& state, std::int32_t i) {
    const ZeroedBytes& bytes = state.held[static_cast<std::size_t>(i)];
    return Bytes(bytes.data(), bytes.size());
}

}  // namespace kestrel
