// SPDX-License-Identifier: MIT
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

/// A recording built in memory from the committed sample streams, with the
/// video kestrel should make of it.
struct Built {
    std::vector<std::uint8_t> file, expectedVideo;
};
inline Built build(const RecordingPlan& plan, bool ac3 = false) {
    static const VideoStream video = parseVideoStream(readFile(KESTREL_TESTDATA_DIR "/sample.m2v"));
    static const AudioStream mp2 = parseAudioStream(readFile(KESTREL_TESTDATA_DIR "/sample.mp2"));
    static const AudioStream dolby = parseAudioStream(readFile(KESTREL_TESTDATA_DIR "/sample.ac3"));
    const AudioStream& audio = ac3 ? dolby : mp2;
    MemorySink file, videoOut, audioOut;
    ExpectedOutput expected(videoOut, audioOut, static_cast<std::uint32_t>(audio.ticksFor(1)));
    writeRecording(video, audio, plan, file, &expected);
    return {file.bytes(), videoOut.bytes()};
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

/// The video records' payloads as kestrel joins them: from the first
/// sequence-header start record on, leaving out the packet-header records.
inline std::vector<std::uint8_t> demultiplexedVideo(const std::vector<ReadRecord>& records) {
    std::vector<std::uint8_t> video;
    bool started = false;
    for (const ReadRecord& r : records) {
        if (r.header.type() != kestrel::kVideoType) continue;
        started = started || r.header.subtype() == kestrel::kSeqStartSubtype;
        const bool packetHeader = r.header.subtype() == kestrel::kVideoPesSubtype &&
                                  r.header.size() == kestrel::kPesRecordSize;
        if (started && !packetHeader) video.insert(video.end(), r.payload.begin(), r.payload.end());
    }
    return video;
}

}  // namespace recbuild::test
