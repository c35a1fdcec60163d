// SPDX-License-Identifier: MIT
#include "repair/cut_tracker.h"

#include "repair/video_syntax.h"

namespace kestrel {

Decision CutTracker::decide(const PictureFacts& picture) {
    if (phase_ == Phase::leadingPictures) {
        const bool leading = !picture.startsGop && picture.codingType == kBidirectionalPicture &&
                             picture.temporalReference < referenceOffset_;
        if (leading) return drop(false);
        completeCut();
    }
    if (picture.startsGop) referenceOffset_ = 0;
    if (phase_ == Phase::awaitingGop) return resume(picture);
    // A picture shown before the I picture a cut resumed with would refer to
    // one from before the cut, wherever it turns up.
    if (!picture.whole || picture.temporalReference < referenceOffset_)
        return drop(picture.codingType != kBidirectionalPicture);
    return {.write = true, .referenceOffset = referenceOffset_};
}

Decision CutTracker::resume(const PictureFacts& picture) {
    // The first picture written needs a sequence header in front of it.
    const bool resumes = picture.whole && picture.startsGop &&
                         picture.codingType == kIntraPicture &&
                         (written_ || picture.sequenceHeader);
    if (!resumes) return drop(false);
    // In an open GOP the I picture's temporal_reference counts the B
    // pictures shown before it, all of which go.
    referenceOffset_ = picture.gopClosed ? 0 : picture.temporalReference;
    phase_ = Phase::leadingPictures;
    written_ = true;
    return {.write = true, .closeGop = true, .referenceOffset = referenceOffset_};
}

Decision CutTracker::drop(bool lostReference) {
    ++dropped_;
    if (lostReference) phase_ = Phase::awaitingGop;
    if (phase_ != Phase::running) ++cutDropped_;
    return {};
}

void CutTracker::join(bool droppedPicture) {
    if (phase_ == Phase::leadingPictures) completeCut();
    phase_ = Phase::awaitingGop;
    if (droppedPicture) drop(false);
}

void CutTracker::finish() {
    if (phase_ == Phase::leadingPictures) completeCut();
}

void CutTracker::completeCut() {
    listener_.cutCompleted(cutDropped_);
    cutDropped_ = 0;
    phase_ = Phase::running;
}

}  // namespace kestrel
