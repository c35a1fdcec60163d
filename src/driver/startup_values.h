// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "headers/run_state.h"

namespace kestrel {

/// What one analysis chunk tells about the standard values.
struct ChunkMeasurements {
    std::uint32_t audioSize = 0;  // largest audio record
    PtsTicks firstVideoPts = 0;   // first video time stamp after a sequence header; 0: none
    std::uint32_t audioDiff = 0;  // step between audio time stamps; 0: no reliable step
};

/// Folds one chunk's measurements into the run's standard values: the largest
/// audio size, the smallest non-zero step below the current one, and the
/// first video time stamp found (announced at -v).
void combineStandardValues(Console& console, RunState& run, const ChunkMeasurements& chunk);

/// Prints the learnt values. The first two lines end in "\r\n", as they
/// always have; the other two end with a time display.
void reportStandardValues(Console& console, const RunState& run);

}  // namespace kestrel
