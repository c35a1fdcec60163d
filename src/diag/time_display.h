// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "diag/console.h"

namespace kestrel {

/// Converts 90 kHz ticks to milliseconds the way every display does: the
/// ticks as an unsigned 32-bit number times the double nearest to 1/90. That
/// constant lies slightly above 1/90, so the whole milliseconds shown always
/// equal ticks / 90 in integer division.
inline double ticksToMs(std::uint32_t ticks) {
    return static_cast<double>(ticks) * 0.011111111111111112;
}

/// Prints milliseconds as hours:minutes:seconds.millis, no line end.
void showTime(Console& console, double ms);
/// showTime, then a line end.
void showTimeLine(Console& console, double ms);
/// Prints the label and the low 24 bits of both counters as three bytes each.
void showByteCountRange(Console& console, const char* label, std::int32_t start, std::int32_t end);

}  // namespace kestrel
