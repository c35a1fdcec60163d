// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "repair/picture_listener.h"

namespace kestrel {

/// What the repairer knows of a finished picture when it decides on it.
struct PictureFacts {
    bool whole = false;           // its slices cover its rows; nothing broken
    bool startsGop = false;       // a GOP header is in front of it
    bool gopClosed = false;       // that GOP header's closed_gop
    bool sequenceHeader = false;  // a sequence header is in front of it
    std::uint8_t codingType = 0;  // 1 I, 2 P, 3 B; anything else: unknown
    std::uint16_t temporalReference = 0;
};

/// Whether to write a picture, and how to edit it first.
struct Decision {
    bool write = false;
    bool closeGop = false;              // mark its GOP header closed, no broken link
    std::uint16_t referenceOffset = 0;  // subtract from its temporal_reference
};

/// Keeps the output decodable across cuts. A cut begins at the start, at
/// every join and when a reference picture is lost: from there nothing is
/// written until a GOP header with a whole I picture. When that GOP is open,
/// the B pictures shown before its I picture refer to a picture from before
/// the cut and are dropped; the GOP is closed and the pictures left in it
/// are numbered from 0 again. The cut completes when the next picture
/// after the I picture is not one of those B pictures.
class CutTracker {
  public:
    explicit CutTracker(PictureListener& listener) : listener_(listener) {}

    /// Decides on a finished picture. Reports a cut that this picture
    /// completes before returning.
    Decision decide(const PictureFacts& picture);
    /// What comes next does not follow what came before; `droppedPicture`:
    /// a picture (or part of one) that the join cut off was dropped.
    void join(bool droppedPicture);
    /// End of input: completes a cut whose video resumed.
    void finish();
    /// Pictures dropped over the whole run.
    std::int32_t dropped() const { return dropped_; }

  private:
    enum class Phase { awaitingGop, leadingPictures, running };

    Decision resume(const PictureFacts& picture);
    Decision drop(bool lostReference);
    void completeCut();

    PictureListener& listener_;
    Phase phase_ = Phase::awaitingGop;
    std::int32_t cutDropped_ = 0;  // dropped in the cut in progress
    std::int32_t dropped_ = 0;
    std::uint16_t referenceOffset_ = 0;  // of the GOP a cut resumed in
    bool written_ = false;
};

}  // namespace kestrel
