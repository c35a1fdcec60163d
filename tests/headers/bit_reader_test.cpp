// SPDX-License-Identifier: MIT
#include "headers/bit_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace kestrel {
namespace {

// The reader as the format describes it: one bit at a time, most significant
// first, bits outside the view reading 0. readBits takes whole bytes where it
// can and must agree with this everywhere, cursor included.
std::uint32_t referenceRead(BitCursor& c, Bytes buffer, std::int32_t count) {
    std::uint32_t result = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const bool inside =
            c.byteIndex >= 0 && static_cast<std::size_t>(c.byteIndex) < buffer.size();
        const int bit =
            inside ? (buffer[static_cast<std::size_t>(c.byteIndex)] >> (7 - c.bitIndex)) & 1 : 0;
        result = (result << 1) | static_cast<std::uint32_t>(bit);
        if (++c.bitIndex == 8) {
            c.bitIndex = 0;
            ++c.byteIndex;
        }
    }
    return result;
}

TEST(ReadBits, AgreesWithBitByBitReadingAndSkipBitsMovesTheCursorAlike) {
    const std::array<std::uint8_t, 12> bytes = {0xA5, 0x3C, 0xFF, 0x00, 0x81, 0x7E,
                                                0xC3, 0x5A, 0x01, 0xF0, 0x99, 0x66};
    for (std::int32_t byte = -2; byte <= 14; ++byte) {
        for (std::int32_t bit = 0; bit < 8; ++bit) {
            for (std::int32_t count = -1; count <= 40; ++count) {
                BitCursor fast{byte, bit}, slow{byte, bit}, skipped{byte, bit};
                const std::uint32_t expected = referenceRead(slow, bytes, count);
                ASSERT_EQ(readBits(fast, bytes, count), expected)
                    << "byte " << byte << " bit " << bit << " count " << count;
                skipBits(skipped, count);
                for (const BitCursor& moved : {fast, skipped}) {
                    ASSERT_EQ(moved.byteIndex, slow.byteIndex)
                        << byte << " " << bit << " " << count;
                    ASSERT_EQ(moved.bitIndex, slow.bitIndex) << byte << " " << bit << " " << count;
                }
            }
        }
    }
}

}  // namespace
}  // namespace kestrel
