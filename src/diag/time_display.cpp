// SPDX-License-Identifier: MIT
#include "diag/time_display.h"

namespace kestrel {

void showTime(Console& console, double ms) {
    // Time stamps are at most 2^32 ticks, so the whole milliseconds fit in 64 bits.
    const auto whole = static_cast<std::int64_t>(ms);
    const auto hours = whole / 3600000;
    const auto rest = whole - hours * 3600000;
    console.print("%2.2d:%2.2d:%2.2d.%-3.3d", static_cast<int>(hours),
                  static_cast<int>(rest / 60000), static_cast<int>((rest % 60000) / 1000),
                  static_cast<int>(rest % 1000));
}

void showTimeLine(Console& console, double ms) {
    showTime(console, ms);
    console.print("\n");
}

void showByteCountRange(Console& console, const char* label, std::int32_t start, std::int32_t end) {
    console.print("%s %2X %2X %2X to %2X %2X %2X\n", label, (start >> 16) & 0xFF,
                  (start >> 8) & 0xFF, start & 0xFF, (end >> 16) & 0xFF, (end >> 8) & 0xFF,
                  end & 0xFF);
}

}  // namespace kestrel
