// SPDX-License-Identifier: MIT
#include "repair/repair_stage.h"

#include <algorithm>

#include "headers/audio_frame.h"

namespace kestrel {

namespace {

// No audio frame is longer (AC-3 tops out at 3840 bytes, Layer II at 1728);
// what the extraction writes beyond it is not kept.
constexpr std::size_t kMaxFrameBytes = 4096;

}  // namespace

RepairStage::RepairStage(Console& console, const RunState& run, ByteOutput& videoFile,
                         ByteOutput& audioFile)
    : decoder_{quiet_, run}, clock_(console, audioFile), video_(videoFile, *this) {}

void RepairStage::audioFrameStart(std::optional<PtsTicks> stamp) {
    completeFrame();
    frameOpen_ = true;
    frame_.clear();
    framePts_ = stamp;
}

void RepairStage::audioBytes(Bytes data) {
    if (!frameOpen_) return;
    const std::size_t n = std::min(data.size(), kMaxFrameBytes - frame_.size());
    frame_.insert(frame_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
}

// A frame is written as long as its header says: one that came out short
// (the extraction pads it with zeros, which are not taken) lost part of its
// bytes and is dropped, so that silence takes its place; one that came out
// long carries bytes of something else after its end, which are cut off.
void RepairStage::completeFrame() {
    if (!frameOpen_) return;
    frameOpen_ = false;
    const std::int32_t length = audioFrameLength(decoder_, frame_);
    if (length <= 0 || static_cast<std::size_t>(length) > frame_.size()) return clock_.dropFrame();
    clock_.frame(
        Bytes(frame_).first(static_cast<std::size_t>(length)),
        framePts_ ? std::optional<std::int64_t>(unwrapper_.unwrap(*framePts_)) : std::nullopt);
}

void RepairStage::finish() {
    completeFrame();
    video_.finish();
    if (const std::optional<ShownPicture> last = timeline_.finish()) show(*last);
    clock_.finish(timeline_.end());
}

void RepairStage::pictureWritten(const WrittenPicture& picture) {
    if (const std::optional<ShownPicture> shown = timeline_.written(picture)) show(*shown);
}

// The repair reports a cut once the GOP it resumed at has shown which of its
// pictures it keeps: its I picture is still held for display then.
void RepairStage::cutCompleted(std::int32_t dropped) {
    cutDropped_.push_back(dropped);
    timeline_.markCut();
}

void RepairStage::show(const ShownPicture& picture) {
    std::int32_t dropped = 0;
    if (picture.startsCut && !cutDropped_.empty()) {
        dropped = cutDropped_.front();
        cutDropped_.pop_front();
    }
    clock_.shown(picture, dropped);
}

void RepairStage::printTotals(Console& console) const {
    const CleanCutTotals& t = clock_.totals();
    console.print(
        "Clean cuts: %d; pictures dropped: %d; audio frames dropped: %d; silent frames "
        "inserted: %d.\n",
        t.cuts, video_.picturesDropped(), t.audioFramesDropped, t.silentFramesInserted);
}

}  // namespace kestrel
