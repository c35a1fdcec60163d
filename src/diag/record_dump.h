// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "headers/decoder.h"

namespace kestrel {

/// Counters of the -V record dump, kept for the whole run.
struct DumpCounters {
    std::int32_t videoRecordsDumped = 0;
    std::int32_t audioRecordsDumped = 0;
    PtsTicks dumpFrameClock = 3003;
};

/// Lists every record of a chunk: headers, payload bytes, embedded time
/// stamps and the MPEG video headers found in payloads. Prints whatever the
/// verbosity; the caller decides when to call it.
void dumpRecordTable(Decoder& decoder, DumpCounters& counters, const char* label, Bytes chunk);

}  // namespace kestrel
