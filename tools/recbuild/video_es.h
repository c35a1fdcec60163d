// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace recbuild {

/// A picture rate as a fraction; picture n is shown n * 90000 * den / num ticks
/// after picture 0.
struct FrameRate {
    std::uint32_t num = 30000;
    std::uint32_t den = 1001;

    /// 90 kHz ticks from picture 0 to picture `index`, rounded down.
    std::uint64_t ticksFor(std::uint64_t index) const { return index * 90000 * den / num; }
};

/// One coded picture of an MPEG-2 video elementary stream, together with the
/// sequence header and GOP header that precede it, if any. The three parts lie
/// back to back from `offset`.
struct CodedPicture {
    std::size_t offset = 0;
    std::size_t sequenceHeaderLength = 0;  // sequence header with its extensions; 0 if none
    std::size_t gopHeaderLength = 0;       // GOP header (and user data after it); 0 if none
    std::size_t pictureLength = 0;         // picture header to the next header or the end
    /// Position in display order within the stream: the pictures of all earlier
    /// GOPs plus the temporal reference.
    std::uint32_t displayIndex = 0;

    std::size_t pictureOffset() const { return offset + sequenceHeaderLength + gopHeaderLength; }
    std::size_t end() const { return pictureOffset() + pictureLength; }
};

/// A video elementary stream cut into coded pictures in coding order.
struct VideoStream {
    std::vector<std::uint8_t> bytes;
    std::vector<CodedPicture> pictures;
    FrameRate rate;
};

/// Cuts an MPEG-2 video elementary stream into pictures. The stream must start
/// with a sequence header; bytes after the last picture (a sequence end code)
/// belong to the last picture. Throws std::runtime_error on malformed input.
VideoStream parseVideoStream(std::vector<std::uint8_t> bytes);

}  // namespace recbuild
