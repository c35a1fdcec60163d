// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// A Layer II frame of digital silence shaped like `model` (an MPEG-1 frame,
/// or an MPEG-2 one at half the sample rates); empty when `model` does not
/// start with a whole Layer II frame of a fixed bit rate.
std::vector<std::uint8_t> makeSilentLayer2Frame(Bytes model);

}  // namespace kestrel
