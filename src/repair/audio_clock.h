// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "repair/byte_output.h"
#include "repair/picture_timeline.h"

namespace kestrel {

/// What the clean cuts cost, over a whole run.
struct CleanCutTotals {
    std::int32_t cuts = 0;
    std::int32_t audioFramesDropped = 0;
    std::int32_t silentFramesInserted = 0;
};

/// Holds the audio to the video as written. Every audio frame goes where its
/// time falls among the pictures shown: the picture that the recording showed
/// at that time is shown at some point of the output, and the frame is written
/// there. Frames whose time no picture shows (cut with dropped pictures, before
/// the first picture, after the last) are dropped; where frames are missing for
/// video that is shown, silent frames fill in. The audio output starts with the
/// first picture and stays within half a frame of the video everywhere.
class AudioClock {
  public:
    AudioClock(Console& console, ByteOutput& out) : console_(console), out_(out) {}

    /// The next picture shown; `cutDropped` the pictures its cut dropped,
    /// when it is the first shown after a cut.
    void shown(const ShownPicture& picture, std::int32_t cutDropped);
    /// The next whole audio frame, with its time on the unwrapped clock; a
    /// frame without a stamp follows the one before by one frame length.
    void frame(Bytes frame, std::optional<std::int64_t> source);
    /// A frame that cannot be written (damaged): dropped, silence fills in.
    void dropFrame() { countDrop(); }
    /// The end of the input: the video output ends at `videoEnd` (ticks).
    void finish(double videoEnd);

    const CleanCutTotals& totals() const { return totals_; }
    /// Ticks by which the first frame written was placed after its true time
    /// (at most half a frame either way); none while nothing was written.
    std::optional<double> firstFrameOffset() const { return firstOffset_; }

  private:
    struct Pending {
        std::vector<std::uint8_t> bytes;
        std::int64_t source;
    };
    struct Cut {
        double output;
        std::int32_t dropped;
    };

    void settle(bool videoDone);
    const ShownPicture* pictureAt(std::int64_t source) const;
    void place(const Pending& waiting, double at);
    void insertSilence();
    void reportCutsUpTo(double at);
    void countDrop();

    Console& console_;
    ByteOutput& out_;
    std::deque<ShownPicture> pictures_;  // shown recently, in display order
    std::deque<Pending> pending_;        // frames whose place is not known yet
    std::deque<Cut> cuts_;               // cuts not reported yet
    std::vector<std::uint8_t> silence_;  // a silent frame like the stream's
    double frameTicks_ = 0;              // how long one frame plays
    double next_ = 0;                    // where the next frame goes, output ticks
    std::int64_t lastSource_ = 0;
    bool anyFrame_ = false;
    std::optional<double> firstOffset_;
    CleanCutTotals totals_;
    std::int32_t droppedSinceCut_ = 0;
    std::int32_t silentSinceCut_ = 0;
};

}  // namespace kestrel
