// SPDX-License-Identifier: MIT
#include "chunk/check_num_recs.h"

#include "chunk/record_header.h"

namespace kestrel {

std::int32_t checkNumRecs(Console& console, Bytes chunk) {
    const std::int32_t count = recordCount(chunk);
    console.verbose("\ncheckNumRecs: Number of Records: %3d (%2x %2x %2x %2x)\n", count, chunk[0],
                    chunk[1], chunk[2], chunk[3]);
    // A high byte above 4 would put the table itself past the chunk's end.
    if (chunk[1] > 4 || count == 0) return 0;

    // At most 1279 payloads of at most 2^20 bytes each: the sum fits in 32 bits.
    std::int32_t payloads = 0;
    for (std::int32_t i = 0; i < count; ++i)
        payloads += static_cast<std::int32_t>(recordAt(chunk, i).payloadLength());
    const std::int32_t total = 16 * count + payloads + 4;
    console.flush();
    if (total <= static_cast<std::int32_t>(kChunkSize)) return count;
    console.verbose("checkNumRecs: The size is wrong at %d bytes...\n", total);
    console.flush();
    return 0;
}

}  // namespace kestrel
