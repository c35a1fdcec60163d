// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "chunk/chunk_layout.h"
#include "chunk/zeroed_bytes.h"
#include "demux/chunk_timing.h"
#include "demux/continuity_check.h"
#include "headers/run_state.h"

namespace kestrel {

/// Chunks in sequence with one another that it takes to resume the stream
/// after the continuity check skipped them.
inline constexpr std::int32_t kResyncRunLength = 3;

/// A run of skipped chunks that follow one another. Out-of-band chunks come
/// alone (or in pairs) between chunks of the running stream; after a lost
/// chunk, on the other hand, every later chunk is out of sequence with the last
/// one written but in sequence with the ones after it. The first chunks of
/// such a run are held until the run is long enough to tell.
struct ResyncState {
    // The held copies; calloc'd pages cost no memory until a chunk is held.
    std::array<ZeroedBytes, kResyncRunLength - 1> held{ZeroedBytes(kChunkSize + kChunkPadding),
                                                       ZeroedBytes(kChunkSize + kChunkPadding)};
    std::int32_t heldCount = 0;
    // Chunk i of the run (the held ones, then the one completing it) follows
    // the one before across a gap in the audio: data was lost between them.
    std::array<bool, kResyncRunLength> holeBefore{};
    // The continuity state as the run's chunks leave it.
    ContinuityState shadow;
};

/// Takes a chunk that the continuity check rejected: it starts, extends or
/// replaces the run of held chunks. True when it completes a run: the held
/// chunks and this one are then to be written, with `state.shadow` as the new
/// continuity state, and the held ones dropped (dropHeldChunks).
bool trackSkippedChunk(ResyncState& state, const RunState& run, Bytes chunk,
                       const ChunkTiming& timing);

/// Held chunk `i` (0 the earliest), with its zero padding.
Bytes heldChunk(const ResyncState& state, std::int32_t i);

inline void dropHeldChunks(ResyncState& state) {
    state.heldCount = 0;
}

}  // namespace kestrel
