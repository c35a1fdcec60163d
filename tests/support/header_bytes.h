#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_state.h"
#include "headers/decoder.h"
#include "support/captured_console.h"

namespace kestrel::test {

/// Bytes written as hexadecimal text, blanks ignored: hex("00 00 01 B3").
inline std::vector<std::uint8_t> hex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += text[i] == ' ' ? 1 : 2)
        if (text[i] != ' ') bytes.push_back(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return bytes;
}

/// Packet-header bytes `before`, the 5-byte time-stamp field of `pts` (prefix
/// 0010, then bits 32..30, 29..15 and 14..0, each followed by a marker bit),
/// then `after`; both written as for hex().
inline std::vector<std::uint8_t> stamped(std::string_view before, std::uint32_t pts,
                                         std::string_view after) {
    char field[11];
    std::snprintf(field, sizeof field, "%02X%02X%02X%02X%02X", 0x21 | (pts >> 29 & 0x0E),
                  pts >> 22 & 0xFF, (pts >> 14 & 0xFF) | 1, pts >> 7 & 0xFF, (pts << 1 & 0xFF) | 1);
    return hex(std::string(before) + field + std::string(after));
}

/// The 16-byte payload of a video packet-header record: a time stamp and two
/// stuffing bytes.
inline std::vector<std::uint8_t> videoPesHeader(std::uint32_t pts) {
    return stamped("000001E0 0000 80 80 07", pts, "FFFF");
}

/// A decoder over a captured console and settings the test may change.
struct TestDecoder {
    CapturedConsole out;
    RunState run;
    Decoder decoder{out.console(), run};
};

}  // namespace kestrel::test
