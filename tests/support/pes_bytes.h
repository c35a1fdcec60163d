#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::test {

/// A 16-byte video PES header record payload: 00 00 01 E0, packet length 0,
/// flags "PTS only", header data length 5, the time-stamp field of `pts`
/// (prefix 0010, bits 32..30, 29..15 and 14..0 each followed by a marker bit),
/// then two stuffing bytes.
inline std::vector<std::uint8_t> videoPesHeader(std::uint32_t pts) {
    const std::uint32_t top = pts >> 30, middle = (pts >> 15) & 0x7FFF, low = pts & 0x7FFF;
    const auto byte = [](std::uint32_t v) { return static_cast<std::uint8_t>(v); };
    std::vector<std::uint8_t> header = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05};
    header.insert(header.end(),
                  {byte(0x21 | (top << 1)), byte(middle >> 7), byte((middle << 1) | 1)});
    header.insert(header.end(), {byte(low >> 7), byte((low << 1) | 1), 0xFF, 0xFF});
    return header;
}

}  // namespace kestrel::test
