// SPDX-License-Identifier: MIT
#include "repair/video_repair.h"

#include <algorithm>
#include <array>
#include <span>

#include "headers/byte_patterns.h"

namespace kestrel {
namespace {

constexpr std::size_t kPrefixSize = 3;  // 00 00 01
// Room for the pictures of a few large writes and the unit after them.
constexpr std::size_t kHeldBytes = std::size_t{512} << 10;
constexpr std::size_t kWriteBatchBytes = std::size_t{256} << 10;
constexpr std::array<std::uint8_t, kStartCodeSize> kSequenceEnd = {0x00, 0x00, 0x01,
                                                                   kSequenceEndCode};

}  // namespace

VideoRepair::VideoRepair(ByteOutput& out, PictureListener& listener, std::size_t maxPictureBytes)
    : out_(out), listener_(listener), maxPictureBytes_(maxPictureBytes), cuts_(listener) {
    held_.reserve(kHeldBytes);
}

void VideoRepair::pts(PtsTicks stamp) {
    ptsFrom_ = heldOffset_ + held_.size();
    pendingPts_ = stamp;
}

void VideoRepair::bytes(Bytes data) {
    makeRoom(data.size());
    const std::size_t from = held_.size();
    held_.insert(held_.end(), data.begin(), data.end());
    // A start code may have begun in the last bytes held before.
    const std::size_t rescan = from > kPrefixSize ? from - kPrefixSize : 0;
    forEachStartCodePrefix(held_, std::max({scanFrom_, begin_, rescan}),
                           [this](std::size_t at) { visit(at); });
    if (held_.size() - begin_ > maxPictureBytes_ + kStartCodeSize) overflow(held_.size());
}

void VideoRepair::join() {
    cuts_.join(unit_.hasPicture());
    ptsFrom_.reset();
    restart();
}

void VideoRepair::finish() {
    closeSegment(held_.size() - begin_);
    // The end of the input ends the last picture: it is whole when its
    // slices reached its last row.
    if (unit_.hasPicture()) finishUnit(held_.size() - begin_);
    cuts_.finish();
    restart();
    flushWrites();
    if (endCodeLast_) return;
    out_.write(kSequenceEnd);
    endCodeLast_ = true;
}

void VideoRepair::makeRoom(std::size_t incoming) {
    if (held_.size() + incoming <= held_.capacity() || begin_ == 0) return;
    // Full: what was written goes out, and the unit moves to the front.
    flushWrites();
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(begin_));
    heldOffset_ += begin_;
    scanFrom_ = scanFrom_ > begin_ ? scanFrom_ - begin_ : 0;
    writeFrom_ = writeTo_ = 0;
    begin_ = 0;
}

void VideoRepair::visit(std::size_t at) {
    // A start code's last byte may still be to come; one that overlaps the
    // one before is part of it.
    if (at < scanFrom_ || at + kStartCodeSize > held_.size()) return;
    // The held bytes end with at most a start code that is not the unit's:
    // counting it in lets every piece size drop the same units.
    if (at - begin_ > maxPictureBytes_) overflow(at + kStartCodeSize);
    startCodeAt(at - begin_);
}

void VideoRepair::overflow(std::size_t end) {
    // Too large to be a picture: it is dropped whatever follows, so keep only
    // the bytes a start code that ends here or in the next piece needs.
    unit_.overflow();
    segmentAt_.reset();
    begin_ = end - kStartCodeSize;
}

void VideoRepair::startCodeAt(std::size_t at) {
    const std::uint8_t id = unitBytes()[at + kPrefixSize];
    scanFrom_ = begin_ + at + kStartCodeSize;
    if (synced_ && id >= kFirstSliceCode && id <= kLastSliceCode) {
        // Most start codes: a slice only ends the part before it.
        closeSegment(at);
        segmentAt_ = at;
        return;
    }
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
    unit_.segmentDone(unitBytes().subspan(at, end - at), at, sequence_);
    segmentAt_.reset();
}

void VideoRepair::takePts(std::size_t at) {
    if (!ptsFrom_ || heldOffset_ + begin_ + at < *ptsFrom_) return;
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
    const std::span<std::uint8_t> unit = unitBytes().first(end);
    if (decision.closeGop && unit_.gopAt()) closeGop(unit.subspan(*unit_.gopAt()));
    const auto reference =
        static_cast<std::uint16_t>(unit_.picture().temporalReference - decision.referenceOffset);
    for (std::size_t i = 0; i < unit_.pictureHeaders(); ++i)
        setTemporalReference(unit.subspan(unit_.pictureAt(i)), reference);
    queueWrite(end);
    endCodeLast_ = false;
    listener_.pictureWritten({.codingType = unit_.picture().codingType,
                              .temporalReference = reference,
                              .startsGop = unit_.gopAt().has_value(),
                              .hasPts = unitPts_.has_value(),
                              .pts = unitPts_.value_or(0),
                              .fields = fieldPeriods(sequence_, unit_.picture()),
                              .rate = frameRate(sequence_)});
}

void VideoRepair::queueWrite(std::size_t end) {
    // Pictures written one after another lie one after another in held_:
    // they go out together, in writes large enough to bypass any buffer.
    if (writeTo_ != begin_) {
        flushWrites();
        writeFrom_ = begin_;
    }
    writeTo_ = begin_ + end;
    if (writeTo_ - writeFrom_ >= kWriteBatchBytes) flushWrites();
}

void VideoRepair::flushWrites() {
    if (writeTo_ > writeFrom_) out_.write(Bytes(held_).subspan(writeFrom_, writeTo_ - writeFrom_));
    writeFrom_ = writeTo_;
}

void VideoRepair::restart() {
    begin_ = held_.size();
    unit_ = PictureUnit{};
    unitPts_.reset();
    segmentAt_.reset();
    synced_ = false;
}

}  // namespace kestrel
