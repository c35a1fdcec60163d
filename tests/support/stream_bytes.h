#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel::test {

using ByteVector = std::vector<std::uint8_t>;

/// Concatenates byte sequences.
inline ByteVector concat(std::initializer_list<ByteVector> parts) {
    ByteVector out;
    for (const ByteVector& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

/// `n` bytes counting up from `first` (recognisable filler that holds no start code).
inline ByteVector filler(std::size_t n, std::uint8_t first = 0x40) {
    ByteVector out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(first + i % 0x30);
    return out;
}

/// The 5-byte time-stamp field of a packet header ('0010' prefix, marker bits set).
inline ByteVector ptsField(PtsTicks pts) {
    return {static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)),
            static_cast<std::uint8_t>(pts >> 22), static_cast<std::uint8_t>((pts >> 14) | 1),
            static_cast<std::uint8_t>(pts >> 7), static_cast<std::uint8_t>((pts << 1) | 1)};
}

/// A full packet header with a time stamp: 14 bytes, padded with `stuffing` 0xFF bytes.
inline ByteVector fullPesHeader(std::uint8_t streamId, PtsTicks pts, std::size_t stuffing = 0) {
    return concat({{0x00, 0x00, 0x01, streamId, 0x00, 0x00, 0x80, 0x80, 0x05},
                   ptsField(pts),
                   ByteVector(stuffing, 0xFF)});
}

/// The 11-byte short audio packet header of DTivo Layer II recordings.
inline ByteVector shortAudioHeader(PtsTicks pts) {
    return concat({{0x00, 0x00, 0x01, 0xC0, 0x00, 0x00}, ptsField(pts)});
}

/// The 16-byte video packet header of a subtype-6 record.
inline ByteVector videoPesHeader(PtsTicks pts) {
    return fullPesHeader(0xE0, pts, 2);
}

/// Layer II frame headers: 128 kbit/s and 256 kbit/s at 48 kHz (384 and 768 bytes).
inline const ByteVector kLayer2Frame384 = {0xFF, 0xFD, 0x84, 0x00};
inline const ByteVector kLayer2Frame768 = {0xFF, 0xFD, 0xC4, 0x00};
/// An AC-3 sync frame header: 48 kHz, frame size code 28 (1536 bytes).
inline const ByteVector kAc3Frame1536 = {0x0B, 0x77, 0x00, 0x00, 0x1C};

/// A DTivo Layer II packet: short header, then frame bytes (header + filler).
inline ByteVector dtivoLayer2Packet(PtsTicks pts, std::size_t frameBytes,
                                    const ByteVector& frameHeader = kLayer2Frame384) {
    return concat({shortAudioHeader(pts), frameHeader, filler(frameBytes - frameHeader.size())});
}

/// A Dolby Digital packet: 14-byte full header, then frame bytes.
inline ByteVector ac3Packet(PtsTicks pts, std::size_t frameBytes) {
    return concat({fullPesHeader(0xBD, pts), kAc3Frame1536, filler(frameBytes - 5)});
}

/// A Standalone Layer II packet header: 16 bytes (full header and two stuffing bytes).
inline ByteVector standaloneAudioHeader(PtsTicks pts) {
    return fullPesHeader(0xC0, pts, 2);
}

}  // namespace kestrel::test
