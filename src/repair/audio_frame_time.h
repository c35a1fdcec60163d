// SPDX-License-Identifier: MIT
#pragma once

#include "chunk/chunk_layout.h"

namespace kestrel {

/// How long a Layer II or AC-3 frame plays, in 90 kHz ticks, from its header
/// (samples per frame over the sample rate); 0 for anything else.
double audioFrameTicks(Bytes frame);

}  // namespace kestrel
