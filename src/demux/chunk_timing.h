// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "chunk/chunk_layout.h"
#include "chunk/zeroed_bytes.h"
#include "headers/decoder.h"

namespace kestrel {

/// A video or audio record whose 24-bit byteCount is at least this value holds
/// the recorder's running byte counter of its stream; below it the field holds
/// something else and the record is "uncounted".
inline constexpr std::int32_t kCounterThreshold = 0x205040;
/// Distances by which the recorder's counters are known to jump between two
/// records that still belong together (video, then audio).
inline constexpr std::array<std::uint32_t, 3> kVideoCounterJumps = {0x116400, 0xCCC00, 0xCCBE0};
inline constexpr std::array<std::uint32_t, 2> kAudioCounterJumps = {0x1F6E0, 0x27A80};

/// Two running byte counters of one stream (24-bit values in 32-bit fields):
/// where a chunk's bytes of that stream start and where the next chunk's
/// bytes are expected to start. A start of 0 means "none".
struct ByteCountRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

/// What one chunk covers in time and in the two byte counters.
struct ChunkTiming {
    PtsTicks sVid = kNoPts;  // lowest video PES time stamp
    PtsTicks eVid = kNoPts;  // highest video PES time stamp
    PtsTicks sAud = kNoPts;  // first audio frame time stamp
    PtsTicks eAud = kNoPts;  // highest audio frame time stamp
    ByteCountRange vidByteCount;
    ByteCountRange audByteCount;
};

/// The timing scan's video counter state, carried from chunk to chunk.
struct VideoCountState {
    std::int32_t seqWindowOpen = 0;      // 1 while a sequence-header window is open
    std::int32_t seqWindowLeft = 0;      // counted video bytes still expected in it
    std::int32_t seqWindowPesSeen = 0;   // a 16-byte PES header record came in it
    std::int32_t windowShortParity = 0;  // 4-byte uncounted records in the window, mod 2
    std::int32_t shortParity = 0;        // the same outside a window
};

/// Working storage of the scan: the chunk's audio payloads gathered back to
/// back (a chunk never holds more than kChunkSize bytes of them). The bytes
/// just past the gathered ones read as zeros.
struct AudioScratch {
    ZeroedBytes bytes{kChunkSize + kChunkPadding};
    std::uint32_t gatheredAudio = 0;
};

/// Finds the chunk's first and last video and audio time stamps and follows
/// both byte counters, reporting gaps in them. `timing` arrives with zeroed
/// byte-count ranges. Nothing outside the chunk's 131072 bytes is read: a
/// record whose payload the scan's own walk places outside them is counted
/// but not read.
void scanChunkTiming(Decoder& decoder, VideoCountState& state, AudioScratch& scratch, Bytes chunk,
                     ChunkTiming& timing);

}  // namespace kestrel
