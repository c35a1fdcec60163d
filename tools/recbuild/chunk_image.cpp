// SPDX-License-Identifier: MIT
#include "recbuild/chunk_image.h"

#include <algorithm>
#include <stdexcept>

namespace recbuild {
namespace {

using kestrel::kRecordHeaderSize;

std::span<std::uint8_t, kRecordHeaderSize> headerAt(ChunkImage& image, std::size_t index) {
    return std::span<std::uint8_t, kRecordHeaderSize>(
        image.data() + kestrel::kChunkHeadSize + kRecordHeaderSize * index, kRecordHeaderSize);
}

}  // namespace

ChunkImage chunkImage(const Chunk& chunk) {
    if (chunkBytes(chunk) > kestrel::kChunkSize || chunk.records.size() > kMaxRecords)
        throw std::runtime_error("records overflow a chunk");
    ChunkImage image(kestrel::kChunkSize, 0);
    image[0] = static_cast<std::uint8_t>(chunk.records.size() & 0xFF);
    image[1] = static_cast<std::uint8_t>(chunk.records.size() >> 8);
    auto payload =
        image.begin() + static_cast<std::ptrdiff_t>(kestrel::kChunkHeadSize +
                                                    kRecordHeaderSize * chunk.records.size());
    for (std::size_t i = 0; i < chunk.records.size(); ++i) {
        const Record& r = chunk.records[i];
        encodeRecordHeader(r, headerAt(image, i));
        payload = std::copy(r.head.begin(), r.head.end(), payload);
        payload = std::copy(r.body.begin(), r.body.end(), payload);
    }
    return image;
}

void insertEndOfData(Chunk& chunk) {
    const auto middle = static_cast<std::ptrdiff_t>(chunk.records.size() / 2);
    chunk.records.insert(chunk.records.begin() + middle, endOfDataRecord());
}

ChunkImage overflowingImage(const Chunk& chunk) {
    ChunkImage image = chunkImage(chunk);
    if (chunk.records.empty()) throw std::runtime_error("cannot overflow an empty chunk");
    const std::size_t last = chunk.records.size() - 1;
    const std::size_t missing = kestrel::kChunkSize + 1 - chunkBytes(chunk);
    setHeaderSize(headerAt(image, last),
                  static_cast<std::uint32_t>(chunk.records[last].size() + missing));
    return image;
}

}  // namespace recbuild
