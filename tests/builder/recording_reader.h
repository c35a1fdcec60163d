#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "chunk/record_header.h"
#include "recbuild/byte_sink.h"
#include "recbuild/recording_writer.h"

namespace recbuild::test {

using kestrel::kChunkSize;
using kestrel::RecordHeader;

/// The committed sample streams, parsed once.
inline const VideoStream& sampleVideo() {
    static const VideoStream video = parseVideoStream(readFile(KESTREL_TESTDATA_DIR "/sample.m2v"));
    return video;
}
inline const AudioStream& sampleAudio(bool ac3 = false) {
    static const AudioStream mp2 = parseAudioStream(readFile(KESTREL_TESTDATA_DIR "/sample.mp2"));
    static const AudioStream dolby = parseAudioStream(readFile(KESTREL_TESTDATA_DIR "/sample.ac3"));
    return ac3 ? dolby : mp2;
}

/// A recording built in memory, with the outputs kestrel should make of it.
struct Built {
    std::vector<std::uint8_t> file, expectedVideo, expectedAudio;
    std::uint32_t firstVideoPts = 0;
};
inline Built build(const RecordingPlan& plan, const AudioStream& audio = sampleAudio()) {
    MemorySink file, video, audioOut;
    ExpectedOutput expected(video, audioOut, static_cast<std::uint32_t>(audio.ticksFor(1)));
    writeRecording(sampleVideo(), audio, plan, file, &expected);
    return {file.bytes(), video.bytes(), audioOut.bytes(), expected.firstVideoPts()};
}

inline Bytes chunkAt(Bytes file, std::size_t index) {
    return file.subspan(index * kChunkSize, kChunkSize);
}

struct ReadRecord {
    RecordHeader header;
    Bytes payload;
};

/// Every record of the whole chunks from `firstChunk` on, found through the
/// record count and header sizes alone. Fails the test for a chunk whose
/// count is out of range, whose records overflow it or whose filler is not zero.
inline std::vector<ReadRecord> readRecords(Bytes file, std::size_t firstChunk = 0) {
    std::vector<ReadRecord> records;
    for (std::size_t c = firstChunk; (c + 1) * kChunkSize <= file.size(); ++c) {
        const Bytes chunk = chunkAt(file, c);
        const std::int32_t count = kestrel::recordCount(chunk);
        EXPECT_TRUE(count > 0 && count <= 1279) << "chunk " << c;
        std::size_t at = kestrel::tableEnd(count);
        for (std::int32_t i = 0; i < count; ++i) {
            const RecordHeader h = kestrel::recordAt(chunk, i);
            if (at + h.payloadLength() > kChunkSize) {
                ADD_FAILURE() << "chunk " << c << " overflows at record " << i;
                return records;
            }
            records.push_back({h, chunk.subspan(at, h.payloadLength())});
            at += h.payloadLength();
        }
        EXPECT_TRUE(std::all_of(chunk.begin() + at, chunk.end(), [](auto b) { return b == 0; }))
            << "chunk " << c;
    }
    return records;
}

inline bool isVideoPacketHeader(const ReadRecord& r) {
    return r.header.type() == kestrel::kVideoType &&
           r.header.subtype() == kestrel::kVideoPesSubtype &&
           r.header.size() == kestrel::kPesRecordSize;
}

/// The video records' payloads as kestrel joins them: from the first
/// sequence-header start record on, leaving out the packet-header records.
inline std::vector<std::uint8_t> demultiplexedVideo(const std::vector<ReadRecord>& records) {
    std::vector<std::uint8_t> video;
    bool started = false;
    for (const ReadRecord& r : records) {
        if (r.header.type() != kestrel::kVideoType) continue;
        started = started || r.header.subtype() == kestrel::kSeqStartSubtype;
        if (started && !isVideoPacketHeader(r))
            video.insert(video.end(), r.payload.begin(), r.payload.end());
    }
    return video;
}

/// The time stamp of a 5-byte PES time-stamp field, modulo 2^32.
inline std::uint32_t ptsField(Bytes f) {
    return static_cast<std::uint32_t>(((f[0] >> 1) & 0x07u) << 30 | std::uint32_t{f[1]} << 22 |
                                      (f[2] >> 1u) << 15 | std::uint32_t{f[3]} << 7 | f[4] >> 1u);
}

}  // namespace recbuild::test
