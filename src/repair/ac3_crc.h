// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// The CRC of AC-3 frames over `data`: generator x^16 + x^15 + x^2 + 1, register
/// starting at 0, bits most significant first. A stretch that ends in its own
/// CRC (crc2 at the frame's end) gives 0.
std::uint16_t ac3Crc(Bytes data);

/// The 16-bit word that, put in front of `data`, makes ac3Crc over both 0:
/// crc1, which stands at the start of the stretch it protects.
std::uint16_t ac3LeadingCrc(Bytes data);

}  // namespace kestrel
