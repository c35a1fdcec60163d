#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "chunk/chunk_buffer.h"
#include "support/chunk_builder.h"

namespace kestrel::test {

/// A clean DTivo recording with MPEG Layer II audio, as a recorder writes it
/// when nothing goes wrong. Every chunk holds, in this order:
///   - a sequence-header start record (video, subtype 7): sequence and GOP header;
///   - a video PES header record (video, subtype 6, 16 bytes) whose time stamp
///     rises by one frame (3003 ticks) per chunk;
///   - a video data record (a picture header, then filler);
///   - an audio record: an 11-byte short audio packet header whose time stamp
///     rises by one Layer II frame (2160 ticks) per chunk, then one 768-byte
///     frame (256 kbit/s, 48 kHz).
/// The chunk named by endOfDataChunk holds an end-of-data record after these.
/// Byte counters are left 0; the head bytes 2 and 3 carry the chunk's index so
/// that no two chunks look like repeats of each other.
struct CleanRecording {
    PtsTicks firstVideoPts = 900000;  // 10 s
    PtsTicks firstAudioPts = 900000;
    std::uint32_t videoDataSize = 1000;  // up to 130000 still fits in a chunk
    /// The chunk whose table ends with an end-of-data record (none by default).
    std::uint32_t endOfDataChunk = 0xFFFFFFFF;

    static constexpr std::uint32_t kSequenceHeaderSize = 20;
    static constexpr PtsTicks kVideoStep = 3003;
    static constexpr PtsTicks kAudioStep = 2160;
    static constexpr std::uint32_t kAudioFrameLength = 768;
    static constexpr std::uint32_t kAudioHeaderLength = 11;
};

/// The 5-byte time-stamp field of a PES header ('0010' prefix, marker bits set).
inline std::array<std::uint8_t, 5> ptsField(PtsTicks pts) {
    return {static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)),
            static_cast<std::uint8_t>(pts >> 22), static_cast<std::uint8_t>((pts >> 14) | 1),
            static_cast<std::uint8_t>(pts >> 7), static_cast<std::uint8_t>((pts << 1) | 1)};
}

/// A full video PES header with a time stamp and two stuffing bytes: 16 bytes.
inline std::vector<std::uint8_t> videoPesHeader(PtsTicks pts) {
    std::vector<std::uint8_t> header = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x07};
    for (std::uint8_t b : ptsField(pts))
        header.push_back(b);
    header.insert(header.end(), {0xFF, 0xFF});
    return header;
}

/// An 11-byte short audio packet header followed by one Layer II frame.
inline std::vector<std::uint8_t> layer2AudioPacket(PtsTicks pts) {
    std::vector<std::uint8_t> packet(
        CleanRecording::kAudioHeaderLength + CleanRecording::kAudioFrameLength, 0x55);
    const std::array<std::uint8_t, 5> stamp = ptsField(pts);
    const std::array<std::uint8_t, 15> head = {0x00,     0x00,     0x01,     0xC0,     0x03,
                                               0x08,     stamp[0], stamp[1], stamp[2], stamp[3],
                                               stamp[4], 0xFF,     0xFD,     0xC4,     0x00};
    std::copy(head.begin(), head.end(), packet.begin());
    return packet;
}

/// Chunk `index` of a clean recording.
inline std::unique_ptr<ChunkBuffer> cleanChunk(std::uint32_t index,
                                               const CleanRecording& shape = {}) {
    const std::array<std::uint8_t, CleanRecording::kSequenceHeaderSize> sequenceHeaderBytes = {
        0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x34, 0xFF, 0xFF, 0xE3, 0x80,  // 720x480
        0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40};                         // GOP
    const std::vector<std::uint8_t> sequenceHeader(sequenceHeaderBytes.begin(),
                                                   sequenceHeaderBytes.end());
    // A picture header, then filler that holds no start code.
    const std::array<std::uint8_t, 8> pictureHeader = {0x00, 0x00, 0x01, 0x00,
                                                       0x00, 0x0F, 0xFF, 0xF8};
    std::vector<std::uint8_t> picture(shape.videoDataSize, 0x5A);
    std::copy_n(pictureHeader.begin(), std::min(picture.size(), pictureHeader.size()),
                picture.begin());
    const PtsTicks videoPts = shape.firstVideoPts + index * CleanRecording::kVideoStep;
    const PtsTicks audioPts = shape.firstAudioPts + index * CleanRecording::kAudioStep;
    ChunkBuilder builder;
    builder.headBytes(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8))
        .add({.subtype = 7, .type = 0xE0, .payload = sequenceHeader})
        .add({.subtype = 6, .type = 0xE0, .payload = videoPesHeader(videoPts)})
        .add({.type = 0xE0, .payload = picture})
        .add({.type = 0xC0, .payload = layer2AudioPacket(audioPts)});
    // A header-only record (it carries no payload) whose first ten header
    // bytes are then cleared becomes the end-of-data record.
    const bool endsHere = index == shape.endOfDataChunk;
    if (endsHere) builder.add({.type = 1, .headerOnly = true});
    auto chunk = builder.build();
    if (endsHere) std::fill_n(chunk->data() + 4 + 4 * 16, 10, 0);
    return chunk;
}

/// Chunks `first` to `first + count - 1` of a clean recording, back to back.
inline std::vector<std::uint8_t> cleanRecording(std::uint32_t count, std::uint32_t first = 0,
                                                const CleanRecording& shape = {}) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t{count} * kChunkSize);
    for (std::uint32_t i = first; i < first + count; ++i) {
        const auto chunk = cleanChunk(i, shape);
        bytes.insert(bytes.end(), chunk->bytes.begin(), chunk->bytes.begin() + kChunkSize);
    }
    return bytes;
}

}  // namespace kestrel::test
