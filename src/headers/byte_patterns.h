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

/// Sixteen bytes, tested all at once: GCC and Clang compile these to the
/// processor's vector instructions (SSE2, NEON) or, without them, to words.
using ByteVector = std::uint8_t __attribute__((vector_size(16)));
/// The same sixteen bytes as two words.
using WordVector = std::uint64_t __attribute__((vector_size(16)));
/// Vectors one scan step tests, and the bytes they cover: enough that the
/// test whether any matched is paid once for 64 bytes.
inline constexpr std::size_t kScanVectors = 4;
inline constexpr std::size_t kScanStep = kScanVectors * sizeof(ByteVector);
/// The flags of one scan step, a byte for each position.
using ScanFlags = std::array<ByteVector, kScanVectors>;

/// Sixteen bytes from `bytes` on, in memory order.
inline ByteVector loadVector(const std::uint8_t* bytes) {
    ByteVector vector;
    std::memcpy(&vector, bytes, sizeof vector);
    return vector;
}

/// Eight bytes as one word, in memory order from the lowest byte up.
inline std::uint64_t littleEndianWord(const std::uint8_t* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

/// Whether any flag of a step is set.
inline bool anySet(const ScanFlags& flags) {
    ByteVector any{};
    for (const ByteVector& vector : flags)
        any |= vector;
    const auto words = std::bit_cast<WordVector>(any);
    return (words[0] | words[1]) != 0;
}

/// The position of the first set flag of a step, which must have one.
inline std::size_t firstSet(const ScanFlags& flags) {
    std::array<std::uint8_t, kScanStep> bytes{};
    std::memcpy(bytes.data(), flags.data(), bytes.size());
    std::size_t at = 0;
    while (littleEndianWord(&bytes.at(at)) == 0)
        at += sizeof(std::uint64_t);
    return at + static_cast<std::size_t>(std::countr_zero(littleEndianWord(&bytes.at(at)))) / 8;
}

/// Flags the kScanStep positions from `bytes` on where a byte and the one
/// after it are both zero (so it reads one byte more).
inline ScanFlags zeroPairFlags(const std::uint8_t* bytes) {
    ScanFlags flags{};
    for (std::size_t i = 0; i < kScanVectors; ++i) {
        const std::uint8_t* p = bytes + i * sizeof(ByteVector);
        flags.at(i) =
            std::bit_cast<ByteVector>((loadVector(p) | loadVector(p + 1)) == ByteVector{});
    }
    return flags;
}

/// The flag bytes (00 or FF) of a word as one bit each, in memory order.
inline std::uint64_t flagBits(std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    // The multiplier moves each byte's low bit to its own bit of the top
    // byte; no two products overlap, so nothing carries.
    return (word & 0x0101010101010101U) * 0x0102040810204080U >> 56;
}

/// The kScanStep positions from `bytes` on where 00 00 01 starts, as bit i
/// for position i (so it reads two bytes more). Most steps hold no zero
/// pair: those cost one test.
inline std::uint64_t startCodePrefixMask(const std::uint8_t* bytes) {
    const ScanFlags pairs = zeroPairFlags(bytes);
    if (!anySet(pairs)) return 0;
    const ByteVector ones = ByteVector{} + 1;
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < kScanVectors; ++i) {
        const std::uint8_t* p = bytes + i * sizeof(ByteVector);
        const auto prefixes = std::bit_cast<WordVector>(pairs.at(i) & (loadVector(p + 2) == ones));
        mask |= (flagBits(prefixes[0]) | flagBits(prefixes[1]) << 8) << (i * 16);
    }
    return mask;
}

/// Flags the kScanStep positions from `bytes` on whose byte is not zero.
inline ScanFlags nonZeroFlags(const std::uint8_t* bytes) {
    ScanFlags flags{};
    for (std::size_t i = 0; i < kScanVectors; ++i)
        flags.at(i) =
            std::bit_cast<ByteVector>(loadVector(bytes + i * sizeof(ByteVector)) != ByteVector{});
    return flags;
}

/// The first byte at `at` or later that is not zero; b.size() if none.
inline std::size_t endOfZeros(Bytes b, std::size_t at) {
    while (at + kScanStep <= b.size() && !anySet(nonZeroFlags(&b[at])))
        at += kScanStep;
    while (at < b.size() && b[at] == 0)
        ++at;
    return at;
}

}  // namespace detail

/// Where the next 00 00 01 starts, at `from` or later; b.size() if nowhere.
/// Byte by byte: for a few bytes, where a vector step does not fit.
inline std::size_t findStartCodePrefixBytewise(Bytes b, std::size_t from) {
    for (std::size_t at = from; at + 3 <= b.size(); ++at)
        if (b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1) return at;
    return b.size();
}

/// Where the next 00 00 01 starts, at `from` or later; b.size() if nowhere.
/// The scans that look at every byte of whole payloads use it, video among
/// them. Coded video holds a 01 byte every few dozen bytes but two zero
/// bytes in a row hardly anywhere but in start codes: the scan tests 64
/// positions at a time for a zero pair and, where there is one, looks only
/// at the byte after it.
inline std::size_t findStartCodePrefix(Bytes b, std::size_t from) {
    std::size_t at = from;
    // The pairs reach one byte past the step, the test after them another.
    while (at + detail::kScanStep + 2 <= b.size()) {
        const detail::ScanFlags pairs = detail::zeroPairFlags(&b[at]);
        if (!detail::anySet(pairs)) {
            at += detail::kScanStep;
            continue;
        }
        at += detail::firstSet(pairs);
        if (b[at + 2] == 1) return at;
        if (b[at + 2] != 0) {
            ++at;
            continue;
        }
        // A run of zeros (padding, a damaged stretch): only its end can
        // start a start code, so it is crossed a step at a time.
        const std::size_t end = detail::endOfZeros(b, at + 2);
        if (end == b.size()) return b.size();
        at = end - 2;
    }
    return findStartCodePrefixBytewise(b, at);
}

/// Calls `visit(at)` for every `at` from `from` on where 00 00 01 starts, in
/// order: one pass over the bytes for a stream with a start code every few
/// hundred bytes, where findStartCodePrefix would start over after each.
template <typename Visit>
void forEachStartCodePrefix(Bytes b, std::size_t from, Visit&& visit) {
    std::size_t at = from;
    // A step reads two bytes past its positions.
    constexpr std::size_t kReach = detail::kScanStep + 2;
    for (; at + kReach <= b.size(); at += detail::kScanStep)
        for (std::uint64_t mask = detail::startCodePrefixMask(&b[at]); mask != 0; mask &= mask - 1)
            visit(at + static_cast<std::size_t>(std::countr_zero(mask)));
    if (at + 3 > b.size()) return;
    if (b.size() < kReach) {
        for (at = findStartCodePrefixBytewise(b, at); at < b.size();
             at = findStartCodePrefixBytewise(b, at + 1))
            visit(at);
        return;
    }
    // The rest, fewer positions than a step: the step that ends with the
    // view, less the positions visited already.
    const std::size_t last = b.size() - kReach;
    std::uint64_t mask = detail::startCodePrefixMask(&b[last]) >> (at - last) << (at - last);
    for (; mask != 0; mask &= mask - 1)
        visit(last + static_cast<std::size_t>(std::countr_zero(mask)));
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
