#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Position of the next bit: the byte that holds it and the bit within that
/// byte, 0 being the most significant. Every header decoder sets it to its own
/// start first; nothing of value is carried from one decoder to the next.
struct BitCursor {
    std::int32_t byteIndex = 0;
    std::int32_t bitIndex = 0;
};

/// Reads `count` bits (0..32) most significant first and moves the cursor.
/// Bits beyond the end of `buffer` read as zero.
std::uint32_t readBits(BitCursor& cursor, Bytes buffer, std::int32_t count);

}  // namespace kestrel
