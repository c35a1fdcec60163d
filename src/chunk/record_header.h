// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// One 16-byte record header. Multi-byte fields are big-endian:
///   bytes 0..2  size (20 bits: byte0 << 12 | byte1 << 4 | byte2 >> 4);
///               bit 7 of byte 0 doubles as the header-only flag of types 1..5
///   byte 2 low  subtype
///   byte 3      type (0xE0 video, 0xC0 audio, 1..5 may be header-only)
///   bytes 5..7  byteCount, the stream's running byte counter (24 bits)
/// The view must hold at least 16 bytes.
class RecordHeader {
  public:
    explicit RecordHeader(Bytes bytes) : b_(bytes.first(kRecordHeaderSize)) {}

    std::uint32_t size() const {
        return (std::uint32_t{b_[0]} << 12) | (std::uint32_t{b_[1]} << 4) | (b_[2] >> 4);
    }
    std::uint8_t subtype() const { return b_[2] & 0x0F; }
    std::uint8_t type() const { return b_[3]; }
    bool headerOnly() const { return (b_[0] & 0x80) != 0; }
    std::int32_t byteCount() const { return (b_[5] << 16) | (b_[6] << 8) | b_[7]; }
    /// Types 1 to 5 with the header-only bit set carry no payload at all;
    /// every other record carries `size` bytes.
    std::uint32_t payloadLength() const { return isHeaderOnlyType() && headerOnly() ? 0 : size(); }
    bool isHeaderOnlyType() const { return type() >= 1 && type() <= 5; }
    /// Header bytes 0 to 9 all zero: the recorder wrote nothing after this point.
    bool isEndOfData() const {
        for (int i = 0; i < 10; ++i)
            if (b_[i] != 0) return false;
        return true;
    }
    std::uint8_t byte(int i) const { return b_[i]; }
    Bytes bytes() const { return b_; }

  private:
    Bytes b_;
};

/// The record count: bytes 0 and 1 of the chunk, little-endian.
inline std::int32_t recordCount(Bytes chunk) {
    return chunk[0] | (chunk[1] << 8);
}
/// First byte after the record table, where the first payload starts.
inline std::size_t tableEnd(std::int32_t count) {
    return kChunkHeadSize + kRecordHeaderSize * static_cast<std::size_t>(count);
}
/// Header of record `index` (0 based) of a chunk.
inline RecordHeader recordAt(Bytes chunk, std::int32_t index) {
    return RecordHeader(chunk.subspan(tableEnd(index)));
}

}  // namespace kestrel

namespace kestrel {

/// The bytes of `buffer` from `offset` on; empty when `offset` lies past its end.
inline Bytes bytesFrom(Bytes buffer, std::size_t offset) {
    return offset < buffer.size() ? buffer.subspan(offset) : Bytes();
}

/// Up to `length` bytes of `buffer` from `offset` on, cut at its end.
inline Bytes bytesAt(Bytes buffer, std::size_t offset, std::size_t length) {
    const Bytes from = bytesFrom(buffer, offset);
    return from.first(length < from.size() ? length : from.size());
}

}  // namespace kestrel
