// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "headers/decoder.h"
#include "headers/run_state.h"

namespace kestrel {

/// Looks in the first `len` bytes of `buffer` for an audio packet start code
/// followed, at the fixed header distance, by a frame sync, and then for a
/// frame sync on its own. Returns 2 when both were found (`pesOffset` and
/// `syncOffset` set), 1 when only a sync was found (Dolby Digital only: a sync
/// in the last two bytes; only `syncOffset` set), 0 otherwise (nothing set).
std::int32_t findAudioFrame(const RunState& run, Bytes buffer, std::int32_t len,
                            std::int32_t& pesOffset, std::int32_t& syncOffset);

/// Length in bytes of the audio frame whose sync word starts `frame`, decoded
/// as the recording's audio type (0 for an unknown type).
std::int32_t audioFrameLength(Decoder& decoder, Bytes frame);

/// Length of an MPEG audio frame, always with the MPEG-1 Layer II tables:
/// bitrate * 144000 / frequency plus the padding bit. Flushes the console.
std::int32_t layer2FrameLength(Decoder& decoder, Bytes frame);

/// Length of a Dolby Digital (AC-3) sync frame from its sample-rate and
/// frame-size codes.
std::uint32_t ac3FrameLength(Decoder& decoder, Bytes frame);

/// Bytes in an AC-3 sync frame with sample-rate code `fscod` and frame-size
/// code `frmsizecod`; 0 for the reserved codes.
std::uint32_t ac3FrameBytes(std::uint32_t fscod, std::uint32_t frmsizecod);

}  // namespace kestrel
