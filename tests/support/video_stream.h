// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/stream_bytes.h"

namespace kestrel::test {

/// How a synthetic picture is coded; the defaults make a whole frame picture
/// of a 64-line sequence (four macroblock rows).
struct PictureSpec {
    char type = 'I';  // I, P or B
    std::uint16_t temporalReference = 0;
    std::vector<std::uint8_t> rows = {1, 2, 3, 4};  // one slice per entry, this row
    std::uint8_t structure = 3;                     // 1 top field, 2 bottom, 3 frame
    bool topFieldFirst = false;
    bool repeatFirstField = false;
};

/// Builds small MPEG-2 video streams header by header. Slices carry filler
/// bytes: the repairer reads only their start codes.
class VideoStream {
  public:
    /// A sequence header (64 lines, frame_rate_code `rateCode`) and extension.
    VideoStream& sequence(bool progressive = false, std::uint8_t rateCode = 4,
                          std::uint8_t rateN = 0) {
        add({0x00, 0x00, 0x01, 0xB3, 0x2D, 0x00, 0x40, static_cast<std::uint8_t>(0x20 | rateCode),
             0xFF, 0xFF, 0xE0, 0x18});
        add({0x00, 0x00, 0x01, 0xB5, 0x14, static_cast<std::uint8_t>(progressive ? 0x8A : 0x82),
             0x00, 0x03, 0x00, static_cast<std::uint8_t>(rateN << 5)});
        return *this;
    }
    /// A GOP header with its closed_gop and broken_link flags.
    VideoStream& gop(bool closed, bool brokenLink = false) {
        add({0x00, 0x00, 0x01, 0xB8, 0x08, 0x04, 0x08,
             static_cast<std::uint8_t>((closed ? 0x40 : 0) | (brokenLink ? 0x20 : 0))});
        return *this;
    }
    /// A picture header, its coding extension and its slices.
    VideoStream& picture(const PictureSpec& p) {
        const auto type = static_cast<std::uint8_t>(p.type == 'I' ? 1 : p.type == 'P' ? 2 : 3);
        starts.push_back(bytes.size());
        add({0x00, 0x00, 0x01, 0x00, static_cast<std::uint8_t>(p.temporalReference >> 2),
             static_cast<std::uint8_t>((p.temporalReference & 3) << 6 | type << 3 | 7), 0xFF,
             0xF8});
        add({0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, static_cast<std::uint8_t>(0xF0 | p.structure),
             static_cast<std::uint8_t>((p.topFieldFirst ? 0x80 : 0) | (p.repeatFirstField ? 2 : 0)),
             0x80});
        for (const std::uint8_t row : p.rows) {
            add({0x00, 0x00, 0x01, row});
            add(filler(9, static_cast<std::uint8_t>(0x40 + row)));
        }
        return *this;
    }
    /// Several pictures in turn.
    VideoStream& pictures(const std::vector<PictureSpec>& list) {
        for (const PictureSpec& p : list)
            picture(p);
        return *this;
    }
    /// A sequence end code.
    VideoStream& end() {
        add({0x00, 0x00, 0x01, 0xB7});
        return *this;
    }

    ByteVector bytes;
    std::vector<std::size_t> starts;  // where each picture header begins

  private:
    void add(const ByteVector& part) { bytes.insert(bytes.end(), part.begin(), part.end()); }
};

}  // namespace kestrel::test
