// SPDX-License-Identifier: MIT
#include "avcheck/picture_timeline.h"

#include <algorithm>
#include <iterator>

namespace avcheck {

PictureTimeline::PictureTimeline(std::vector<PicturePair> pairs) : bySource_(std::move(pairs)) {
    std::ranges::sort(bySource_, {}, &PicturePair::source);
}

std::optional<PicturePair> PictureTimeline::atSource(Ticks sourceTime) const {
    if (bySource_.empty()) return std::nullopt;
    const auto after = std::ranges::upper_bound(bySource_, sourceTime, {}, &PicturePair::source);
    if (after == bySource_.begin()) return *after;
    const PicturePair& before = *std::prev(after);
    if (after == bySource_.end() || sourceTime < before.sourceEnd) return before;
    return sourceTime - before.sourceEnd <= after->source - sourceTime ? before : *after;
}

}  // namespace avcheck
