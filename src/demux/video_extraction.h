// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "chunk/record_header.h"
#include "chunk/zeroed_bytes.h"
#include "diag/console.h"
#include "repair/byte_output.h"

namespace kestrel {

/// The video stream starts at the first sequence header: records from the
/// first subtype-7 record up to the first 16-byte subtype-6 record are
/// collected, then written from their 00 00 01 B3 on; after that every video
/// record but the 16-byte PES header records is written as it comes.
struct VideoExtraction {
    enum State : int { kWaiting = 0, kCollecting = 1, kStreaming = 2 };
    /// Room for the collected sequence header. Real ones are well under 1 KiB;
    /// a damaged recording can make a collection grow until the next PES
    /// header record, so generous room is reserved once and the rest dropped.
    static constexpr std::size_t kSeqHeaderCapacity = 1 << 20;

    int videoState = kWaiting;
    ZeroedBytes seqHeaderBuffer{kSeqHeaderCapacity};
    std::size_t seqHeaderLength = 0;
    bool seqHeaderOverflowReported = false;
};

/// A video packet header record: 16 bytes whose stamp is the next picture's.
bool isPesHeaderRecord(const RecordHeader& header);

/// Handles one video record of an accepted chunk; `payload` is exactly the
/// record's payload.
void handleVideoRecord(Console& console, VideoExtraction& state, ByteOutput& video,
                       const RecordHeader& header, Bytes payload);

/// Writes a collected sequence header from its first 00 00 01 B3 (which must
/// begin within the first 8 bytes). Returns 1 when written (or discarded
/// under -n), 0 when no start code was found.
int writeSequenceHeader(Console& console, Bytes buffer, ByteOutput& video);

}  // namespace kestrel
