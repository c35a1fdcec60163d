// SPDX-License-Identifier: MIT
#include "driver/main_pump.h"

#include "chunk/check_num_recs.h"
#include "driver/startup_phase.h"

namespace kestrel {

namespace {

// Handles one read: a whole chunk is validated and demultiplexed, a partial
// one (the input was cut off) only reported. False after a write failure.
bool handleChunk(Run& run, std::size_t bytesRead, std::int32_t chunkNumber) {
    if (bytesRead < kChunkSize) {
        run.console.print(
            "\nWarning: the input ends with a partial chunk of %d bytes; it was not parsed.\n",
            static_cast<int>(bytesRead));
        return true;
    }
    if (checkNumRecs(run.console, run.readBuffer.view()) == 0) {
        run.console.verbose("Main Pump: Bad Chunk! Skipping!\n");
        return true;
    }
    run.console.verbose("??? Parsing chunk #%5d...\n", chunkNumber);
    return demultiplex(run, run.readBuffer.view());
}

// The mark after chunk number `chunkNumber`: "." every tenth chunk, the number
// itself (five columns) every hundredth, and a line end every five-hundredth.
void printProgressMark(Console& console, std::int32_t chunkNumber) {
    if (chunkNumber % 100 == 0) {
        console.print("%5d", chunkNumber);
    } else if (chunkNumber % 10 == 0) {
        console.print(".");
    }
    if (chunkNumber % 500 == 0) console.print("\n");
}

}  // namespace

bool runMainPump(Run& run, std::int32_t chunkLimit) {
    std::int32_t chunkNumber = kAnalysisChunkCount;
    while (run.state.keepPumping != 0) {
        const ReadResult result = readChunk(run);
        if (result.failed()) return false;
        if (result.bytes == 0) break;
        if (!handleChunk(run, result.bytes, chunkNumber)) return false;
        // A partial or bad chunk counts too. (Wraps only after 256 TiB.)
        chunkNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(chunkNumber) + 1);
        printProgressMark(run.console, chunkNumber);
        if (chunkLimit != 0 && chunkNumber == chunkLimit) break;
    }
    return true;
}

}  // namespace kestrel
