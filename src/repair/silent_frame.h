// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// A frame that decodes to digital silence, of the same kind, sample rate,
/// bit rate, channel configuration and byte length as `model`, a real frame
/// of the stream starting at its sync word. Empty when `model` is not a whole
/// Layer II or AC-3 frame this can copy.
std::vector<std::uint8_t> makeSilentFrame(Bytes model);

}  // namespace kestrel
