// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// The calls that feed the clean-cut stage, in the order the extraction makes
/// them: the stage itself takes them (RepairStage), or a thread that passes
/// them on to it (StageThread).
class RepairCalls {
  public:
    virtual ~RepairCalls() = default;
    /// The next bytes of the video elementary stream, cut anywhere.
    virtual void videoBytes(Bytes data) = 0;
    /// The time stamp of the next picture to start.
    virtual void videoPts(PtsTicks stamp) = 0;
    /// An audio frame starts with the next audio bytes; its stamp, if its
    /// packet header had one.
    virtual void audioFrameStart(std::optional<PtsTicks> stamp) = 0;
    /// The next bytes of the audio frame begun last.
    virtual void audioBytes(Bytes data) = 0;
    /// What comes next does not follow, in the recording, what came before.
    virtual void join() = 0;
    /// The end of the input: finishes both outputs.
    virtual void finish() = 0;
};

}  // namespace kestrel
