// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "headers/decoder.h"
#include "headers/run_state.h"
#include "support/captured_console.h"
#include "support/stream_bytes.h"

namespace kestrel::test {

/// Bytes written as hexadecimal text, blanks ignored: hex("00 00 01 B3").
inline std::vector<std::uint8_t> hex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += text[i] == ' ' ? 1 : 2)
        if (text[i] != ' ') bytes.push_back(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return bytes;
}

/// Packet-header bytes `before`, the time-stamp field of `pts`, then `after`;
/// both written as for hex().
inline ByteVector stamped(std::string_view before, PtsTicks pts, std::string_view after) {
    return concat({hex(before), ptsField(pts), hex(after)});
}

/// A decoder over a captured console and settings the test may change.
struct TestDecoder {
    CapturedConsole out;
    RunState run;
    Decoder decoder{out.console(), run};
};

}  // namespace kestrel::test
