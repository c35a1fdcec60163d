// SPDX-License-Identifier: MIT
#include "demux/duplicate_check.h"

#include <algorithm>

#include "chunk/record_header.h"

namespace kestrel {

bool duplicateCheck(Console& console, DuplicateState& state, Bytes chunk, std::int32_t count) {
    const Bytes head = chunk.first(kChunkHeadSize);
    const auto& last = state.prevChunkHead;
    console.veryVerbose("\n\nlast  4 = %2x %2x %2x %2x  -- first 4 = %2x %2x %2x %2x\n", last[0],
                        last[1], last[2], last[3], head[0], head[1], head[2], head[3]);
    console.flush();
    // The head and the table describe the whole chunk: a recorder that wrote a
    // chunk twice repeats both, so the payloads need no comparing.
    const Bytes table =
        chunk.first(std::min({tableEnd(count), chunk.size(), state.prevChunkTable.size()}));
    if (std::equal(head.begin(), head.end(), last.begin())) {
        console.veryVerbose("first 4 = Crap! We might have a repeat...\n");
        if (std::equal(table.begin(), table.end(), state.prevChunkTable.begin())) {
            console.verbose(
                "\n**** We got a duplicate CHUNK. (%2x %2x %2x %2x) Skipping... *****\n", head[0],
                head[1], head[2], head[3]);
            return false;
        }
    }
    std::copy(head.begin(), head.end(), state.prevChunkHead.begin());
    std::copy(table.begin(), table.end(), state.prevChunkTable.begin());
    return true;
}

}  // namespace kestrel
