// SPDX-License-Identifier: MIT
#include "driver/decimal_value.h"

namespace kestrel {

namespace {

constexpr std::uint64_t kLongMax = 0x7FFFFFFFFFFFFFFF;
constexpr std::uint64_t kLongMinMagnitude = 0x8000000000000000;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int32_t decimalValue(const char* text) {
    while (isBlank(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;

    // The magnitude saturates one above the largest positive 64-bit value,
    // which is exactly the magnitude of the smallest negative one.
    std::uint64_t magnitude = 0;
    for (; isDigit(*text); ++text) {
        const auto digit = static_cast<std::uint64_t>(*text - '0');
        magnitude = magnitude > (kLongMinMagnitude - digit) / 10 ? kLongMinMagnitude
                                                                 : magnitude * 10 + digit;
    }
    if (!negative && magnitude > kLongMax) magnitude = kLongMax;

    // Two's complement of the clamped 64-bit value, cut to its low 32 bits.
    const std::uint64_t value = negative ? 0 - magnitude : magnitude;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace kestrel
