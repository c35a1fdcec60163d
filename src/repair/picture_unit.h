// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "chunk/chunk_layout.h"
#include "repair/video_syntax.h"

namespace kestrel {

/// Where the slices of one picture (or field) have got to. A decoder needs
/// every macroblock row exactly once and in order: slices may share a row,
/// but a slice that goes back (a splice) or jumps ahead (a lost part) breaks it.
class RowCoverage {
  public:
    /// A slice starts on `row` of a picture `rows` rows tall.
    void slice(std::uint32_t row, std::uint32_t rows) {
        if (row == next_)
            ++next_;
        else if (next_ == 0 || row != next_ - 1)
            broken_ = true;
        if (row >= rows) broken_ = true;
    }
    /// Every one of `rows` rows has a slice, in order.
    bool complete(std::uint32_t rows) const { return !broken_ && next_ == rows; }

  private:
    std::uint32_t next_ = 0;  // rows begun so far
    bool broken_ = false;
};

/// What the repairer has read of the unit it holds: the headers in front of
/// a picture (sequence header, GOP header, with their extensions and user
/// data), the picture or pair of fields, and its slices. Offsets count from
/// the unit's first start code.
class PictureUnit {
  public:
    /// The part from one start code to the next, `segment`, lies at `at`:
    /// reads the headers it holds and where its slices start. A sequence
    /// header or extension updates `sequence`, which the rows depend on.
    void segmentDone(Bytes segment, std::size_t at, SequenceInfo& sequence) {
        const std::uint8_t id = segment[3];
        if (!begun_) strayStart_ = id == kExtensionCode || id == kUserDataCode;
        begun_ = true;
        // Nearly every part is a slice: inline, one costs a few instructions.
        if (id >= kFirstSliceCode && id <= kLastSliceCode)
            sliceDone(segment, sequence);
        else
            headerDone(segment, at, sequence);
    }
    /// Whether a start code with `id` begins the next unit: a picture's end
    /// is the next picture (other than its second field), sequence header,
    /// GOP header or sequence end.
    bool endsBefore(std::uint8_t id) const;
    /// Whether the unit began with a part that belongs after a header it
    /// lacks (an extension or user data): the rest of one cut off by a join.
    bool strayStart() const { return strayStart_; }
    /// The unit grew too large to hold: it is damaged and ends at the next
    /// header, whatever its parts were.
    void overflow() { overflowed_ = damaged_ = true; }

    /// Whether the picture can be decoded whole: its slices cover its rows
    /// (both fields' of a pair) and nothing in it was broken.
    bool whole(const SequenceInfo& sequence) const;
    /// Whether some part of a picture (a header or a slice) is in the unit.
    bool hasPicture() const { return pictures_ > 0 || orphanSlices_ || overflowed_; }
    /// The picture's header and coding extension (its first field's).
    const PictureInfo& picture() const { return first_; }
    /// Its picture_coding_type; a B field followed by something else is
    /// taken for what follows, so that a lost reference is never taken for a B.
    std::uint8_t codingType() const;
    /// Where its picture headers are (one, or two for a pair of fields).
    std::size_t pictureHeaders() const { return pictures_; }
    std::size_t pictureAt(std::size_t index) const { return pictureAt_.at(index); }
    /// Where its GOP header is, if it has one.
    std::optional<std::size_t> gopAt() const { return gopAt_; }
    bool gopClosed() const { return gopClosed_; }
    bool hasSequenceHeader() const { return sequenceHeader_; }

  private:
    void pictureHeaderDone(Bytes header, std::size_t at, const SequenceInfo& sequence);
    void extensionDone(Bytes extension, SequenceInfo& sequence);
    /// A part other than a slice.
    void headerDone(Bytes segment, std::size_t at, SequenceInfo& sequence);
    void sliceDone(Bytes slice, const SequenceInfo& sequence) {
        if (pictures_ == 0) {
            // The rest of a picture whose header is gone (the unit after a join).
            orphanSlices_ = damaged_ = true;
            return;
        }
        const auto row = sliceRow(slice, sequence);
        if (row)
            rows_.slice(*row, macroblockRows(sequence, current().structure));
        else
            damaged_ = true;
    }
    /// The picture whose slices come now: the second field once it began.
    const PictureInfo& current() const { return pictures_ == 2 ? second_ : first_; }

    PictureInfo first_;
    PictureInfo second_;
    std::array<std::size_t, 2> pictureAt_{};
    std::size_t pictures_ = 0;
    std::optional<std::size_t> gopAt_;
    bool gopClosed_ = false;
    bool sequenceHeader_ = false;
    RowCoverage rows_;
    bool orphanSlices_ = false;  // slices without a picture header in front
    bool begun_ = false;         // a part has been read
    bool strayStart_ = false;
    bool overflowed_ = false;
    bool damaged_ = false;
};

}  // namespace kestrel
