// SPDX-License-Identifier: MIT
#include "recbuild/pes_writer.h"

namespace recbuild {
namespace {

constexpr std::uint8_t kVideoStreamId = 0xE0;
constexpr std::uint8_t kAudioStreamId = 0xC0;
constexpr std::uint8_t kPrivateStreamId = 0xBD;
constexpr std::size_t kPtsFieldSize = 5;

/// Start code prefix, stream id and the 16-bit packet length (bytes after it).
std::vector<std::uint8_t> packetStart(std::uint8_t streamId, std::size_t packetLength) {
    const std::size_t length = packetLength > 0xFFFF ? 0 : packetLength;
    return {0x00,
            0x00,
            0x01,
            streamId,
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length & 0xFF)};
}

/// The 5-byte time stamp: '0010', PTS bits 32..30, marker, 29..15, marker,
/// 14..0, marker.
void appendPts(std::vector<std::uint8_t>& out, std::uint64_t pts) {
    out.push_back(static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)));
    out.push_back(static_cast<std::uint8_t>(pts >> 22));
    out.push_back(static_cast<std::uint8_t>(((pts >> 14) & 0xFE) | 1));
    out.push_back(static_cast<std::uint8_t>(pts >> 7));
    out.push_back(static_cast<std::uint8_t>(((pts << 1) & 0xFE) | 1));
}

/// A full header of `total` bytes: flags '10' with PTS only, the header data
/// length, the PTS and 0xFF stuffing up to `total`.
std::vector<std::uint8_t> fullHeader(std::uint8_t streamId, std::uint64_t pts, std::size_t total,
                                     std::size_t frameLength) {
    constexpr std::size_t kFixedPart = 9;
    const std::size_t packetLength = frameLength == 0 ? 0 : total - 6 + frameLength;
    std::vector<std::uint8_t> h = packetStart(streamId, packetLength);
    h.push_back(0x80);
    h.push_back(0x80);
    h.push_back(static_cast<std::uint8_t>(total - kFixedPart));
    appendPts(h, pts);
    h.resize(total, 0xFF);
    return h;
}

}  // namespace

std::vector<std::uint8_t> videoPesHeader(std::uint64_t pts) {
    return fullHeader(kVideoStreamId, pts, 16, 0);
}

std::vector<std::uint8_t> shortAudioHeader(std::uint64_t pts, std::size_t frameLength) {
    std::vector<std::uint8_t> h = packetStart(kAudioStreamId, kPtsFieldSize + frameLength);
    appendPts(h, pts);
    return h;
}

std::vector<std::uint8_t> ac3PesHeader(std::uint64_t pts, std::size_t frameLength) {
    return fullHeader(kPrivateStreamId, pts, 14, frameLength);
}

std::vector<std::uint8_t> standaloneAudioHeader(std::uint64_t pts, std::size_t frameLength) {
    return fullHeader(kAudioStreamId, pts, 16, frameLength);
}

}  // namespace recbuild
