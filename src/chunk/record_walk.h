// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "chunk/chunk_layout.h"
#include "chunk/record_header.h"

namespace kestrel {

/// Walks a chunk's record table in order while keeping track of where each
/// record's payload starts: the payloads follow the table back to back, and
/// header-only records of types 1 to 5 take no payload bytes.
///
///     for (RecordWalk walk(chunk); walk.next();) { use walk.header() ... }
///
/// The walk stops early rather than read a header that lies outside `chunk`.
class RecordWalk {
  public:
    explicit RecordWalk(Bytes chunk)
        : chunk_(chunk), count_(recordCount(chunk)), payloadStart_(tableEnd(count_)) {}

    /// Moves to the next record; false once the table is done.
    bool next() {
        if (index_ >= 0 && index_ < count_) payloadStart_ += header().payloadLength();
        ++index_;
        return index_ < count_ && tableEnd(index_ + 1) <= chunk_.size();
    }

    RecordHeader header() const { return recordAt(chunk_, index_); }
    std::size_t payloadStart() const { return payloadStart_; }
    /// Exactly the record's payload (cut at the end of the buffer).
    Bytes payload() const { return bytesAt(chunk_, payloadStart_, header().payloadLength()); }
    /// From the record's payload to the end of the buffer: header decoders
    /// may read on past the record, as they would in the flat chunk.
    Bytes fromPayload() const { return bytesFrom(chunk_, payloadStart_); }

  private:
    Bytes chunk_;
    std::int32_t count_;
    std::int32_t index_ = -1;
    std::size_t payloadStart_;
};

}  // namespace kestrel
