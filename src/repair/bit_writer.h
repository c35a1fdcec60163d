// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "chunk/chunk_layout.h"
#include "headers/bit_reader.h"

namespace kestrel {

/// Writes bit fields, most significant bit first, into a fixed buffer of
/// zeros: the frame makers build headers and audio blocks with it. Bits that
/// would fall past the buffer's end are dropped and remembered, so a frame
/// that does not fit is detected instead of written outside the buffer.
class BitWriter {
  public:
    /// Writes into `out`, from its first bit on. `out` must hold zeros.
    explicit BitWriter(std::span<std::uint8_t> out) : out_(out) {}

    /// Writes the low `count` bits (0..32) of `value`.
    void put(std::uint32_t value, std::int32_t count);

    /// Copies `count` bits of `source`, starting at `from`, and moves `from`
    /// past them.
    void copy(Bytes source, BitCursor& from, std::int32_t count);

    /// Bits written so far, the dropped ones included.
    std::size_t bitsWritten() const { return position_; }

    /// Whether every bit written so far fell inside the buffer.
    bool fits() const { return position_ <= out_.size() * 8; }

  private:
    std::span<std::uint8_t> out_;
    std::size_t position_ = 0;
};

}  // namespace kestrel
