// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace kestrel {

/// Reads a number the way the C library's atoi does on this platform: leading
/// blanks, an optional sign, then decimal digits up to the first non-digit (no
/// digits gives 0). A value beyond the 64-bit range clamps to it, and the
/// result is that value modulo 2^32 as a signed 32-bit number, so
/// "4294967301" reads as 5. Never overflows.
std::int32_t decimalValue(const char* text);

}  // namespace kestrel
