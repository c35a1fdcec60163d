#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrel::test {

/// Bytes written as hexadecimal text, blanks ignored: hex("00 00 01 B3").
inline std::vector<std::uint8_t> hex(std::string_view text) {
    const auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ') continue;
        bytes.push_back(static_cast<std::uint8_t>(nibble(text[i]) << 4 | nibble(text[i + 1])));
        ++i;
    }
    return bytes;
}

}  // namespace kestrel::test
