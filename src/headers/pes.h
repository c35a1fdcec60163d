// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"
#include "headers/decoder.h"

namespace kestrel {

/// Time stamp of a full PES packet header starting at its 00 00 01 id start
/// code: 0 when it carries none, 1 for a padding stream, 0 (with two console
/// lines) for a stream id other than 0xBD, 0xC0 and 0xE0.
PtsTicks parsePesHeader(Decoder& decoder, Bytes header);

/// Time stamp of the 11-byte short audio packet header: the 5-byte time-stamp
/// field at bytes 6..10; nothing else is looked at.
PtsTicks parseShortPesHeader(Decoder& decoder, Bytes header);

/// Time stamp of an audio packet header in the form the recording uses:
/// short headers for DTivo Layer II, full headers otherwise.
PtsTicks audioHeaderPts(Decoder& decoder, Bytes header);

/// Offset (0..4) of the first audio packet start code (00 00 01 C0 or
/// 00 00 01 BD) at the very start of a payload of `size` bytes, or -1.
std::int32_t findAudioPesStart(Bytes payload, std::int32_t size);

}  // namespace kestrel
