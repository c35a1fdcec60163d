// SPDX-License-Identifier: MIT
#include "repair/audio_clock.h"

#include <algorithm>
#include <cmath>

#include "repair/audio_frame_time.h"
#include "repair/silent_frame.h"

namespace kestrel {

namespace {

// Bounds on what waits: pictures shown are kept until the audio has passed
// them, frames until the video reaches their time. Past these (a long stretch
// without video, or without audio) the oldest go: about 30 s of either.
constexpr std::size_t kMaxPictures = 1024;
constexpr std::size_t kMaxPendingFrames = 1024;

}  // namespace

void AudioClock::shown(const ShownPicture& picture, std::int32_t cutDropped) {
    if (picture.startsCut) {
        cuts_.push_back({picture.output, cutDropped});
        ++totals_.cuts;
    }
    pictures_.push_back(picture);
    if (pictures_.size() > kMaxPictures) pictures_.pop_front();
    settle(false);
}

void AudioClock::frame(Bytes frame, std::optional<std::int64_t> source) {
    if (!anyFrame_) {
        // The first frame sets the stream's kind: its length of play and the
        // silent frame that stands in for missing ones.
        frameTicks_ = audioFrameTicks(frame);
        // Without a length of play there is no grid to fill in on.
        if (frameTicks_ > 0) silence_ = makeSilentFrame(frame);
    }
    const std::int64_t time = source ? *source : lastSource_ + std::lround(frameTicks_);
    anyFrame_ = true;
    lastSource_ = time;
    pending_.push_back({{frame.begin(), frame.end()}, time});
    if (pending_.size() > kMaxPendingFrames) {
        pending_.pop_front();
        countDrop();
    }
    settle(false);
}

void AudioClock::finish(double videoEnd) {
    settle(true);
    while (!silence_.empty() && next_ + frameTicks_ / 2 < videoEnd)
        insertSilence();
    reportCutsUpTo(videoEnd);
    // Cuts after the last frame the audio reached (the audio ended first).
    reportCutsUpTo(cuts_.empty() ? 0 : cuts_.back().output);
}

const ShownPicture* AudioClock::pictureAt(std::int64_t source) const {
    // The latest first: after a cut to earlier material, the picture shown last.
    const auto shows = [source](const ShownPicture& p) {
        const auto into = static_cast<double>(source - p.source);
        return into >= 0 && into < p.duration;
    };
    const auto p = std::find_if(pictures_.rbegin(), pictures_.rend(), shows);
    return p == pictures_.rend() ? nullptr : &*p;
}

// Places the frames waiting, in order, as far as the pictures shown so far
// tell where they go. A frame whose time lies before the latest picture
// shown, but in no picture kept, is one the video does not show.
void AudioClock::settle(bool videoDone) {
    while (!pending_.empty()) {
        const Pending& waiting = pending_.front();
        if (const ShownPicture* p = pictureAt(waiting.source)) {
            place(waiting, p->output + static_cast<double>(waiting.source - p->source));
        } else if (videoDone || (!pictures_.empty() && pictures_.back().source > waiting.source)) {
            countDrop();
        } else {
            return;  // the video has not got there yet
        }
        const std::int64_t passed = waiting.source;
        pending_.pop_front();
        while (pictures_.size() > 1 &&
               static_cast<double>(pictures_.front().source) + pictures_.front().duration <=
                   static_cast<double>(passed))
            pictures_.pop_front();
    }
}

// Writes a frame whose true place is `at`: after silence where the audio
// would lag by more than half a frame, or not at all where it would lead.
void AudioClock::place(const Pending& waiting, double at) {
    const double half = frameTicks_ / 2;
    if (at < next_ - half) return countDrop();
    while (!silence_.empty() && at > next_ + half)
        insertSilence();
    reportCutsUpTo(at + half);
    if (!firstOffset_) firstOffset_ = next_ - at;
    out_.write(waiting.bytes);
    next_ += frameTicks_;
}

void AudioClock::insertSilence() {
    out_.write(silence_);
    next_ += frameTicks_;
    ++totals_.silentFramesInserted;
    ++silentSinceCut_;
}

void AudioClock::countDrop() {
    ++totals_.audioFramesDropped;
    ++droppedSinceCut_;
}

// A cut is reported once the audio has caught up with it, with what the audio
// cost since the cut before.
void AudioClock::reportCutsUpTo(double at) {
    while (!cuts_.empty() && cuts_.front().output <= at) {
        console_.verbose(
            "Clean cut: %d pictures dropped up to the next GOP, %d audio frames dropped, %d "
            "silent frames inserted.\n",
            cuts_.front().dropped, droppedSinceCut_, silentSinceCut_);
        cuts_.pop_front();
        droppedSinceCut_ = 0;
        silentSinceCut_ = 0;
    }
}

}  // namespace kestrel
