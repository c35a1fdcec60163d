// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "driver/run.h"

namespace kestrel {

/// Reads and demultiplexes the rest of the input one chunk at a time, after
/// the ten start-up chunks. Stops at the end of the input, at the end-of-data
/// record, or when the chunk number reaches `chunkLimit` (which counts the
/// start-up chunks; 0 means no limit). False after a read or write failure
/// (reported).
bool runMainPump(Run& run, std::int32_t chunkLimit);

}  // namespace kestrel
