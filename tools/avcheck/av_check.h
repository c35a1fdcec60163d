// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>

#include "avcheck/ticks.h"
#include "chunk/chunk_layout.h"

namespace avcheck {

/// What the checker is given: a recording and the two outputs made from it.
struct CheckInput {
    kestrel::Bytes recording;
    bool standalone = false;  // a Standalone recording: its first chunk is jumped
    kestrel::Bytes video;     // MPEG-2 video elementary stream
    kestrel::Bytes audio;     // bare Layer II or AC-3 frames
};

/// The outcome: how much of the output was found in the recording, and the
/// A/V errors of the matched audio frames (nothing when none matched).
struct CheckReport {
    std::size_t framesMatched = 0;
    std::size_t framesUnmatched = 0;
    std::size_t picturesMatched = 0;
    std::size_t picturesUnmatched = 0;
    std::optional<Ticks> largestError;  // the one of largest magnitude, with its sign
    std::optional<Ticks> endError;      // the last matched frame's
};

/// Measures how far the outputs' audio has moved against their video compared
/// with the recording. Nothing when the recording's or the output's video has
/// no sequence header with a frame rate.
std::optional<CheckReport> checkAvSync(const CheckInput& input);

/// The report, one line each, errors in milliseconds.
void printReport(const CheckReport& report, std::FILE* out);

}  // namespace avcheck
