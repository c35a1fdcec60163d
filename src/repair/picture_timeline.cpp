// SPDX-License-Identifier: MIT
#include "repair/picture_timeline.h"

#include <cmath>

namespace kestrel {

namespace {

constexpr std::uint8_t kBPicture = 3;
constexpr double kTicksPerSecond = 90000;

// A field lasts half a frame period; frame rates such as 30000/1001 make
// that a fraction of a tick, which a double holds exactly.
double showingTime(const WrittenPicture& picture) {
    if (picture.rate.num == 0) return 0;
    return picture.fields * kTicksPerSecond * picture.rate.den / (2.0 * picture.rate.num);
}

}  // namespace

ShownPicture PictureTimeline::show(const Held& held) {
    const WrittenPicture& p = held.picture;
    ShownPicture shown;
    shown.duration = showingTime(p);
    // A picture without a stamp of its own follows the one shown before it.
    if (p.hasPts)
        shown.source = clock_.unwrap(p.pts);
    else if (anyShown_)
        shown.source = lastSource_ + std::lround(lastDuration_);
    shown.output = outputClock_;
    shown.startsCut = held.startsCut;
    outputClock_ += shown.duration;
    anyShown_ = true;
    lastSource_ = shown.source;
    lastDuration_ = shown.duration;
    return shown;
}

std::optional<ShownPicture> PictureTimeline::written(const WrittenPicture& picture) {
    const bool startsCut = cutNext_;
    cutNext_ = false;
    if (picture.codingType == kBPicture) return show({picture, startsCut});
    std::optional<ShownPicture> shown;
    if (reference_) shown = show(*reference_);
    reference_ = Held{picture, startsCut};
    return shown;
}

void PictureTimeline::markCut() {
    if (reference_)
        reference_->startsCut = true;
    else
        cutNext_ = true;
}

std::optional<ShownPicture> PictureTimeline::finish() {
    if (!reference_) return std::nullopt;
    const ShownPicture shown = show(*reference_);
    reference_.reset();
    return shown;
}

}  // namespace kestrel
