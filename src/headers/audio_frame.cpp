// SPDX-License-Identifier: MIT
#include "headers/audio_frame.h"

#include "headers/byte_patterns.h"

#include <algorithm>
#include <array>
#include <limits>

namespace kestrel {

namespace {

bool isLayer2Sync(Bytes b, std::int32_t at) {
    return at >= 0 && isLayer2SyncAt(b, static_cast<std::size_t>(at));
}
bool isAc3Sync(Bytes b, std::int32_t at) {
    return at >= 0 && isAc3SyncAt(b, static_cast<std::size_t>(at));
}
bool isStartCode(Bytes b, std::int32_t at, std::uint8_t id) {
    return at >= 0 && isStartCodeAt(b, static_cast<std::size_t>(at), id);
}
// The packet searches below look only where 00 00 01 begins (the views they
// get are never longer than INT32_MAX bytes).
std::int32_t nextStartCode(Bytes b, std::int32_t from) {
    return static_cast<std::int32_t>(findStartCodePrefix(b, static_cast<std::size_t>(from)));
}

// Layer II: the sync must stand H bytes after 00 00 01 C0. Without a packet the
// sync scan starts where the packet scan stopped, plus H: a lone sync word is
// never accepted.
std::int32_t findLayer2Frame(Bytes b, std::int32_t h, std::int32_t& pesOffset,
                             std::int32_t& syncOffset) {
    const auto len = static_cast<std::int32_t>(b.size());
    std::int32_t result = 0;
    std::int32_t q = len - h - 1 <= 0 ? h : len - 1;
    for (std::int32_t p = nextStartCode(b, 0); p < len - h - 1; p = nextStartCode(b, p + 1)) {
        if (isStartCode(b, p, kMpegAudioStreamId) && isLayer2Sync(b, p + h)) {
            pesOffset = p;
            result = 1;
            q = p + h;
            break;
        }
    }
    for (; q < len - 1; ++q) {
        if (isLayer2Sync(b, q)) {
            syncOffset = q;
            return result + 1;
        }
    }
    return result;
}

// Dolby Digital: the sync stands 14 bytes after 00 00 01 BD. Without a packet
// only the last two bytes are tried.
std::int32_t findAc3Frame(Bytes b, std::int32_t& pesOffset, std::int32_t& syncOffset) {
    const auto len = static_cast<std::int32_t>(b.size());
    std::int32_t result = 0;
    std::int32_t q = len <= 16 ? 14 : len - 2;
    for (std::int32_t p = nextStartCode(b, 0); p < len - 16; p = nextStartCode(b, p + 1)) {
        if (isStartCode(b, p, kPrivateStream1Id) && isAc3Sync(b, p + 14)) {
            pesOffset = p;
            result = 1;
            q = p + 14;
            break;
        }
    }
    for (; q < len - 1; ++q) {
        if (isAc3Sync(b, q)) {
            syncOffset = q;
            return result + 1;
        }
    }
    return result;
}

// Sampling frequencies (Hz) by index, then the Layer II bit rates (kbit/s) by
// index + 3: the single 0 is both frequency index 3 and free format.
constexpr std::array<std::uint32_t, 18> kLayer2Rates = {
    44100, 48000, 32000, 0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};

// 16-bit words per AC-3 sync frame by frame-size code; each row holds the
// 32 kHz, 44.1 kHz and 48 kHz entries in that order. Codes 38 and 39 are empty,
// and codes 40 to 63 (past the table) yield 0 like them.
constexpr std::array<std::array<std::uint32_t, 3>, 40> kAc3FrameWords = {{
    {96, 69, 64},       {96, 70, 64},       {120, 87, 80},      {120, 88, 80},
    {144, 104, 96},     {144, 105, 96},     {168, 121, 112},    {168, 122, 112},
    {192, 139, 128},    {192, 140, 128},    {240, 174, 160},    {240, 175, 160},
    {288, 208, 192},    {288, 209, 192},    {336, 243, 224},    {336, 244, 224},
    {384, 278, 256},    {384, 279, 256},    {480, 348, 320},    {480, 349, 320},
    {576, 417, 384},    {576, 418, 384},    {672, 487, 448},    {672, 488, 448},
    {768, 557, 512},    {768, 558, 512},    {960, 696, 640},    {960, 697, 640},
    {1152, 835, 768},   {1152, 836, 768},   {1344, 975, 896},   {1344, 976, 896},
    {1536, 1114, 1024}, {1536, 1115, 1024}, {1728, 1253, 1152}, {1728, 1254, 1152},
    {1920, 1393, 1280}, {1920, 1394, 1280}, {0, 0, 0},          {0, 0, 0},
}};

}  // namespace

std::int32_t findAudioFrame(const RunState& run, Bytes buffer, std::int32_t len,
                            std::int32_t& pesOffset, std::int32_t& syncOffset) {
    // Never search beyond the view, whatever length the caller claims.
    const auto available = static_cast<std::int32_t>(
        std::min<std::size_t>(buffer.size(), std::numeric_limits<std::int32_t>::max()));
    len = std::clamp<std::int32_t>(len, 0, available);
    const Bytes searched = buffer.first(static_cast<std::size_t>(len));
    if (run.audioType == kLayer2Audio)
        return findLayer2Frame(searched, run.audioPesHeaderLength, pesOffset, syncOffset);
    if (run.audioType == kDolbyAudio) return findAc3Frame(searched, pesOffset, syncOffset);
    return 0;
}

std::int32_t audioFrameLength(Decoder& decoder, Bytes frame) {
    if (decoder.run.audioType == kLayer2Audio) return layer2FrameLength(decoder, frame);
    if (decoder.run.audioType == kDolbyAudio)
        return static_cast<std::int32_t>(ac3FrameLength(decoder, frame));
    return 0;
}

std::int32_t layer2FrameLength(Decoder& decoder, Bytes frame) {
    BitCursor& c = decoder.cursor;
    c = BitCursor{};
    skipBits(c, 12);  // sync
    skipBits(c, 1);   // version
    skipBits(c, 2);   // layer
    skipBits(c, 1);   // protection
    const std::uint32_t bitrateIndex = readBits(c, frame, 4);
    const std::uint32_t frequencyIndex = readBits(c, frame, 2);
    const std::uint32_t padding = readBits(c, frame, 1);
    skipBits(c, 1);  // private
    skipBits(c, 2);  // mode
    skipBits(c, 2);  // mode extension
    skipBits(c, 2);  // copyright, original
    skipBits(c, 2);  // emphasis
    decoder.console.flush();
    const std::uint32_t frequency = kLayer2Rates[frequencyIndex];
    if (frequency == 0) return 0;
    // Index 15 is forbidden in MPEG audio and lies past the table: it counts
    // as free format (0 kbit/s), so the length is just the padding bit.
    const std::size_t rateSlot = bitrateIndex + 3;
    const std::uint32_t bitrate = rateSlot < kLayer2Rates.size() ? kLayer2Rates[rateSlot] : 0;
    return static_cast<std::int32_t>(bitrate * 144000 / frequency + padding);
}

std::uint32_t ac3FrameLength(Decoder& decoder, Bytes frame) {
    BitCursor& c = decoder.cursor;
    c = BitCursor{};
    skipBits(c, 16);  // sync word
    skipBits(c, 16);  // CRC
    const std::uint32_t sampleRate = readBits(c, frame, 2);
    const std::uint32_t sizeCode = readBits(c, frame, 6);
    return ac3FrameBytes(sampleRate, sizeCode);
}

std::uint32_t ac3FrameBytes(std::uint32_t fscod, std::uint32_t frmsizecod) {
    if (fscod >= 3 || frmsizecod >= kAc3FrameWords.size()) return 0;
    return 2 * kAc3FrameWords[frmsizecod][2 - fscod];
}

}  // namespace kestrel
