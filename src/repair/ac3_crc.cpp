// SPDX-License-Identifier: MIT
#include "repair/ac3_crc.h"

namespace kestrel {

namespace {

// The generator without its x^16 term.
constexpr std::uint32_t kGenerator = 0x8005;

// One bit into the register.
std::uint32_t shiftIn(std::uint32_t reg, std::uint32_t bit) {
    const std::uint32_t feedback = ((reg >> 15) ^ bit) & 1U;
    return ((reg << 1) & 0xFFFFU) ^ (feedback != 0 ? kGenerator : 0);
}

// The register before shiftIn(reg, bit). The generator's x^0 term makes the
// lowest bit of the result equal the feedback, so the step can be undone.
std::uint32_t shiftOut(std::uint32_t reg, std::uint32_t bit) {
    const std::uint32_t feedback = reg & 1U;
    return ((reg ^ (feedback != 0 ? kGenerator : 0)) >> 1) | ((feedback ^ bit) << 15);
}

}  // namespace

std::uint16_t ac3Crc(Bytes data) {
    std::uint32_t reg = 0;
    for (const std::uint8_t byte : data)
        for (std::int32_t i = 7; i >= 0; --i)
            reg = shiftIn(reg, (byte >> i) & 1U);
    return static_cast<std::uint16_t>(reg);
}

std::uint16_t ac3LeadingCrc(Bytes data) {
    // Run the register backwards from 0 at the end of `data` to the value it
    // must hold after the leading word.
    std::uint32_t reg = 0;
    for (std::size_t at = data.size(); at > 0; --at)
        for (std::int32_t i = 0; i < 8; ++i)
            reg = shiftOut(reg, (data[at - 1] >> i) & 1U);
    // From 0, any 16 bits w leave w x^16 mod G in the register, and so do 16
    // zero bits from the register value w: undoing 16 zero bits gives w.
    for (std::int32_t i = 0; i < 16; ++i)
        reg = shiftOut(reg, 0);
    return static_cast<std::uint16_t>(reg);
}

}  // namespace kestrel
