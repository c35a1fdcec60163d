// SPDX-License-Identifier: MIT
// Chunks to ParseChunk after a start-up that learnt typical values: byte 0
// picks the verbosity and the recorder and audio modes, the rest is the
// compact form of a few chunks (see harness.h), each validated as the pump
// does and handed on. Chunk-to-chunk state (duplicates, continuity, split
// audio) carries over within one input.
#include <cstdint>
#include <cstdio>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* const console = kestrel::fuzzing::fuzzConsole();
    if (console == nullptr) return 0;
    kestrel::fuzzing::parseChunkInput(kestrel::Bytes(data, size), console);
    return 0;
}
