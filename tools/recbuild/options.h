// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "recbuild/recording_writer.h"

namespace recbuild {

/// The builder's command line.
struct Options {
    std::string videoPath;
    std::string audioPath;
    std::string outPath;
    std::string expectedVideoPath;  // empty: not written
    std::string expectedAudioPath;  // empty: not written
    RecordingPlan plan;
    bool help = false;
};

/// The usage text, one option a line.
std::string_view usageText();

/// Reads the words after the program name. Throws std::runtime_error with a
/// message for the user on anything it does not understand.
Options parseOptions(std::span<const std::string_view> words);

/// A byte count with an optional K, M or G suffix (powers of 1024): "512M".
std::uint64_t parseSize(std::string_view text);

}  // namespace recbuild
