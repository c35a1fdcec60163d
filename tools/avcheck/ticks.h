// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "chunk/chunk_layout.h"

namespace avcheck {

/// A time or a duration in 90 kHz ticks. Fractional: a field of 29.97 Hz video
/// lasts 1501.5 ticks, a Layer II frame at 44.1 kHz 2351.02.
using Ticks = double;

/// A recording's 32-bit time stamp as ticks after `origin`. The recorders'
/// clocks wrap, so the difference is taken modulo 2^32 and read as signed:
/// right for stamps within 6.6 hours of the origin either way.
inline Ticks ticksAfter(kestrel::PtsTicks pts, kestrel::PtsTicks origin) {
    return static_cast<std::int32_t>(pts - origin);
}

/// Ticks as milliseconds.
inline double toMs(Ticks ticks) {
    return ticks / 90.0;
}

}  // namespace avcheck
