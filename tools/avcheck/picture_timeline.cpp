// SPDX-License-Identifier: MIT
#include "avcheck/picture_timeline.h"

#include <algorithm>
#include <iterator>

namespace avcheck {

PictureTimeline::PictureTimeline(std::vector<PicturePair> pairs)
    : bySource_(pairs), byOutput_(std::move(pairs)) {
    std::ranges::sort(bySource_, {}, &PicturePair::source);
    std::ranges::sort(byOutput_, {}, &PicturePair::output);
}

std::optional<PicturePair> PictureTimeline::atSource(Ticks sourceTime) const {
    if (bySource_.empty()) return std::nullopt;
    const auto after = std::ranges::upper_bound(bySource_, sourceTime, {}, &PicturePair::source);
    if (after == bySource_.begin()) return *after;
    const PicturePair& before = *std::prev(after);
    if (after == bySource_.end() || sourceTime < before.sourceEnd) return before;
    return sourceTime - before.sourceEnd <= after->source - sourceTime ? before : *after;
}

std::optional<Ticks> PictureTimeline::sourceTimeAt(Ticks outputTime) const {
    if (byOutput_.empty()) return std::nullopt;
    auto shown = std::ranges::upper_bound(byOutput_, outputTime, {}, &PicturePair::output);
    if (shown != byOutput_.begin()) --shown;
    return shown->source + (outputTime - shown->output);
}

}  // namespace avcheck
