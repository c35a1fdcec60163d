// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "chunk/chunk_layout.h"

namespace recbuild {

using kestrel::Bytes;

/// Subtypes this builder gives its records. Sequence-header start (7), video
/// packet header (6) and the Standalone audio header (3) mean something to the
/// demultiplexer; the others only have to differ from them.
inline constexpr std::uint8_t kGopSubtype = 8;
inline constexpr std::uint8_t kPictureSubtype = 0xA;
inline constexpr std::uint8_t kAudioDataSubtype = 2;

/// One record on its way into a chunk: its header fields, its payload (bytes
/// built here, then a view of source bytes) and what it means for the outputs
/// the demultiplexer should produce.
struct Record {
    std::uint8_t type = 0;
    std::uint8_t subtype = 0;
    std::vector<std::uint8_t> head;  // packet header bytes built by the builder
    Bytes body;                      // elementary-stream bytes after `head`
    bool counted = false;            // carries its stream's running byte counter
    bool standaloneMarker = false;   // header bytes 12..15 non-zero
    bool splittable = false;         // video data that may be cut anywhere
    bool keepWithNext = false;       // shares a chunk with the record after it
    std::uint32_t byteCount = 0;     // set when the record is packed

    std::uint64_t pts = 0;  // video packet header and audio records: the time stamp
    /// Set on the last record of an audio frame: the whole frame, as the
    /// demultiplexer writes it once it has all of the frame's records.
    Bytes completedFrame;
    /// The frame's earlier records (a Standalone header, the front of a split
    /// packet) come before this one; the frame is whole only with them.
    bool continuesFrame = false;

    std::uint32_t size() const { return static_cast<std::uint32_t>(head.size() + body.size()); }
    bool isEndOfData() const { return type == 0 && size() == 0; }
    /// A copy of the payload bytes.
    std::vector<std::uint8_t> payload() const;
};

/// A record with header bytes 0 to 9 all zero: the recorder wrote nothing after it.
Record endOfDataRecord();

/// Cuts the first `length` bytes off `r` into a record of its own, which keeps
/// r's header fields; `r` keeps the rest and continues the front (for audio:
/// its frame is whole only with the front). `length` lies within (0, r.size()).
Record splitFront(Record& r, std::uint32_t length);

/// Writes the 16-byte record header: the 20-bit size and the subtype in bytes
/// 0 to 2, the type in byte 3, the byte counter in bytes 5 to 7 (big-endian)
/// and, for a Standalone marker record, non-zero bytes 12 to 15.
void encodeRecordHeader(const Record& r, std::span<std::uint8_t, kestrel::kRecordHeaderSize> out);

/// Rewrites only the size field of an encoded header.
void setHeaderSize(std::span<std::uint8_t, kestrel::kRecordHeaderSize> header, std::uint32_t size);

}  // namespace recbuild
