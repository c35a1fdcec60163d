#include "headers/audio_frame.h"

#include <algorithm>
#include <array>

namespace kestrel {

namespace {

bool isLayer2Sync(Bytes b, std::size_t at) {
    return b[at] == 0xFF && (b[at + 1] == 0xFD || b[at + 1] == 0xFC);
}
bool isAc3Sync(Bytes b, std::size_t at) { return b[at] == 0x0B && b[at + 1] == 0x77; }
bool isStartCode(Bytes b, std::size_t at, std::uint8_t id) {
    return b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == id;
}

// Layer II: the sync must stand H bytes after 00 00 01 C0. Without a packet the
// sync scan starts where the packet scan stopped, plus H: a lone sync word is
// never accepted.
std::int32_t findLayer2Frame(Bytes b, std::int32_t len, std::int32_t h, std::int32_t& pesOffset,
                             std::int32_t& syncOffset) {
    std::int32_t result = 0;
    std::int32_t q = len - h - 1 <= 0 ? h : len - 1;
    for (std::int32_t p = 0; p < len - h - 1; ++p) {
        const auto at = static_cast<std::size_t>(p);
        if (isStartCode(b, at, 0xC0) && isLayer2Sync(b, at + static_cast<std::size_t>(h))) {
            pesOffset = p;
            result = 1;
            q = p + h;
            break;
        }
    }
    for (; q < len - 1; ++q) {
        if (isLayer2Sync(b, static_cast<std::size_t>(q))) {
            syncOffset = q;
            return result + 1;
        }
    }
    return result;
}

// Dolby Digital: the sync stands 14 bytes after 00 00 01 BD. Without a packet
// only the last two bytes are tried.
std::int32_t findAc3Frame(Bytes b, std::int32_t len, std::int32_t& pesOffset,
                          std::int32_t& syncOffset) {
    std::int32_t result = 0;
    std::int32_t q = len <= 16 ? 14 : len - 2;
    for (std::int32_t p = 0; p < len - 16; ++p) {
        const auto at = static_cast<std::size_t>(p);
        if (isStartCode(b, at, 0xBD) && isAc3Sync(b, at + 14)) {
            pesOffset = p;
            result = 1;
            q = p + 14;
            break;
        }
    }
    for (; q < len - 1; ++q) {
        if (isAc3Sync(b, static_cast<std::size_t>(q))) {
            syncOffset = q;
            return result + 1;
        }
    }
    return result;
}

// Sampling frequencies (Hz) by index, then the Layer II bit rates (kbit/s) by
// index + 3: the single 0 is both frequency index 3 and free format.
constexpr std::array<std::uint32_t, 18> kLayer2Rates = {44100, 48000, 32000, 0,   32,  48,
                                                        56,    64,    80,    96,  112, 128,
                                                        160,   192,   224,   256, 320, 384};

// 16-bit words per AC-3 sync frame by frame-size code; each row holds the
// 32 kHz, 44.1 kHz and 48 kHz entries in that order. Codes 38 and 39 are empty.
constexpr std::array<std::array<std::uint32_t, 3>, 40> kAc3FrameWords = {{
    {96, 69, 64},      {96, 70, 64},      {120, 87, 80},     {120, 88, 80},
    {144, 104, 96},    {144, 105, 96},    {168, 121, 112},   {168, 122, 112},
    {192, 139, 128},   {192, 140, 128},   {240, 174, 160},   {240, 175, 160},
    {288, 208, 192},   {288, 209, 192},   {336, 243, 224},   {336, 244, 224},
    {384, 278, 256},   {384, 279, 256},   {480, 348, 320},   {480, 349, 320},
    {576, 417, 384},   {576, 418, 384},   {672, 487, 448},   {672, 488, 448},
    {768, 557, 512},   {768, 558, 512},   {960, 696, 640},   {960, 697, 640},
    {1152, 835, 768},  {1152, 836, 768},  {1344, 975, 896},  {1344, 976, 896},
    {1536, 1114, 1024}, {1536, 1115, 1024}, {1728, 1253, 1152}, {1728, 1254, 1152},
    {1920, 1393, 1280}, {1920, 1394, 1280}, {0, 0, 0},         {0, 0, 0},
}};

}  // namespace

std::int32_t findAudioFrame(const RunState& run, Bytes buffer, std::int32_t len,
                            std::int32_t& pesOffset, std::int32_t& syncOffset) {
    len = std::min<std::int32_t>(len, static_cast<std::int32_t>(buffer.size()));
    if (run.audioType == kLayer2Audio)
        return findLayer2Frame(buffer, len, run.audioPesHeaderLength, pesOffset, syncOffset);
    if (run.audioType == kDolbyAudio) return findAc3Frame(buffer, len, pesOffset, syncOffset);
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
    readBits(c, frame, 12);  // sync
    readBits(c, frame, 1);   // version
    readBits(c, frame, 2);   // layer
    readBits(c, frame, 1);   // protection
    const std::uint32_t bitrateIndex = readBits(c, frame, 4);
    const std::uint32_t frequencyIndex = readBits(c, frame, 2);
    const std::uint32_t padding = readBits(c, frame, 1);
    readBits(c, frame, 1);  // private
    readBits(c, frame, 2);  // mode
    readBits(c, frame, 2);  // mode extension
    readBits(c, frame, 2);  // copyright, original
    readBits(c, frame, 2);  // emphasis
    decoder.console.flush();
    const std::uint32_t frequency = kLayer2Rates[frequencyIndex];
    if (frequency == 0) return 0;
    // Index 15 is outside the table ("forbidden"); it counts as free format.
    const std::uint32_t bitrate = bitrateIndex + 3 < kLayer2Rates.size() ? kLayer2Rates[bitrateIndex + 3] : 0;
    return static_cast<std::int32_t>(bitrate * 144000 / frequency + padding);
}

std::uint32_t ac3FrameLength(Decoder& decoder, Bytes frame) {
    BitCursor& c = decoder.cursor;
    c = BitCursor{};
    readBits(c, frame, 16);  // sync word
    readBits(c, frame, 16);  // CRC
    const std::uint32_t sampleRate = readBits(c, frame, 2);
    const std::uint32_t sizeCode = readBits(c, frame, 6);
    if (sampleRate == 3 || sizeCode >= kAc3FrameWords.size()) return 0;
    return 2 * kAc3FrameWords[sizeCode][2 - sampleRate];
}

}  // namespace kestrel
