// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// A frame rate as the sequence header gives it (frame_rate_code, with the
/// sequence extension's n/d applied): frames per second = num / den.
struct FrameRate {
    std::uint32_t num = 0;
    std::uint32_t den = 1;
};

/// One picture as written to the output, in coding order.
struct WrittenPicture {
    std::uint8_t codingType = 0;          // 1 I, 2 P, 3 B
    std::uint16_t temporalReference = 0;  // as written (after renumbering)
    bool startsGop = false;               // a GOP header came right before it
    bool hasPts = false;                  // a time stamp was given for it
    PtsTicks pts = 0;                     // that stamp (90 kHz, display time)
    std::uint32_t fields = 2;             // how long it is shown, in field periods:
                                          // 2, or 3 with repeat_first_field; a
                                          // progressive sequence: 2, 4 or 6
    FrameRate rate;                       // of the sequence it belongs to
};

/// Told about every picture written and every cut completed.
class PictureListener {
  public:
    virtual ~PictureListener() = default;
    /// `picture` has just been written.
    virtual void pictureWritten(const WrittenPicture& picture) = 0;
    /// The video resumed at a GOP start after a join; `dropped` pictures were
    /// dropped because of that join (whole or partial, counted once each).
    virtual void cutCompleted(std::int32_t dropped) = 0;
};

}  // namespace kestrel
