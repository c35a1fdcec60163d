// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

#include "recbuild/chunk_packer.h"

namespace recbuild {

/// A stream's earliest and latest time stamp in one chunk, in 32 bits as the
/// demultiplexer reads them.
struct StampRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

/// The time stamps by which the demultiplexer places a chunk: the least and
/// greatest video packet-header stamp, and the stamps of the first and last
/// audio packet whose header lies in the chunk with at least four bytes of its
/// frame (the sync word and what follows, which the demultiplexer reads before
/// it takes the stamp).
struct ChunkStamps {
    std::optional<StampRange> video;
    std::optional<StampRange> audio;
};

/// The stamps of one chunk.
ChunkStamps stampsOf(const Chunk& chunk);

}  // namespace recbuild
