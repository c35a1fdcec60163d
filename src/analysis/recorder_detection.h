// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "headers/run_state.h"

namespace kestrel {

/// Audio header counts summed over the analysis chunks.
struct AudioTypeCounts {
    std::int32_t layer2HeaderTotal = 0;
    std::int32_t dd51HeaderTotal = 0;
};

/// 1 if the chunk holds a Standalone marker record: an audio record of size
/// 16, subtype 3, whose header bytes 12 to 15 are all non-zero.
std::int32_t detectStandalone(Bytes chunk);

/// Adds to the two counts the number of audio records holding a Layer II
/// packet start (sync at audioPesHeaderLength) and a Dolby Digital packet
/// start (sync at 14). Returns 0 for a chunk without records, else 1.
std::int32_t countAudioHeaders(const RunState& run, Bytes chunk, std::int32_t& layer2Count,
                               std::int32_t& dd51Count);

/// Decides the recorder family from the analysis chunks (may set saMode and
/// audioPesHeaderLength) and reports it.
void decideRecorderType(Console& console, RunState& run, std::span<const Bytes> chunks);

/// Decides the audio type from the analysis chunks and reports it.
void decideAudioType(Console& console, RunState& run, AudioTypeCounts& counts,
                     std::span<const Bytes> chunks);

}  // namespace kestrel
