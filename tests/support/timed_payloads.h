#pragma once

#include <cstdint>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel::test {

/// The 5-byte PES time-stamp field ('0010' prefix and marker bits set).
inline std::vector<std::uint8_t> ptsField(PtsTicks pts) {
    return {
        static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x06)),
        static_cast<std::uint8_t>(pts >> 22), static_cast<std::uint8_t>(((pts >> 14) & 0xFE) | 1),
        static_cast<std::uint8_t>(pts >> 7), static_cast<std::uint8_t>(((pts << 1) & 0xFE) | 1)};
}

/// The 16-byte payload of a video PES header record: a full PES header with a
/// time stamp, padded.
inline std::vector<std::uint8_t> videoPesPayload(PtsTicks pts) {
    std::vector<std::uint8_t> b = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05};
    const auto field = ptsField(pts);
    b.insert(b.end(), field.begin(), field.end());
    b.resize(16, 0xFF);
    return b;
}

/// Bytes of one MPEG audio frame of 96 bytes (32 kbit/s, 48 kHz, no padding).
inline constexpr std::uint32_t kSmallLayer2Frame = 96;

/// A DTivo Layer II audio packet: the 11-byte short header with its time
/// stamp, then one 96-byte frame.
inline std::vector<std::uint8_t> layer2Packet(PtsTicks pts) {
    std::vector<std::uint8_t> b = {0x00, 0x00, 0x01, 0xC0, 0x00, 0x00};
    const auto field = ptsField(pts);
    b.insert(b.end(), field.begin(), field.end());
    const std::vector<std::uint8_t> header = {0xFF, 0xFD, 0x14, 0x00};
    b.insert(b.end(), header.begin(), header.end());
    b.resize(b.size() + kSmallLayer2Frame - header.size(), 0x55);
    return b;
}

/// Concatenates byte vectors.
inline std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

}  // namespace kestrel::test
