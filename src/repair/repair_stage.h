// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "headers/decoder.h"
#include "repair/audio_clock.h"
#include "repair/byte_output.h"
#include "repair/picture_timeline.h"
#include "repair/repair_calls.h"
#include "repair/video_repair.h"

namespace kestrel {

/// The work of clean cuts: the video repair, which writes whole pictures
/// only, and the audio clock, which places every whole audio frame where its
/// time falls on the pictures written.
class RepairStage final : public RepairCalls, private PictureListener {
  public:
    /// `run` gives the audio type; it must not change while the stage works.
    RepairStage(Console& console, const RunState& run, ByteOutput& videoFile,
                ByteOutput& audioFile);
    RepairStage(const RepairStage&) = delete;
    RepairStage& operator=(const RepairStage&) = delete;

    void videoBytes(Bytes data) override { video_.bytes(data); }
    void videoPts(PtsTicks stamp) override { video_.pts(stamp); }
    void audioFrameStart(std::optional<PtsTicks> stamp) override;
    void audioBytes(Bytes data) override;
    void join() override { video_.join(); }
    void finish() override;

    /// Prints the closing account of the cuts.
    void printTotals(Console& console) const;
    /// See AudioClock::firstFrameOffset.
    std::optional<double> firstFrameOffset() const { return clock_.firstFrameOffset(); }

  private:
    void pictureWritten(const WrittenPicture& picture) override;
    void cutCompleted(std::int32_t dropped) override;
    void completeFrame();
    void show(const ShownPicture& picture);

    Console quiet_{nullptr};
    Decoder decoder_;  // reads frame headers without a word on the console
    StampUnwrapper unwrapper_;
    PictureTimeline timeline_{unwrapper_};
    AudioClock clock_;
    VideoRepair video_;

    std::deque<std::int32_t> cutDropped_;  // cuts whose first picture is not shown yet

    std::vector<std::uint8_t> frame_;  // the audio frame being written
    bool frameOpen_ = false;
    std::optional<PtsTicks> framePts_;
};

}  // namespace kestrel
