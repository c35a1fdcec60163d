// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recbuild {

enum class AudioKind { Layer2, Ac3 };

/// One audio frame: `length` bytes from `offset`, starting with its sync word.
struct AudioFrame {
    std::size_t offset = 0;
    std::size_t length = 0;
};

/// An audio elementary stream cut into frames.
struct AudioStream {
    AudioKind kind = AudioKind::Layer2;
    std::vector<std::uint8_t> bytes;
    std::vector<AudioFrame> frames;
    std::uint32_t sampleRate = 48000;
    std::uint32_t samplesPerFrame = 1152;

    /// 90 kHz ticks from frame 0 to frame `index`, rounded down.
    std::uint64_t ticksFor(std::uint64_t index) const {
        return index * samplesPerFrame * 90000 / sampleRate;
    }
};

/// Cuts a stream of bare MPEG-1 Layer II frames (sync FF FD or FF FC) or AC-3
/// sync frames (0B 77) into frames; the kind is taken from the first frame.
/// Throws std::runtime_error on anything that is not a whole number of frames
/// at one sample rate.
AudioStream parseAudioStream(std::vector<std::uint8_t> bytes);

}  // namespace recbuild
