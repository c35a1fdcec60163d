#include "headers/bit_reader.h"

#include <array>

namespace kestrel {

namespace {

constexpr std::array<std::uint8_t, 8> kBitMasks = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// One bit at a time: works from any cursor, inside the view or not.
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

}  // namespace

std::uint32_t readBits(BitCursor& cursor, Bytes buffer, std::int32_t count) {
    // Headers are decoded a field at a time, several per record: read the (at
    // most five) bytes that hold the field at once when they all lie inside the
    // view. Result and cursor end as they would bit by bit.
    if (count > 0 && count <= 32 && cursor.byteIndex >= 0 && cursor.bitIndex >= 0 &&
        cursor.bitIndex < 8) {
        const std::int32_t endBit = cursor.bitIndex + count;
        const auto first = static_cast<std::size_t>(cursor.byteIndex);
        const auto byteCount = static_cast<std::size_t>((endBit + 7) / 8);
        if (first <= buffer.size() && byteCount <= buffer.size() - first) {
            std::uint64_t bits = 0;
            for (std::size_t i = 0; i < byteCount; ++i)
                bits = (bits << 8) | buffer[first + i];
            bits >>= byteCount * 8 - static_cast<std::size_t>(endBit);
            cursor.byteIndex += endBit / 8;
            cursor.bitIndex = endBit % 8;
            return static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << count) - 1));
        }
    }
    return readBitByBit(cursor, buffer, count);
}

}  // namespace kestrel
