// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "chunk/chunk_layout.h"
#include "chunk/zeroed_bytes.h"
#include "diag/console.h"

namespace kestrel {

/// The head and record table of the last chunk that passed the duplicate check.
struct DuplicateState {
    std::array<std::uint8_t, kChunkHeadSize> prevChunkHead{};
    ZeroedBytes prevChunkTable{kChunkSize};
};

/// Returns false for a chunk whose head and record table repeat the previous
/// chunk's (payloads are not compared); otherwise saves them and returns true.
bool duplicateCheck(Console& console, DuplicateState& state, Bytes chunk, std::int32_t count);

}  // namespace kestrel
