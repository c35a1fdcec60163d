#pragma once

#include <cstdint>

#include "diag/console.h"
#include "driver/run.h"

namespace kestrel {

/// The progress mark after chunk number `chunkNumber`: "." every tenth chunk,
/// the number itself (five columns) every hundredth, and a line end after
/// every five-hundredth.
void printProgressMark(Console& console, std::int32_t chunkNumber);

/// Reads and demultiplexes the rest of the input one chunk at a time, after
/// the ten start-up chunks. Stops at the end of the input, at the end-of-data
/// record, or when the chunk number reaches `chunkLimit` (which counts the
/// start-up chunks; 0 means no limit). False after a read or write failure
/// (reported).
bool runMainPump(Run& run, std::int32_t chunkLimit);

}  // namespace kestrel
