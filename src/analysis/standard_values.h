// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "headers/decoder.h"

namespace kestrel {

/// The largest audio record of the chunk (plus 16 per record in Standalone
/// mode); raises `standardFrameLength` to the largest audio frame it finds.
std::uint32_t chunkAudioSize(Decoder& decoder, std::uint32_t& standardFrameLength, Bytes chunk);

/// The smallest positive step between consecutive audio time stamps of the
/// chunk (cut to whole milliseconds), if it occurred at least three times;
/// else 0.
std::uint32_t chunkAudioDiff(Decoder& decoder, Bytes chunk);

/// The time stamp of the first video PES header record after the first
/// sequence-header start (which `seqStartSeen` remembers across chunks); 0
/// when the chunk has none.
PtsTicks chunkFirstVideoPts(Decoder& decoder, std::int32_t& seqStartSeen, Bytes chunk);

}  // namespace kestrel
