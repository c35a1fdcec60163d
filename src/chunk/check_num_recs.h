// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "diag/console.h"

namespace kestrel {

/// Validates a chunk's record table: returns the record count of a good chunk
/// (1 to 1279 records whose table and payloads fit in the chunk), 0 otherwise.
/// No other part of the program looks into a chunk before this accepts it.
std::int32_t checkNumRecs(Console& console, Bytes chunk);

}  // namespace kestrel
