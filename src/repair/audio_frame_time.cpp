// SPDX-License-Identifier: MIT
#include "repair/audio_frame_time.h"

#include <array>
#include <cstdint>

#include "headers/byte_patterns.h"

namespace kestrel {

namespace {

constexpr double kTicksPerSecond = 90000;
constexpr double kLayer2Samples = 1152;
constexpr double kAc3Samples = 1536;
// Sample rates by the header's 2-bit code; 0: reserved.
constexpr std::array<double, 4> kMpeg1Rates = {44100, 48000, 32000, 0};
constexpr std::array<double, 4> kAc3Rates = {48000, 44100, 32000, 0};

double ticks(double samples, double rate) {
    return rate == 0 ? 0 : samples * kTicksPerSecond / rate;
}

}  // namespace

double audioFrameTicks(Bytes frame) {
    if (frame.size() < 5) return 0;
    if (isAc3SyncAt(frame, 0)) return ticks(kAc3Samples, kAc3Rates[frame[4] >> 6]);
    if (!isLayer2SyncAt(frame, 0)) return 0;
    return ticks(kLayer2Samples, kMpeg1Rates[(frame[2] >> 2) & 3]);
}

}  // namespace kestrel
