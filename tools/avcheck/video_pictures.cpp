// SPDX-License-Identifier: MIT
#include "avcheck/video_pictures.h"

#include <array>

#include "chunk/record_header.h"
#include "headers/byte_patterns.h"

namespace avcheck {

namespace {

constexpr std::uint8_t kPictureCode = 0x00;
constexpr std::uint8_t kLastSliceCode = 0xAF;
constexpr std::uint8_t kSequenceHeaderCode = 0xB3;
constexpr std::uint8_t kExtensionCode = 0xB5;
constexpr std::uint8_t kSequenceEndCode = 0xB7;
constexpr std::uint8_t kGopCode = 0xB8;
constexpr std::uint8_t kPictureCodingExtension = 8;
constexpr std::uint32_t kBPicture = 3;

// Ticks per field by frame_rate_code (23.976, 24, 25, 29.97, 30, 50, 59.94 and
// 60 frames per second); code 0 and codes past the table are no frame rates.
constexpr std::array<Ticks, 9> kFieldPeriods = {0,    1876.875, 1875,   1800, 1501.5,
                                                1500, 900,      750.75, 750};

// The byte `at` bytes after a start code at `code`, 0 past the stream's end.
std::uint8_t byteAfter(kestrel::Bytes stream, std::size_t code, std::size_t at) {
    const kestrel::Bytes b = kestrel::bytesAt(stream, code + at, 1);
    return b.empty() ? 0 : b[0];
}

// Ticks per field of the sequence header at `code`, 0 for an unknown rate.
Ticks fieldPeriodAt(kestrel::Bytes stream, std::size_t code) {
    const std::size_t rateCode = byteAfter(stream, code, 7) & 0x0F;
    return rateCode < kFieldPeriods.size() ? kFieldPeriods[rateCode] : 0;
}

// Follows the start codes of a stream and fills the pictures in.
class Splitter {
  public:
    explicit Splitter(kestrel::Bytes stream) : stream_(stream) {}

    VideoPictures split() {
        for (std::size_t at = kestrel::findStartCodePrefix(stream_, 0); at < stream_.size();
             at = kestrel::findStartCodePrefix(stream_, at + 3))
            startCode(at, byteAfter(stream_, at, 3));
        endPicture(stream_.size());
        return std::move(result_);
    }

  private:
    void startCode(std::size_t at, std::uint8_t code) {
        if (code == kPictureCode) {
            endPicture(at);
            startPicture(at);
        } else if (code <= kLastSliceCode) {
            if (open_ && slices_ == 0) slices_ = at;
        } else if (code == kSequenceHeaderCode || code == kGopCode || code == kSequenceEndCode) {
            if (code == kSequenceHeaderCode && result_.fieldPeriod == 0)
                result_.fieldPeriod = fieldPeriodAt(stream_, at);
            endPicture(at);
        } else if (code == kExtensionCode && open_ && slices_ == 0 &&
                   byteAfter(stream_, at, 4) >> 4 == kPictureCodingExtension) {
            // repeat_first_field, the second bit from the end of the fourth byte.
            current_.fields = (byteAfter(stream_, at, 7) & 0x02) != 0 ? 3 : 2;
        }
    }

    void startPicture(std::size_t at) {
        current_ = Picture{};
        current_.offset = at;
        current_.bidirectional = ((byteAfter(stream_, at, 5) >> 3) & 0x07) == kBPicture;
        open_ = true;
        slices_ = 0;
    }

    void endPicture(std::size_t at) {
        if (!open_) return;
        if (slices_ != 0) current_.content = stream_.subspan(slices_, at - slices_);
        result_.pictures.push_back(current_);
        open_ = false;
    }

    kestrel::Bytes stream_;
    VideoPictures result_;
    Picture current_;
    bool open_ = false;
    std::size_t slices_ = 0;  // first slice start code of the current picture; 0 for none yet
};

}  // namespace

std::optional<VideoPictures> splitVideo(kestrel::Bytes stream) {
    VideoPictures video = Splitter(stream).split();
    if (video.fieldPeriod == 0) return std::nullopt;
    return video;
}

std::vector<std::size_t> displayOrder(const std::vector<Picture>& pictures) {
    std::vector<std::size_t> order;
    order.reserve(pictures.size());
    std::optional<std::size_t> heldReference;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].bidirectional) {
            order.push_back(i);
            continue;
        }
        if (heldReference) order.push_back(*heldReference);
        heldReference = i;
    }
    if (heldReference) order.push_back(*heldReference);
    return order;
}

std::vector<Ticks> displayTimes(const VideoPictures& video,
                                const std::vector<std::optional<Ticks>>& stamps) {
    std::vector<Ticks> times(video.pictures.size(), 0);
    Ticks next = 0;
    for (const std::size_t i : displayOrder(video.pictures)) {
        times[i] = stamps[i].value_or(next);
        next = times[i] + video.pictures[i].fields * video.fieldPeriod;
    }
    return times;
}

}  // namespace avcheck
