// SPDX-License-Identifier: MIT
#include "repair/byte_output.h"

#include <array>
#include <cstdint>

namespace kestrel {

void ByteOutput::writeZeros(std::size_t count) {
    static constexpr std::array<std::uint8_t, 4096> kZeros{};
    while (count > 0) {
        const std::size_t n = count < kZeros.size() ? count : kZeros.size();
        write(Bytes(kZeros.data(), n));
        count -= n;
    }
}

}  // namespace kestrel
