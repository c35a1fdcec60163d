// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel {

/// A read-only view of bytes. Every decoder takes one and never reads outside it.
using Bytes = std::span<const std::uint8_t>;

/// A recording is a sequence of chunks of exactly this many bytes.
inline constexpr std::size_t kChunkSize = 0x20000;
/// Zero bytes kept after every chunk buffer so that header reads that run past
/// a chunk's end (dumps, frame headers near the end) read zeros, deterministically.
inline constexpr std::size_t kChunkPadding = 64;
/// Bytes before the record table: a 16-bit little-endian record count and two more.
inline constexpr std::size_t kChunkHeadSize = 4;
/// Every record header is 16 bytes.
inline constexpr std::size_t kRecordHeaderSize = 16;
/// Record types.
inline constexpr std::uint8_t kVideoType = 0xE0;
inline constexpr std::uint8_t kAudioType = 0xC0;
/// Record subtypes that mean something to the demultiplexer.
inline constexpr std::uint8_t kSeqStartSubtype = 7;  // video: starts a sequence header
inline constexpr std::uint8_t kVideoPesSubtype = 6;  // video, size 16: a PES header
inline constexpr std::uint8_t kAudioPesSubtype = 3;  // audio, size 16: a Standalone PES header
/// Size of the records that carry a video PES header (and Standalone audio headers).
inline constexpr std::uint32_t kPesRecordSize = 16;

/// Time stamps: 33-bit MPEG presentation time stamps modulo 2^32, in 90 kHz ticks.
using PtsTicks = std::uint32_t;
/// "No time stamp" wherever a time stamp may be absent.
inline constexpr PtsTicks kNoPts = 0xFFFFFFFF;

}  // namespace kestrel
