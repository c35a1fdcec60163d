// SPDX-License-Identifier: MIT
#include "repair/silent_layer2_frame.h"

#include <array>

#include "headers/bit_reader.h"

namespace kestrel {

namespace {

constexpr std::size_t kHeaderBytes = 4;

// Bit rates (kbit/s) by index; index 0 is free format, which has no fixed
// frame length, and 15 is forbidden: both are left at 0 and refused.
constexpr std::array<std::uint32_t, 16> kMpeg1Kbps = {0,   32,  48,  56,  64,  80,  96,  112,
                                                      128, 160, 192, 224, 256, 320, 384, 0};
constexpr std::array<std::uint32_t, 16> kMpeg2Kbps = {0,  8,  16, 24,  32,  40,  48,  56,
                                                      64, 80, 96, 112, 128, 144, 160, 0};
// Sample rates (Hz) by index; 3 is reserved.
constexpr std::array<std::uint32_t, 4> kMpeg1Hz = {44100, 48000, 32000, 0};
constexpr std::array<std::uint32_t, 4> kMpeg2Hz = {22050, 24000, 16000, 0};

// Bytes in the Layer II frame whose header starts `header`, 0 when the header
// is not one: 1152 samples a frame at either version, so bit rate x 144 / rate
// bytes, plus the padding byte.
std::size_t frameBytes(Bytes header) {
    BitCursor c;
    const std::uint32_t sync = readBits(c, header, 12);
    const std::uint32_t mpeg1 = readBits(c, header, 1);
    const std::uint32_t layer = readBits(c, header, 2);
    skipBits(c, 1);  // protection
    const std::uint32_t bitrateIndex = readBits(c, header, 4);
    const std::uint32_t rateIndex = readBits(c, header, 2);
    const std::uint32_t padding = readBits(c, header, 1);
    constexpr std::uint32_t kLayer2 = 2;  // the layer field holds '10'
    if (sync != 0xFFF || layer != kLayer2) return 0;
    const std::uint32_t kbps = (mpeg1 != 0 ? kMpeg1Kbps : kMpeg2Kbps)[bitrateIndex];
    const std::uint32_t hz = (mpeg1 != 0 ? kMpeg1Hz : kMpeg2Hz)[rateIndex];
    if (kbps == 0 || hz == 0) return 0;
    return kbps * 144000 / hz + padding;
}

}  // namespace

std::vector<std::uint8_t> makeSilentLayer2Frame(Bytes model) {
    if (model.size() < kHeaderBytes) return {};
    const std::size_t length = frameBytes(model);
    if (length < kHeaderBytes || model.size() < length) return {};
    // The model's header with the protection bit set: no CRC follows. Then
    // zeros. Read as Layer II, zeros are a bit allocation of 0 for every
    // subband and channel, whichever allocation table (and so whichever field
    // widths) the bit rate, sample rate and mode select; with nothing
    // allocated there are no scale-factor selections, scale factors or
    // samples, and the rest of the frame is ancillary data. The decoder
    // outputs silence.
    std::vector<std::uint8_t> frame(length, 0);
    for (std::size_t i = 0; i < kHeaderBytes; ++i)
        frame[i] = model[i];
    frame[1] |= 0x01;
    return frame;
}

}  // namespace kestrel
