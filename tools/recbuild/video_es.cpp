// SPDX-License-Identifier: MIT
#include "recbuild/video_es.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace recbuild {
namespace {

constexpr std::uint8_t kSequenceHeaderCode = 0xB3;
constexpr std::uint8_t kGopHeaderCode = 0xB8;
constexpr std::uint8_t kPictureCode = 0x00;

/// A start code that begins one of the three parts a picture is made of.
struct Boundary {
    std::size_t offset;
    std::uint8_t code;
};

std::vector<Boundary> findBoundaries(const std::vector<std::uint8_t>& b) {
    std::vector<Boundary> found;
    for (std::size_t i = 0; i + 3 < b.size(); ++i) {
        if (b[i] != 0 || b[i + 1] != 0 || b[i + 2] != 1) continue;
        const std::uint8_t code = b[i + 3];
        if (code == kSequenceHeaderCode || code == kGopHeaderCode || code == kPictureCode)
            found.push_back({i, code});
        i += 3;
    }
    return found;
}

FrameRate frameRateOf(const std::vector<std::uint8_t>& b) {
    static constexpr std::array<FrameRate, 9> kRates = {{{0, 1},
                                                         {24000, 1001},
                                                         {24, 1},
                                                         {25, 1},
                                                         {30000, 1001},
                                                         {30, 1},
                                                         {50, 1},
                                                         {60000, 1001},
                                                         {60, 1}}};
    const unsigned code = b.size() > 7 ? (b[7] & 0x0F) : 0;
    if (code == 0 || code >= kRates.size())
        throw std::runtime_error("video: unknown frame rate code in the sequence header");
    return kRates[code];
}

/// Temporal reference: the first ten bits after the picture start code.
std::uint32_t temporalReference(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 6 > b.size()) throw std::runtime_error("video: picture header cut short");
    return (std::uint32_t{b[at + 4]} << 2) | (b[at + 5] >> 6);
}

}  // namespace

VideoStream parseVideoStream(std::vector<std::uint8_t> bytes) {
    VideoStream s;
    s.bytes = std::move(bytes);
    const std::vector<Boundary> marks = findBoundaries(s.bytes);
    if (marks.empty() || marks[0].offset != 0 || marks[0].code != kSequenceHeaderCode)
        throw std::runtime_error("video: the stream does not start with a sequence header");
    s.rate = frameRateOf(s.bytes);

    CodedPicture next;  // collects the headers of the picture to come
    std::uint32_t gopBase = 0;
    std::uint32_t inGop = 0;
    for (std::size_t m = 0; m < marks.size(); ++m) {
        const std::size_t end = m + 1 < marks.size() ? marks[m + 1].offset : s.bytes.size();
        const std::size_t length = end - marks[m].offset;
        if (next.sequenceHeaderLength == 0 && next.gopHeaderLength == 0)
            next.offset = marks[m].offset;
        switch (marks[m].code) {
            case kSequenceHeaderCode:
                if (next.gopHeaderLength != 0)
                    throw std::runtime_error("video: a sequence header follows a GOP header");
                next.sequenceHeaderLength += length;
                break;
            case kGopHeaderCode:
                next.gopHeaderLength += length;
                gopBase += inGop;
                inGop = 0;
                break;
            default:
                next.pictureLength = length;
                next.displayIndex = gopBase + temporalReference(s.bytes, marks[m].offset);
                s.pictures.push_back(next);
                next = CodedPicture();
                ++inGop;
        }
    }
    if (s.pictures.empty()) throw std::runtime_error("video: no picture in the stream");
    // Headers with no picture after them stay with the last picture.
    s.pictures.back().pictureLength = s.bytes.size() - s.pictures.back().pictureOffset();
    return s;
}

}  // namespace recbuild
