// SPDX-License-Identifier: MIT
#include "repair/bit_writer.h"

#include <algorithm>

namespace kestrel {

void BitWriter::put(std::uint32_t value, std::int32_t count) {
    for (std::int32_t i = count - 1; i >= 0; --i) {
        const std::size_t byte = position_ / 8;
        if (byte < out_.size() && ((value >> i) & 1U) != 0)
            out_[byte] |= static_cast<std::uint8_t>(0x80U >> (position_ % 8));
        ++position_;
    }
}

void BitWriter::copy(Bytes source, BitCursor& from, std::int32_t count) {
    while (count > 0) {
        const std::int32_t piece = std::min(count, 32);
        put(readBits(from, source, piece), piece);
        count -= piece;
    }
}

}  // namespace kestrel
