// SPDX-License-Identifier: MIT
#include "repair/picture_unit.h"

namespace kestrel {

void PictureUnit::headerDone(Bytes segment, std::size_t at, SequenceInfo& sequence) {
    const std::uint8_t id = segment[3];
    if (id == kPictureCode) {
        pictureHeaderDone(segment, at, sequence);
    } else if (id == kExtensionCode) {
        extensionDone(segment, sequence);
    } else if (id == kSequenceHeaderCode) {
        const auto read = readSequenceHeader(segment);
        if (read) sequence = *read;
        sequenceHeader_ = read.has_value();
        damaged_ |= !read;
    } else if (id == kGopCode) {
        const auto closed = gopIsClosed(segment);
        gopAt_ = at;
        gopClosed_ = closed.value_or(false);
        damaged_ |= !closed;
    } else if (id == kSequenceErrorCode) {
        damaged_ = true;  // an encoder's or recorder's mark for data it lost
    }
}

void PictureUnit::pictureHeaderDone(Bytes header, std::size_t at, const SequenceInfo& sequence) {
    const auto read = readPictureHeader(header);
    damaged_ |= !read;
    if (pictures_ == 0) {
        first_ = read.value_or(PictureInfo{});
    } else {
        // The second field of a pair: the first must be whole by now.
        damaged_ |= !rows_.complete(macroblockRows(sequence, first_.structure));
        rows_ = RowCoverage{};
        second_ = read.value_or(PictureInfo{});
    }
    pictureAt_.at(pictures_) = at;
    ++pictures_;
}

void PictureUnit::extensionDone(Bytes extension, SequenceInfo& sequence) {
    const auto id = extensionId(extension);
    if (id == kSequenceExtensionId) {
        damaged_ |= !readSequenceExtension(extension, sequence);
    } else if (id == kPictureCodingExtensionId && pictures_ == 1) {
        damaged_ |= !readPictureCodingExtension(extension, first_);
    } else if (id == kPictureCodingExtensionId && pictures_ == 2) {
        // Only the other field of the same frame completes a pair.
        damaged_ |= !readPictureCodingExtension(extension, second_) ||
                    second_.structure != kTopField + kBottomField - first_.structure;
    }
}

bool PictureUnit::endsBefore(std::uint8_t id) const {
    if (!hasPicture()) return false;
    if (id == kSequenceHeaderCode || id == kGopCode || id == kSequenceEndCode) return true;
    if (id != kPictureCode) return false;
    // A first field is followed by its second, which stays in the unit.
    return overflowed_ || pictures_ != 1 || first_.structure == kFramePicture;
}

std::uint8_t PictureUnit::codingType() const {
    if (pictures_ == 2 && first_.codingType == kBidirectionalPicture) return second_.codingType;
    return first_.codingType;
}

bool PictureUnit::whole(const SequenceInfo& sequence) const {
    const bool paired = first_.structure == kFramePicture ? pictures_ == 1 : pictures_ == 2;
    return !damaged_ && paired && sequence.verticalSize > 0 &&
           rows_.complete(macroblockRows(sequence, current().structure));
}

}  // namespace kestrel
