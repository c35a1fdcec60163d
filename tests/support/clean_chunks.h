// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "support/chunk_builder.h"
#include "support/header_bytes.h"

namespace kestrel::test {

/// A clean DTivo recording with Layer II audio, as a recorder writes it when
/// nothing goes wrong. Every chunk holds a header-only record (its size field
/// reads 0x80010, yet it takes no payload bytes), a sequence-header start
/// record (sequence and GOP header, 20 bytes), a video packet header stamped
/// one frame (3003 ticks) after the previous chunk's, a video data record, and
/// an audio record: a short packet header stamped one Layer II frame (2160
/// ticks) on and one 768-byte frame. Head bytes 2 and 3 hold the chunk's
/// index, so that no chunk repeats another.
struct CleanRecording {
    std::uint32_t videoDataSize = 1000;         // up to 130000 fits in a chunk
    std::uint32_t endOfDataChunk = 0xFFFFFFFF;  // its table ends with an end-of-data record
    std::uint32_t badChunk = 0xFFFFFFFF;        // all zeros
    std::uint8_t endOfDataByte9 = 0;            // nonzero: that record only looks like one
};

inline std::unique_ptr<ChunkBuffer> cleanChunk(std::uint32_t index, const CleanRecording& shape) {
    if (index == shape.badChunk) return std::make_unique<ChunkBuffer>();
    const auto sequence = hex("000001B3 2D01E034 FFFFE380 000001B8 00080040");
    std::vector<std::uint8_t> audio = stamped("000001C0 0308", 900000 + index * 2160, "FFFDC400");
    audio.resize(11 + 768, 0x55);
    ChunkBuilder builder;
    builder.headBytes(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8))
        .add({.size = 0x10, .type = 2, .headerOnly = true})
        .add({.subtype = 7, .type = 0xE0, .payload = sequence})
        .add({.subtype = 6, .type = 0xE0, .payload = videoPesHeader(900000 + index * 3003)})
        .add({.type = 0xE0, .payload = std::vector<std::uint8_t>(shape.videoDataSize, 0x5A)})
        .add({.type = 0xC0,  // bytes 5 to 15 of its header show their own index
              .byteCount = 0x050607,
              .payload = audio,
              .tail = {8, 9, 10, 11, 12, 13, 14, 15}});
    // A header-only record (no payload) whose first ten header bytes are then
    // cleared becomes the end-of-data record.
    if (index != shape.endOfDataChunk) return builder.build();
    auto chunk = builder.add({.type = 1, .headerOnly = true}).build();
    std::uint8_t* header = chunk->data() + kChunkHeadSize + 5 * kRecordHeaderSize;
    std::fill_n(header, 10, 0);
    header[9] = shape.endOfDataByte9;
    return chunk;
}

/// The first `count` chunks of a clean recording, back to back.
inline std::vector<std::uint8_t> cleanRecording(std::uint32_t count,
                                                const CleanRecording& shape = {}) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto chunk = cleanChunk(i, shape);
        bytes.insert(bytes.end(), chunk->bytes.begin(), chunk->bytes.begin() + kChunkSize);
    }
    return bytes;
}

}  // namespace kestrel::test
