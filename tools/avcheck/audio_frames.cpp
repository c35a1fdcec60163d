// SPDX-License-Identifier: MIT
#include "avcheck/audio_frames.h"

#include <array>

#include "chunk/record_header.h"
#include "diag/console.h"
#include "headers/audio_frame.h"
#include "headers/byte_patterns.h"
#include "headers/decoder.h"

namespace avcheck {

namespace {

// Samples a frame holds.
constexpr double kLayer2Samples = 1152;
constexpr double kAc3Samples = 1536;
// Sampling frequencies by the headers' codes; 0 is reserved.
constexpr std::array<double, 4> kLayer2Rates = {44100, 48000, 32000, 0};
constexpr std::array<double, 4> kAc3Rates = {48000, 44100, 32000, 0};

std::optional<FrameShape> shapeOf(std::int32_t audioType, double samples, double rate,
                                  kestrel::Bytes frame) {
    if (rate == 0) return std::nullopt;
    kestrel::Console quiet(nullptr);
    kestrel::RunState run;
    run.audioType = audioType;
    kestrel::Decoder decoder{quiet, run};
    const std::int32_t length = kestrel::audioFrameLength(decoder, frame);
    // Shorter than its own header: no frame at all.
    if (length <= 4) return std::nullopt;
    return FrameShape{static_cast<std::size_t>(length), samples * 90000 / rate};
}

using SyncTest = bool (*)(kestrel::Bytes, std::size_t);

// The next sync word that `isSync` accepts, at `from` or later; stream.size() if none.
std::size_t nextSync(kestrel::Bytes stream, std::size_t from, SyncTest isSync) {
    for (std::size_t at = from; at + 1 < stream.size(); ++at)
        if (isSync(stream, at)) return at;
    return stream.size();
}

}  // namespace

std::optional<FrameShape> frameShape(kestrel::Bytes frame) {
    // The frequency index sits in bits 3..2 of the third byte, the AC-3
    // sample-rate code in the top two bits of the fifth.
    if (kestrel::isLayer2SyncAt(frame, 0) && frame.size() > 2)
        return shapeOf(kestrel::kLayer2Audio, kLayer2Samples, kLayer2Rates[(frame[2] >> 2) & 3],
                       frame);
    if (kestrel::isAc3SyncAt(frame, 0) && frame.size() > 4)
        return shapeOf(kestrel::kDolbyAudio, kAc3Samples, kAc3Rates[frame[4] >> 6], frame);
    return std::nullopt;
}

std::vector<kestrel::Bytes> splitAudio(kestrel::Bytes stream) {
    std::vector<kestrel::Bytes> frames;
    const std::size_t first = nextSync(stream, 0, [](kestrel::Bytes b, std::size_t at) {
        return kestrel::isLayer2SyncAt(b, at) || kestrel::isAc3SyncAt(b, at);
    });
    const SyncTest isSync =
        kestrel::isAc3SyncAt(stream, first) ? kestrel::isAc3SyncAt : kestrel::isLayer2SyncAt;
    for (std::size_t at = first; at < stream.size();) {
        const std::optional<FrameShape> shape = frameShape(stream.subspan(at));
        if (!shape) {
            at = nextSync(stream, at + 1, isSync);
            continue;
        }
        frames.push_back(kestrel::bytesAt(stream, at, shape->length));
        at += shape->length;
    }
    return frames;
}

}  // namespace avcheck
