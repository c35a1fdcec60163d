// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <bit>
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

namespace detail {

/// Eight bytes as one word, in memory order from the lowest byte up.
inline std::uint64_t littleEndianWord(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

/// The top bit of each byte of `word` that is zero and is followed, inside
/// the word, by another zero byte.
inline std::uint64_t zeroPairs(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
    // Adding 7F to the low seven bits carries into the top bit unless they
    // are all zero; or-ing the byte itself covers its own top bit.
    const std::uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7);
    return zeros & (zeros >> 8);
}

/// The first byte at `at` or later that is not zero; b.size() if none.
inline std::size_t endOfZeros(Bytes b, std::size_t at) {
    while (at + 8 <= b.size() && littleEndianWord(&b[at]) == 0)
        at += 8;
    while (at < b.size() && b[at] == 0)
        ++at;
    return at;
}

}  // namespace detail

/// Where the next 00 00 01 starts, at `from` or later; b.size() if nowhere.
/// The scans that look at every byte of whole payloads use it, video among
/// them. Coded video holds a 01 byte every few dozen bytes but two zero
/// bytes in a row hardly anywhere but in start codes: the scan tests 28
/// positions at a time for a zero pair, four overlapping words at once, and
/// where there is one, looks only at the byte after the first.
inline std::size_t findStartCodePrefix(Bytes b, std::size_t from) {
    constexpr std::size_t kStep = 28;  // words at +0, +7, +14 and +21 cover pairs from 0..27
    std::size_t at = from;
    while (at + kStep + 4 <= b.size()) {
        const std::uint8_t* p = &b[at];
        const std::array<std::uint64_t, 4> pairs = {
            detail::zeroPairs(detail::littleEndianWord(p)),
            detail::zeroPairs(detail::littleEndianWord(p + 7)),
            detail::zeroPairs(detail::littleEndianWord(p + 14)),
            detail::zeroPairs(detail::littleEndianWord(p + 21))};
        if ((pairs[0] | pairs[1] | pairs[2] | pairs[3]) == 0) {
            at += kStep;
            continue;
        }
        // The flags are exact: the lowest one of the first word with any is
        // the first pair.
        std::size_t word = 0;
        while (pairs.at(word) == 0)
            ++word;
        at += 7 * word + static_cast<std::size_t>(std::countr_zero(pairs.at(word))) / 8;
        if (b[at + 2] == 1) return at;
        if (b[at + 2] != 0) {
            ++at;
            continue;
        }
        // A run of zeros (padding, a damaged stretch): only its end can
        // start a start code, so it is crossed a word at a time.
        const std::size_t end = detail::endOfZeros(b, at + 2);
        if (end == b.size()) return b.size();
        at = end - 2;
    }
    for (; at + 3 <= b.size(); ++at)
        if (b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1) return at;
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
