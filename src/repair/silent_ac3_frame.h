// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// An AC-3 frame of digital silence shaped like `model`: the same sync
/// information and bit stream information, bit for bit, then six audio blocks
/// that carry no mantissa bits, and both CRCs. Empty when `model` does not
/// start with a whole AC-3 frame (bsid 0 to 8) that passes its CRC check.
std::vector<std::uint8_t> makeSilentAc3Frame(Bytes model);

}  // namespace kestrel
