// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

#include "avcheck/ticks.h"

namespace avcheck {

/// An output picture matched to its source picture: when the source shows it
/// (from `source` to `sourceEnd`) and when the output starts showing it.
struct PicturePair {
    Ticks source = 0;
    Ticks sourceEnd = 0;
    Ticks output = 0;
};

/// The matched pictures, searchable by source time.
class PictureTimeline {
  public:
    explicit PictureTimeline(std::vector<PicturePair> pairs);

    /// The pair whose source interval holds `sourceTime`, else the one whose
    /// interval lies nearest to it; nothing without pairs.
    std::optional<PicturePair> atSource(Ticks sourceTime) const;

  private:
    std::vector<PicturePair> bySource_;
};

/// How far audio at `audioOutput` (from source time `audioSource`) has moved
/// against the video since the source, measured at `picture`: positive when
/// the audio now comes later than it should.
inline Ticks avError(const PicturePair& picture, Ticks audioSource, Ticks audioOutput) {
    return (audioOutput - picture.output) - (audioSource - picture.source);
}

}  // namespace avcheck
