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
};

/// Handles one audio record of an accepted chunk: joins split records, drops
/// audio that starts too early, writes frames without their packet headers
/// and pads short frames to the standard frame length. `payload` runs from the
/// record's payload to the end of the chunk buffer; `size` is the record's.
void handleAudioRecord(Decoder& decoder, RunState& run, AudioExtraction& state, OutputFile& audio,
                       Bytes payload, std::uint32_t size);

/// Forgets the front of a packet still being assembled: the records that were
/// to complete it are lost (the stream resumes after a hole).
void dropPartialAudio(AudioExtraction& state);

}  // namespace kestrel
