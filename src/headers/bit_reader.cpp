// SPDX-License-Identifier: MIT
#include "headers/bit_reader.h"

#include <array>

namespace kestrel {

namespace {
constexpr std::array<std::uint8_t, 8> kBitMasks = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
}

std::uint32_t readBitByBit(BitCursor& cursor, Bytes buffer, std::int32_t count) {
    std::uint32_t result = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        result <<= 1;
        const auto index = static_cast<std::size_t>(cursor.byteIndex);
        if (cursor.byteIndex >= 0 && index < buffer.size() &&
            (buffer[index] & kBitMasks[static_cast<std::size_t>(cursor.bitIndex)]) != 0)
            result += 1;
        if (++cursor.bitIndex == 8) {
            cursor.bitIndex = 0;
            ++cursor.byteIndex;
        }
    }
    return result;
}

}  // namespace kestrel
