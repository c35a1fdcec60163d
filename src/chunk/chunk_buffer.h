// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Storage for one chunk plus its zero padding. Starts all zero; only the first
/// kChunkSize bytes are ever written by reads, so the padding stays zero.
struct ChunkBuffer {
    alignas(64) std::array<std::uint8_t, kChunkSize + kChunkPadding> bytes{};

    std::uint8_t* data() { return bytes.data(); }
    /// The chunk and its padding: decoders may read into the padding.
    Bytes view() const { return Bytes(bytes); }
};

}  // namespace kestrel
