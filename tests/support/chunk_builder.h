// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "chunk/chunk_buffer.h"

namespace kestrel::test {

/// One record for ChunkBuilder: the header fields and the payload bytes.
struct TestRecord {
    std::uint32_t size = 0;  // 20-bit size field; payload.size() when left 0 and payload given
    std::uint8_t subtype = 0;
    std::uint8_t type = 0;
    std::uint32_t byteCount = 0;  // 24 bits
    bool headerOnly = false;      // sets bit 7 of byte 0
    std::vector<std::uint8_t> payload;
    std::uint8_t tail[8] = {};  // header bytes 8..15
};

/// Builds a chunk in a zero-padded buffer: record count, table, payloads back to
/// back (header-only records of types 1 to 5 take no payload bytes).
class ChunkBuilder {
  public:
    ChunkBuilder& add(TestRecord r) {
        records_.push_back(std::move(r));
        return *this;
    }
    ChunkBuilder& headBytes(std::uint8_t b2, std::uint8_t b3) {
        b2_ = b2;
        b3_ = b3;
        return *this;
    }
    std::unique_ptr<ChunkBuffer> build() const {
        auto chunk = std::make_unique<ChunkBuffer>();
        std::uint8_t* c = chunk->data();
        const auto count = records_.size();
        c[0] = static_cast<std::uint8_t>(count & 0xFF);
        c[1] = static_cast<std::uint8_t>(count >> 8);
        c[2] = b2_;
        c[3] = b3_;
        std::size_t payload = 4 + 16 * count;
        for (std::size_t i = 0; i < count; ++i) {
            const TestRecord& r = records_[i];
            std::uint8_t* h = c + 4 + 16 * i;
            const std::uint32_t size = r.size != 0 || r.payload.empty()
                                           ? r.size
                                           : static_cast<std::uint32_t>(r.payload.size());
            h[0] = static_cast<std::uint8_t>((size >> 12) & 0xFF);
            if (r.headerOnly) h[0] |= 0x80;
            h[1] = static_cast<std::uint8_t>((size >> 4) & 0xFF);
            h[2] = static_cast<std::uint8_t>(((size & 0xF) << 4) | (r.subtype & 0xF));
            h[3] = r.type;
            h[5] = static_cast<std::uint8_t>((r.byteCount >> 16) & 0xFF);
            h[6] = static_cast<std::uint8_t>((r.byteCount >> 8) & 0xFF);
            h[7] = static_cast<std::uint8_t>(r.byteCount & 0xFF);
            std::memcpy(h + 8, r.tail, 8);
            const bool noPayload = r.headerOnly && r.type >= 1 && r.type <= 5;
            if (noPayload) continue;
            if (!r.payload.empty() && payload + r.payload.size() <= kChunkSize)
                std::memcpy(c + payload, r.payload.data(), r.payload.size());
            payload += size;
        }
        return chunk;
    }

  private:
    std::vector<TestRecord> records_;
    std::uint8_t b2_ = 0;
    std::uint8_t b3_ = 0;
};

}  // namespace kestrel::test
