// SPDX-License-Identifier: MIT
#include "recbuild/audio_es.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace recbuild {
namespace {

struct FrameHeader {
    std::size_t length = 0;
    std::uint32_t sampleRate = 0;
};

bool isLayer2Sync(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 1 < b.size() && b[at] == 0xFF && (b[at + 1] == 0xFD || b[at + 1] == 0xFC);
}

bool isAc3Sync(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 1 < b.size() && b[at] == 0x0B && b[at + 1] == 0x77;
}

/// MPEG-1 Layer II: 144 * bit rate / sample rate bytes, plus the padding byte.
FrameHeader layer2Header(const std::vector<std::uint8_t>& b, std::size_t at) {
    static constexpr std::array<std::uint32_t, 15> kKbps = {0,   32,  48,  56,  64,  80,  96, 112,
                                                            128, 160, 192, 224, 256, 320, 384};
    static constexpr std::array<std::uint32_t, 3> kRates = {44100, 48000, 32000};
    if (!isLayer2Sync(b, at) || at + 4 > b.size())
        throw std::runtime_error("audio: Layer II frame sync missing");
    const unsigned rateIndex = b[at + 2] >> 4;
    const unsigned freqIndex = (b[at + 2] >> 2) & 3;
    if (rateIndex == 0 || rateIndex >= kKbps.size() || freqIndex >= kRates.size())
        throw std::runtime_error("audio: unsupported Layer II bit rate or sample rate");
    const std::uint32_t padding = (b[at + 2] >> 1) & 1;
    return {144000 * kKbps[rateIndex] / kRates[freqIndex] + padding, kRates[freqIndex]};
}

/// AC-3: the frame size code gives the bit rate; a frame lasts 1536 samples, so
/// it holds 2 * kbit/s 16-bit words at 48 kHz, 3 * kbit/s at 32 kHz, and at
/// 44.1 kHz the rounded-down value plus one word for odd codes.
FrameHeader ac3Header(const std::vector<std::uint8_t>& b, std::size_t at) {
    static constexpr std::array<std::uint32_t, 19> kKbps = {
        32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
    if (!isAc3Sync(b, at) || at + 5 > b.size())
        throw std::runtime_error("audio: AC-3 sync word missing");
    const unsigned sampleRateCode = b[at + 4] >> 6;
    const unsigned sizeCode = b[at + 4] & 0x3F;
    if (sampleRateCode == 3 || sizeCode / 2 >= kKbps.size())
        throw std::runtime_error("audio: unsupported AC-3 sample rate or frame size code");
    const std::size_t kbps = kKbps[sizeCode / 2];
    switch (sampleRateCode) {
        case 0:
            return {4 * kbps, 48000};
        case 1:
            return {2 * (kbps * 320 / 147 + (sizeCode & 1)), 44100};
        default:
            return {6 * kbps, 32000};
    }
}

}  // namespace

AudioStream parseAudioStream(std::vector<std::uint8_t> bytes) {
    AudioStream s;
    s.bytes = std::move(bytes);
    if (isAc3Sync(s.bytes, 0)) {
        s.kind = AudioKind::Ac3;
        s.samplesPerFrame = 1536;
    } else if (!isLayer2Sync(s.bytes, 0)) {
        throw std::runtime_error("audio: neither a Layer II nor an AC-3 stream");
    }
    for (std::size_t at = 0; at < s.bytes.size();) {
        const FrameHeader h =
            s.kind == AudioKind::Ac3 ? ac3Header(s.bytes, at) : layer2Header(s.bytes, at);
        if (at + h.length > s.bytes.size()) throw std::runtime_error("audio: last frame cut short");
        if (s.frames.empty()) s.sampleRate = h.sampleRate;
        if (h.sampleRate != s.sampleRate) throw std::runtime_error("audio: sample rate changes");
        s.frames.push_back({at, h.length});
        at += h.length;
    }
    return s;
}

}  // namespace recbuild
