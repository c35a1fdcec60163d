// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

#include "chunk/zeroed_bytes.h"
#include "demux/output_file.h"
#include "headers/decoder.h"
#include "headers/run_state.h"

namespace kestrel {

/// The audio stream's state across records and chunks.
struct AudioExtraction {
    enum State : int { kBeforeFirstFrame = 0, kStreaming = 1 };
    /// An assembled unit is at most two chunks' worth of audio records.
    static constexpr std::size_t kAssemblyCapacity = 2 * kChunkSize;

    int audioState = kBeforeFirstFrame;
    std::int32_t audioFrameBytes = 0;
    ZeroedBytes audioAssembly{kAssemblyCapacity + kChunkPadding};
    std::int32_t audioAssemblyLength = 0;
    bool audioAssemblyActive = false;
    /// After a hole: records are dropped until one opens with a packet start.
    bool resumeAtPacketStart = false;
};

/// Handles one audio record of an accepted chunk: joins split records, drops
/// audio that starts too early, writes frames without their packet headers
/// and pads short frames to the standard frame length. `payload` runs from the
/// record's payload to the end of the chunk buffer; `size` is the record's.
void handleAudioRecord(Decoder& decoder, RunState& run, AudioExtraction& state, OutputFile& audio,
                       Bytes payload, std::uint32_t size);

/// The stream resumes after a hole, where data was lost: a packet still being
/// assembled lost its end, and records up to the next packet start are the
/// ends of packets whose fronts were lost. Both are dropped, not glued to
/// what follows.
void resumeAfterHole(AudioExtraction& state);

}  // namespace kestrel
