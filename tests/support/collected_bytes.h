// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "repair/byte_output.h"

namespace kestrel::test {

/// An output that keeps everything written to it.
struct CollectedBytes : ByteOutput {
    std::vector<std::uint8_t> bytes;
    void write(Bytes data) override { bytes.insert(bytes.end(), data.begin(), data.end()); }
};

}  // namespace kestrel::test
