#pragma once

#include <cstdint>
#include <vector>

namespace recbuild::test {

/// Writes small MPEG-2 video streams header by header: sequence headers of a
/// chosen length (padded with user data), GOP headers and pictures whose data
/// holds no start code.
class SyntheticVideo {
  public:
    /// A sequence header (29.97 fps), 12 bytes or padded with user data to
    /// `length` bytes (16 or more).
    SyntheticVideo& sequence(std::size_t length) {
        append({0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x14, 0x06, 0x1A, 0xA3, 0x80});
        if (length > 12) append({0, 0, 1, 0xB2});
        bytes_.resize(bytes_.size() + (length > 16 ? length - 16 : 0), 0x55);
        return *this;
    }
    SyntheticVideo& gop() {
        append({0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40});
        return *this;
    }
    /// A picture with temporal reference `tr` and coding type 1 (I), 2 (P) or
    /// 3 (B), `length` bytes long.
    SyntheticVideo& picture(std::uint32_t tr, std::uint8_t type, std::size_t length = 64) {
        append({0, 0, 1, 0x00, static_cast<std::uint8_t>(tr >> 2),
                static_cast<std::uint8_t>(((tr & 3) << 6) | (type << 3)), 0xFF, 0xF8});
        for (std::size_t i = 8; i < length; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(0x10 + i % 0xE0));
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    void append(std::initializer_list<std::uint8_t> b) {
        for (const std::uint8_t byte : b)
            bytes_.push_back(byte);
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace recbuild::test
