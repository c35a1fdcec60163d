// SPDX-License-Identifier: MIT
#include "repair/video_repair.h"

#include <algorithm>
#include <array>
#include <span>

#include "headers/byte_patterns.h"

namespace kestrel {
namespace {

constexpr std::size_t kStartCodeSize = 4;
constexpr std::size_t kPrefixSize = 3;  // 00 00 01
constexpr std::array<std::uint8_t, kStartCodeSize> kSequenceEnd = {0x00, 0x00, 0x01,
                                                                   kSequenceEndCode};

}  // namespace

VideoRepair::VideoRepair(ByteOutput& out, PictureListener& listener, std::size_t maxPictureBytes)
    : out_(out), listener_(listener), maxPictureBytes_(maxPictureBytes), cuts_(listener) {}

void VideoRepair::pts(PtsTicks stamp) {
    ptsFrom_ = heldOffset_ + held_.size();
    pendingPts_ = stamp;
}

void VideoRepair::bytes(Bytes data) {
    while (!data.empty()) {
        const auto end = startCodeEnd(data);
        if (!end) {
            append(data);
            return;
        }
        append(data.first(*end));
        data = data.subspan(*end);
        startCodeAt(held_.size() - kStartCodeSize);
    }
}

void VideoRepair::join() {
    cuts_.join(unit_.hasPicture());
    ptsFrom_.reset();
    restart();
}

void VideoRepair::finish() {
    closeSegment(held_.size());
    // The end of the input ends the last picture: it is whole when its
    // slices reached its last row.
    if (unit_.hasPicture()) finishUnit(held_.size());
    cuts_.finish();
    restart();
    if (endCodeLast_) return;
    out_.write(kSequenceEnd);
    endCodeLast_ = true;
}

std::optional<std::size_t> VideoRepair::startCodeEnd(Bytes data) const {
    // A start code may have begun in the last bytes held: look at them and
    // the first bytes of `data` together. Right after a start code (most
    // calls: a piece holds many) there are none to look at.
    const std::size_t tail = std::min(kPrefixSize, held_.size() - scanFrom_);
    if (tail > 0) {
        const auto split = splitStartCodeEnd(data, tail);
        if (split) return split;
    }
    const std::size_t at = findStartCodePrefix(data, 0);
    if (at + kStartCodeSize <= data.size()) return at + kStartCodeSize;
    return std::nullopt;
}

std::optional<std::size_t> VideoRepair::splitStartCodeEnd(Bytes data, std::size_t tail) const {
    const std::size_t head = std::min(kPrefixSize, data.size());
    std::array<std::uint8_t, 2 * kPrefixSize> joined{};
    std::copy(held_.end() - static_cast<std::ptrdiff_t>(tail), held_.end(), joined.begin());
    std::copy_n(data.begin(), head, joined.begin() + static_cast<std::ptrdiff_t>(tail));
    const Bytes window = Bytes(joined).first(tail + head);
    const std::size_t split = findStartCodePrefixBytewise(window, 0);
    if (split < tail && split + kStartCodeSize <= window.size())
        return split + kStartCodeSize - tail;
    return std::nullopt;
}

void VideoRepair::append(Bytes data) {
    held_.insert(held_.end(), data.begin(), data.end());
    // The held bytes end with at most a start code that is not the unit's:
    // counting it in lets every piece size drop the same units.
    if (held_.size() <= maxPictureBytes_ + kStartCodeSize) return;
    // Too large to be a picture: it is dropped whatever follows, so keep only
    // the bytes a start code that ends here or in the next piece needs.
    unit_.overflow();
    segmentAt_.reset();
    forgetHeld(held_.size() - kStartCodeSize);
}

void VideoRepair::startCodeAt(std::size_t at) {
    const std::uint8_t id = held_[at + kPrefixSize];
    scanFrom_ = at + kStartCodeSize;
    if (!synced_) {
        // After a join the bytes before the first start code are the rest of
        // something cut off: nothing to read in them.
        forgetHeld(at);
        unit_ = PictureUnit{};
        synced_ = true;
        at = 0;
    }
    closeSegment(at);
    if (unit_.strayStart() && (id == kSequenceHeaderCode || id == kGopCode)) {
        // Headers whose own header was cut off: they would mislead a decoder.
        forgetHeld(at);
        unit_ = PictureUnit{};
        at = 0;
    }
    if (unit_.endsBefore(id)) {
        finishUnit(at);
        at = 0;
    }
    segmentAt_ = at;
    if (id == kPictureCode) takePts(at);
}

void VideoRepair::closeSegment(std::size_t end) {
    if (!segmentAt_) return;
    const std::size_t at = *segmentAt_;
    unit_.segmentDone(Bytes(held_).subspan(at, end - at), at, sequence_);
    segmentAt_.reset();
}

void VideoRepair::takePts(std::size_t at) {
    if (!ptsFrom_ || heldOffset_ + at < *ptsFrom_) return;
    // A stamp that reaches a second field is used up there: the pair is shown
    // from its first field's time.
    if (unit_.pictureHeaders() == 0) unitPts_ = pendingPts_;
    ptsFrom_.reset();
}

void VideoRepair::finishUnit(std::size_t end) {
    const Decision decision = cuts_.decide(facts());
    if (decision.write) writeUnit(end, decision);
    forgetHeld(end);
    unit_ = PictureUnit{};
    unitPts_.reset();
}

PictureFacts VideoRepair::facts() const {
    return {.whole = unit_.whole(sequence_),
            .startsGop = unit_.gopAt().has_value(),
            .gopClosed = unit_.gopClosed(),
            .sequenceHeader = unit_.hasSequenceHeader(),
            .codingType = unit_.codingType(),
            .temporalReference = unit_.picture().temporalReference};
}

void VideoRepair::writeUnit(std::size_t end, const Decision& decision) {
    const std::span<std::uint8_t> unit = std::span(held_).first(end);
    if (decision.closeGop && unit_.gopAt()) closeGop(unit.subspan(*unit_.gopAt()));
    const auto reference =
        static_cast<std::uint16_t>(unit_.picture().temporalReference - decision.referenceOffset);
    for (std::size_t i = 0; i < unit_.pictureHeaders(); ++i)
        setTemporalReference(unit.subspan(unit_.pictureAt(i)), reference);
    out_.write(unit);
    endCodeLast_ = false;
    listener_.pictureWritten({.codingType = unit_.picture().codingType,
                              .temporalReference = reference,
                              .startsGop = unit_.gopAt().has_value(),
                              .hasPts = unitPts_.has_value(),
                              .pts = unitPts_.value_or(0),
                              .fields = fieldPeriods(sequence_, unit_.picture()),
                              .rate = frameRate(sequence_)});
}

void VideoRepair::forgetHeld(std::size_t count) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    heldOffset_ += count;
    scanFrom_ = scanFrom_ > count ? scanFrom_ - count : 0;
}

void VideoRepair::restart() {
    forgetHeld(held_.size());
    unit_ = PictureUnit{};
    unitPts_.reset();
    segmentAt_.reset();
    synced_ = false;
}

}  // namespace kestrel
