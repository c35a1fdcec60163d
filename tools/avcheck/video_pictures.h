// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "avcheck/ticks.h"
#include "chunk/chunk_layout.h"

namespace avcheck {

/// One coded picture of an MPEG-2 video elementary stream.
struct Picture {
    /// Where its picture start code lies in the stream.
    std::size_t offset = 0;
    /// From the first slice start code to the next picture, GOP or sequence
    /// header or sequence end: the coded picture without its header, which
    /// tools may edit (temporal_reference renumbered, closed_gop set) without
    /// changing the picture.
    kestrel::Bytes content;
    /// A B picture: shown before the reference picture that precedes it in
    /// coding order.
    bool bidirectional = false;
    /// Fields it is shown for: 2, or 3 with repeat_first_field.
    int fields = 2;
};

/// The pictures of a video elementary stream in coding order, and its field period.
struct VideoPictures {
    std::vector<Picture> pictures;
    Ticks fieldPeriod = 0;
};

/// Cuts a video elementary stream into pictures; bytes before the first
/// picture header are left out. The field period comes from the first
/// sequence header; without one with a known frame rate there is no answer.
std::optional<VideoPictures> splitVideo(kestrel::Bytes stream);

/// The pictures' indices in display order, as a decoder shows them: a B
/// picture at once, an I or P picture when the next I or P picture arrives
/// (or at the end).
std::vector<std::size_t> displayOrder(const std::vector<Picture>& pictures);

/// Display start time of every picture, in coding order. Taken in display
/// order, a picture with a stamp in `stamps` (coding order, as long as the
/// pictures) starts then; one without starts when the picture before it ends,
/// and the first one at 0.
std::vector<Ticks> displayTimes(const VideoPictures& video,
                                const std::vector<std::optional<Ticks>>& stamps);

}  // namespace avcheck
