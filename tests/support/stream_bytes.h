// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "chunk/chunk_layout.h"
#include "demux/output_file.h"

namespace kestrel::test {

using ByteVector = std::vector<std::uint8_t>;

/// Concatenates byte sequences.
inline ByteVector concat(std::initializer_list<ByteVector> parts) {
    ByteVector out;
    for (const ByteVector& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

/// `n` bytes counting up from `first` (recognisable filler that holds no start code).
inline ByteVector filler(std::size_t n, std::uint8_t first = 0x40) {
    ByteVector out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(first + i % 0x30);
    return out;
}

/// The 5-byte time-stamp field of a packet header ('0010' prefix, marker bits set).
inline ByteVector ptsField(PtsTicks pts) {
    return {static_cast<std::uint8_t>(0x21 | ((pts >> 29) & 0x0E)),
            static_cast<std::uint8_t>(pts >> 22), static_cast<std::uint8_t>((pts >> 14) | 1),
            static_cast<std::uint8_t>(pts >> 7), static_cast<std::uint8_t>((pts << 1) | 1)};
}

/// A full packet header with a time stamp: 14 bytes, then `stuffing` 0xFF bytes.
inline ByteVector fullPesHeader(std::uint8_t streamId, PtsTicks pts, std::size_t stuffing = 0) {
    return concat({{0x00, 0x00, 0x01, streamId, 0x00, 0x00, 0x80, 0x80, 0x05},
                   ptsField(pts),
                   ByteVector(stuffing, 0xFF)});
}

/// The 16-byte payload of a video PES header record (subtype 6).
inline ByteVector videoPesHeader(PtsTicks pts) {
    return fullPesHeader(0xE0, pts, 2);
}

/// A Standalone Layer II packet header record: 16 bytes.
inline ByteVector standaloneAudioHeader(PtsTicks pts) {
    return fullPesHeader(0xC0, pts, 2);
}

/// A Layer II frame header: 128 kbit/s at 48 kHz, 384 bytes.
inline const ByteVector kLayer2Frame384 = {0xFF, 0xFD, 0x84, 0x00};

/// A DTivo Layer II packet: the 11-byte short header, then `frameBytes` of frame.
inline ByteVector dtivoLayer2Packet(PtsTicks pts, std::size_t frameBytes,
                                    const ByteVector& frameHeader = kLayer2Frame384) {
    return concat({{0x00, 0x00, 0x01, 0xC0, 0x00, 0x00},
                   ptsField(pts),
                   frameHeader,
                   filler(frameBytes - frameHeader.size())});
}

/// An OutputFile whose bytes land in memory.
class MemoryOutput {
  public:
    MemoryOutput() : stream_(open_memstream(&buffer_, &size_)) { file.adopt(stream_, "memory"); }
    ~MemoryOutput() {
        file.close();
        std::free(buffer_);
    }
    MemoryOutput(const MemoryOutput&) = delete;
    MemoryOutput& operator=(const MemoryOutput&) = delete;

    /// Everything written so far.
    ByteVector bytes() {
        std::fflush(stream_);
        return ByteVector(buffer_, buffer_ + size_);
    }

    OutputFile file;

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* stream_;
};

}  // namespace kestrel::test
