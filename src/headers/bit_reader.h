// SPDX-License-Identifier: MIT
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Position of the next bit: the byte that holds it and the bit within that
/// byte, 0 being the most significant. Every header decoder sets it to its own
/// start first; nothing of value is carried from one decoder to the next.
struct BitCursor {
    std::int32_t byteIndex = 0;
    std::int32_t bitIndex = 0;
};

/// readBits one bit at a time; works from any cursor, inside the view or not.
std::uint32_t readBitByBit(BitCursor& cursor, Bytes buffer, std::int32_t count);

/// Reads `count` bits (0..32) most significant first and moves the cursor.
/// Bits beyond the end of `buffer` read as zero.
inline std::uint32_t readBits(BitCursor& cursor, Bytes buffer, std::int32_t count) {
    // Headers are decoded a field at a time, many fields per record: take the
    // eight bytes from the cursor's byte at once when they lie inside the view
    // (a field of up to 32 bits from any bit position fits in them). Result and
    // cursor end as they would bit by bit.
    const auto first = static_cast<std::size_t>(cursor.byteIndex);
    if (count <= 0 || count > 32 || cursor.byteIndex < 0 || cursor.bitIndex < 0 ||
        cursor.bitIndex > 7 || first > buffer.size() || buffer.size() - first < 8)
        return readBitByBit(cursor, buffer, count);
    const Bytes eight = buffer.subspan(first, 8);
    std::uint64_t word = 0;
    std::memcpy(&word, eight.data(), eight.size());
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    const std::int32_t endBit = cursor.bitIndex + count;
    const auto result = static_cast<std::uint32_t>((word << cursor.bitIndex) >> (64 - count));
    cursor.byteIndex += endBit / 8;
    cursor.bitIndex = endBit % 8;
    return result;
}

/// Moves the cursor past `count` bits (0..32) exactly as readBits would,
/// without reading them: for header fields the decoders do not use.
inline void skipBits(BitCursor& cursor, std::int32_t count) {
    if (count <= 0) return;
    const std::int32_t endBit = cursor.bitIndex + count;
    cursor.byteIndex += endBit / 8;
    cursor.bitIndex = endBit % 8;
}

}  // namespace kestrel
