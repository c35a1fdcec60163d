// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "recbuild/layout.h"
#include "recbuild/record.h"

namespace recbuild {

/// Counters at or above this value are running byte counters; lower values
/// mean a record without one.
inline constexpr std::uint32_t kCounterBase = 0x205040;
/// The recorders keep each stream in a ring: a counter runs from kCounterBase
/// up to kCounterBase + ring and then falls back by the ring size. The
/// demultiplexer accepts exactly these fall-backs.
inline constexpr std::uint32_t kVideoRing = 0x116400;
inline constexpr std::uint32_t kAudioRing = 0x27A80;
/// A DTivo recorder's video counter also covers a packet header that it keeps
/// out of the records: when a sequence-header start record and the counted
/// video records after it add up to exactly this many bytes, the next counted
/// video record's counter is 16 higher. Where they step past it, the counter
/// runs on plainly until the next sequence header.
inline constexpr std::int64_t kSequenceWindow = 88;
inline constexpr std::uint32_t kWindowPacketHeader = 16;

/// Running per-stream byte counters. Each counted record gets the counter of
/// its stream at the start of its payload, and the counter then moves on by the
/// payload size, within the ring. DTivo video also follows the sequence-header
/// window above, so that every counter is the one the demultiplexer expects.
class ByteCounters {
  public:
    explicit ByteCounters(Family family) : family_(family) {}

    /// Sets r.byteCount if r is counted and moves its stream's counter on.
    /// Records must come in recording order.
    void assign(Record& r);

  private:
    void followWindow(const Record& r);

    Family family_;
    std::uint64_t videoBytes_ = 0;
    std::uint64_t audioBytes_ = 0;
    bool windowOpen_ = false;
    std::int64_t windowLeft_ = 0;
};

}  // namespace recbuild
