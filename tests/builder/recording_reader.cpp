#include "builder/recording_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "recbuild/byte_sink.h"
#include "recbuild/expected_output.h"

namespace recbuild::test {

const Samples& samples() {
    static const Samples loaded = [] {
        const std::string dir = KESTREL_TESTDATA_DIR;
        return Samples{parseVideoStream(readFile(dir + "/sample.m2v")),
                       parseAudioStream(readFile(dir + "/sample.mp2")),
                       parseAudioStream(readFile(dir + "/sample.ac3"))};
    }();
    return loaded;
}

Built build(const VideoStream& video, const AudioStream& audio, const RecordingPlan& plan) {
    MemorySink file, expectedVideo, expectedAudio;
    ExpectedOutput expected(expectedVideo, expectedAudio,
                            static_cast<std::uint32_t>(audio.ticksFor(1)));
    writeRecording(video, audio, plan, file, &expected);
    return {file.bytes(), expectedVideo.bytes(), expectedAudio.bytes(), expected.firstVideoPts(),
            expected.firstAudioPts()};
}

Bytes chunkAt(Bytes file, std::size_t index) {
    return file.subspan(index * kestrel::kChunkSize, kestrel::kChunkSize);
}

std::vector<ReadRecord> readRecords(Bytes file, std::size_t firstChunk) {
    std::vector<ReadRecord> records;
    for (std::size_t c = firstChunk; (c + 1) * kestrel::kChunkSize <= file.size(); ++c) {
        const Bytes chunk = chunkAt(file, c);
        const std::int32_t count = kestrel::recordCount(chunk);
        EXPECT_GT(count, 0) << "chunk " << c;
        EXPECT_LE(count, 1279) << "chunk " << c;
        std::size_t payload = kestrel::tableEnd(count);
        for (std::int32_t i = 0; i < count && payload <= kestrel::kChunkSize; ++i) {
            const RecordHeader h = kestrel::recordAt(chunk, i);
            const std::size_t length = h.payloadLength();
            if (payload + length > kestrel::kChunkSize) {
                ADD_FAILURE() << "chunk " << c << " overflows at record " << i;
                break;
            }
            records.push_back({c, h, chunk.subspan(payload, length)});
            payload += length;
        }
        const Bytes filler = chunk.subspan(payload);
        EXPECT_TRUE(std::all_of(filler.begin(), filler.end(), [](auto b) { return b == 0; }))
            << "chunk " << c;
    }
    return records;
}

bool isVideoPacketHeader(const ReadRecord& r) {
    return r.header.type() == kestrel::kVideoType &&
           r.header.subtype() == kestrel::kVideoPesSubtype &&
           r.header.size() == kestrel::kPesRecordSize;
}

std::vector<std::uint8_t> demultiplexedVideo(const std::vector<ReadRecord>& records) {
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

std::uint32_t ptsField(Bytes f) {
    return static_cast<std::uint32_t>(((f[0] >> 1) & 0x07u) << 30 | std::uint32_t{f[1]} << 22 |
                                      (f[2] >> 1u) << 15 | std::uint32_t{f[3]} << 7 | f[4] >> 1u);
}

}  // namespace recbuild::test
