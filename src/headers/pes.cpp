// SPDX-License-Identifier: MIT
#include "headers/pes.h"

#include "headers/byte_patterns.h"

namespace kestrel {

namespace {

// The 40-bit time-stamp field: a 4-bit prefix, then bits 32..30, 29..15 and
// 14..0 of the stamp, each followed by a marker bit. Bit 32 falls off.
PtsTicks readTimeStamp(Decoder& decoder, Bytes header) {
    BitCursor& c = decoder.cursor;
    skipBits(c, 4);  // prefix
    const std::uint32_t top = readBits(c, header, 3);
    skipBits(c, 1);
    const std::uint32_t middle = readBits(c, header, 15);
    skipBits(c, 1);
    const std::uint32_t low = readBits(c, header, 15);
    skipBits(c, 1);  // marker
    return (top << 30) | (middle << 15) | low;
}

constexpr std::uint32_t kPaddingStream = 0xBE;
constexpr std::uint32_t kFirstVideoStream = 0xE0;

}  // namespace

PtsTicks parsePesHeader(Decoder& decoder, Bytes header) {
    BitCursor& c = decoder.cursor;
    c = BitCursor{};
    skipBits(c, 24);  // start code prefix, not checked
    const std::uint32_t streamId = readBits(c, header, 8);
    skipBits(c, 16);  // packet length
    if (streamId == kPaddingStream) return 1;
    if (streamId != kPrivateStream1Id && streamId != kMpegAudioStreamId &&
        streamId != kFirstVideoStream) {
        decoder.console.print("Unknown PES packet. Fix it dear orvel...\n");
        decoder.console.print("\ttype = 0x%X\n", streamId);
        return 0;
    }
    skipBits(c, 2);  // '10'
    skipBits(c, 2);  // scrambling control
    skipBits(c, 1);  // priority
    skipBits(c, 1);  // data alignment
    skipBits(c, 2);  // copyright, original
    const std::uint32_t flags = readBits(c, header, 2);
    skipBits(c, 6);  // ESCR, ES rate, trick mode, copy info, CRC, extension
    skipBits(c, 8);  // header data length: the time stamp always follows at byte 9
    if (flags == 3) {
        decoder.console.print("Warning... Got a PTS w/DTS timestamp...\n");
        return readTimeStamp(decoder, header);
    }
    if (flags == 2) return readTimeStamp(decoder, header);
    return 0;
}

PtsTicks parseShortPesHeader(Decoder& decoder, Bytes header) {
    decoder.cursor = BitCursor{6, 0};
    return readTimeStamp(decoder, header);
}

PtsTicks audioHeaderPts(Decoder& decoder, Bytes header) {
    if (decoder.run.audioType == kLayer2Audio)
        return decoder.run.saMode != 0 ? parsePesHeader(decoder, header)
                                       : parseShortPesHeader(decoder, header);
    if (decoder.run.audioType == kDolbyAudio) return parsePesHeader(decoder, header);
    return 0;
}

std::int32_t findAudioPesStart(Bytes payload, std::int32_t size) {
    // Only the first five positions: an audio packet is expected at the very
    // start of a record's payload, a few bytes in at most.
    for (std::int32_t i = 0; i < 5 && i + 3 < size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (isStartCodeAt(payload, at, kMpegAudioStreamId) ||
            isStartCodeAt(payload, at, kPrivateStream1Id))
            return i;
    }
    return -1;
}

}  // namespace kestrel
