// SPDX-License-Identifier: MIT
#include "demux/resync_tracker.h"

#include <algorithm>

#include "diag/console.h"

namespace kestrel {

namespace {

// The continuity check itself, printing nothing and judging against `state`
// rather than the stream's.
Continuity quietCheck(const RunState& run, ContinuityState& state, const ChunkTiming& timing) {
    Console silent(nullptr);
    return continuityCheck(silent, run, state, timing);
}

void hold(ResyncState& state, Bytes chunk, const ContinuityState& after, Continuity verdict) {
    std::copy_n(chunk.begin(), kChunkSize, state.held[state.heldCount].begin());
    state.holeBefore[state.heldCount] = verdict == Continuity::kAfterHole;
    ++state.heldCount;
    state.shadow = after;
}

}  // namespace

bool trackSkippedChunk(ResyncState& state, const RunState& run, Bytes chunk,
                       const ChunkTiming& timing) {
    if (state.heldCount > 0) {
        ContinuityState after = state.shadow;
        const Continuity verdict = quietCheck(run, after, timing);
        if (verdict != Continuity::kRejected) {
            if (state.heldCount == kResyncRunLength - 1) {
                state.holeBefore[state.heldCount] = verdict == Continuity::kAfterHole;
                state.shadow = after;
                return true;
            }
            hold(state, chunk, after, verdict);
            return false;
        }
    }
    // A new run, judged as the first chunk of a stream is: nothing carried over.
    dropHeldChunks(state);
    ContinuityState after;
    const Continuity verdict = quietCheck(run, after, timing);
    if (verdict != Continuity::kRejected) hold(state, chunk, after, verdict);
    return false;
}

Bytes heldChunk(const ResyncState& state, std::int32_t i) {
    const ZeroedBytes& bytes = state.held[static_cast<std::size_t>(i)];
    return Bytes(bytes.data(), bytes.size());
}

}  // namespace kestrel
