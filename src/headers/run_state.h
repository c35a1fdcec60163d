// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Settings from the command line and the values learnt at start-up. Written
/// by the driver and the start-up analysis, read everywhere else; ParseChunk
/// writes only keepPumping and firstAudioPTS. (The verbosity lives in Console.)
/// It lives with the header decoders, the lowest code that reads it (the audio
/// type and Standalone mode choose a header's form), so that every reader
/// includes it downwards and nothing below the driver includes the driver.
struct RunState {
    std::int32_t saMode = 0;       // Standalone recorder mode
    std::int32_t noOutput = 0;     // -n: nothing is written to the output files
    std::int32_t neverResync = 0;  // -R: chunks out of sequence stay skipped, even in runs
    std::int32_t audioType = 0;    // 0 MPEG audio Layer II, 1 Dolby Digital (AC-3)
    /// Bytes from an audio packet start code to the frame sync: 11, or 16 for Standalone.
    std::int32_t audioPesHeaderLength = 11;
    std::uint32_t standardAudioSize = 0;     // largest audio record of the analysis chunks
    std::uint32_t standardFrameLength = 0;   // largest audio frame, in bytes
    std::uint32_t standardAudioDiff = 6480;  // time-stamp step between audio packets (72 ms)
    PtsTicks firstVideoPTS = kNoPts;  // first video PES header after the first sequence header
    PtsTicks firstAudioPTS = kNoPts;  // first audio frame written
    std::int32_t keepPumping = 1;     // cleared at the end-of-data record
};

inline constexpr std::int32_t kLayer2Audio = 0;
inline constexpr std::int32_t kDolbyAudio = 1;

}  // namespace kestrel
