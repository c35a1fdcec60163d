// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "recbuild/byte_counters.h"
#include "recbuild/layout.h"
#include "recbuild/record.h"

namespace recbuild {

/// The records of one chunk, in table order.
struct Chunk {
    std::vector<Record> records;
};

/// Room a packed chunk leaves free, so that an end-of-data record can be
/// added to any chunk without moving a record to another one.
inline constexpr std::size_t kSpareRecordRoom = kestrel::kRecordHeaderSize;
/// Most records a good chunk can hold (the high count byte is at most 4).
inline constexpr std::size_t kMaxRecords = 1279;
/// A video data record is cut to fill a chunk only if the part that stays is
/// at least this long: longer than a whole sequence-header window, so that the
/// window is always settled within the chunk that opens it.
inline constexpr std::uint32_t kMinCutPart = 128;

/// Fills chunks with records in recording order, as the recorders do: a record
/// never crosses a chunk boundary, a group of records marked keepWithNext stays
/// in one chunk, and video data (with LayoutOptions::splitAudioAcrossChunks
/// also audio) is cut to fill a chunk's end. Counters are assigned as records
/// are packed.
class ChunkPacker {
  public:
    ChunkPacker(RecordSource& source, const LayoutOptions& layout)
        : source_(source),
          counters_(layout.family),
          splitAudioAcrossChunks_(layout.splitAudioAcrossChunks) {}

    /// The next chunk, or nothing once the source is used up.
    std::optional<Chunk> next();

  private:
    bool takeGroup();
    bool mayCut(const Record& r, std::size_t front) const;
    void commit(Chunk& chunk, Record r);

    RecordSource& source_;
    ByteCounters counters_;
    bool splitAudioAcrossChunks_;
    std::vector<Record> group_;
};

/// Bytes a chunk's head, table and payloads take.
std::size_t chunkBytes(const Chunk& chunk);

}  // namespace recbuild
