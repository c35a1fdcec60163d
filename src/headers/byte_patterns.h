// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "chunk/chunk_layout.h"

namespace kestrel {

/// Stream ids of the packets audio records carry.
inline constexpr std::uint8_t kMpegAudioStreamId = 0xC0;  // the first MPEG audio stream
inline constexpr std::uint8_t kPrivateStream1Id = 0xBD;   // carries Dolby Digital

// The pattern tests look only inside the view: a pattern that would run past
// its end does not match.

/// 00 00 01 `id` at `at`.
inline bool isStartCodeAt(Bytes b, std::size_t at, std::uint8_t id) {
    return at + 4 <= b.size() && b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == id;
}

/// Where the next 00 00 01 starts, at `from` or later; b.size() if nowhere.
/// The scans that look at every byte of whole payloads use it: it finds the
/// 01 with memchr instead of testing each position in turn.
inline std::size_t findStartCodePrefix(Bytes b, std::size_t from) {
    for (std::size_t at = from; at + 3 <= b.size();) {
        const auto* one =
            static_cast<const std::uint8_t*>(std::memchr(&b[at + 2], 1, b.size() - at - 2));
        if (one == nullptr) break;
        at = static_cast<std::size_t>(one - b.data()) - 2;
        if (b[at] == 0 && b[at + 1] == 0) return at;
        ++at;
    }
    return b.size();
}

/// The first two bytes of an MPEG-1 Layer II frame header: twelve sync bits,
/// version 1, layer '10', and the protection bit either set (FD, no CRC) or
/// clear (FC, a CRC follows). Other layers and versions never match.
inline bool isLayer2SyncAt(Bytes b, std::size_t at) {
    return at + 2 <= b.size() && b[at] == 0xFF && (b[at + 1] == 0xFD || b[at + 1] == 0xFC);
}

/// The sync word of a Dolby Digital (AC-3) frame.
inline bool isAc3SyncAt(Bytes b, std::size_t at) {
    return at + 2 <= b.size() && b[at] == 0x0B && b[at + 1] == 0x77;
}

}  // namespace kestrel
