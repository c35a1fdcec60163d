#include <gtest/gtest.h>

#include <algorithm>

#include "builder/recording_reader.h"
#include "builder/synthetic_video.h"
#include "recbuild/byte_counters.h"

namespace recbuild {
namespace {

using test::ReadRecord;
using test::samples;

struct Kind {
    const char* name;
    Family family;
    bool ac3;
    std::uint32_t splitAudioEvery;
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

class SampleRecording : public ::testing::TestWithParam<Kind> {
  protected:
    const AudioStream& audio() const { return GetParam().ac3 ? samples().ac3 : samples().mp2; }
    bool standalone() const { return GetParam().family == Family::Standalone; }
    RecordingPlan plan() const {
        RecordingPlan p;
        p.layout.family = GetParam().family;
        p.layout.splitAudioEvery = GetParam().splitAudioEvery;
        return p;
    }
    test::Built build() const { return test::build(samples().video, audio(), plan()); }
    /// The records after a Standalone recording's leading chunk.
    std::vector<ReadRecord> records(const test::Built& built) const {
        return test::readRecords(built.file, standalone() ? 1 : 0);
    }
};

TEST_P(SampleRecording, IsWholeChunksWhoseRecordsFitAfterAnyLeadingChunk) {
    const test::Built built = build();
    EXPECT_EQ(built.file.size() % kestrel::kChunkSize, 0u);
    EXPECT_GT(records(built).size(), 1000u);  // readRecords checks every chunk
    // A Standalone recording opens with a chunk for -s to jump: no audio, no video.
    for (const ReadRecord& r : test::readRecords(test::chunkAt(built.file, 0))) {
        const bool stream =
            r.header.type() == kestrel::kVideoType || r.header.type() == kestrel::kAudioType;
        EXPECT_EQ(stream, !standalone());
    }
}

TEST_P(SampleRecording, VideoRecordsConcatenatedAsKestrelDoesAreTheSource) {
    const test::Built built = build();
    EXPECT_TRUE(test::demultiplexedVideo(records(built)) == samples().video.bytes);
    EXPECT_TRUE(built.expectedVideo == samples().video.bytes);
}

TEST_P(SampleRecording, EveryPictureHasAPacketHeaderStampedInDisplayOrder) {
    // A picture is shown at its GOP's first display slot plus its temporal reference.
    const std::uint64_t base = plan().layout.videoPts;
    std::uint32_t gopBase = 0, inGop = 0, pictures = 0, pts = 0;
    bool nextIsPicture = false;
    const test::Built built = build();
    for (const ReadRecord& r : records(built)) {
        if (r.header.type() != kestrel::kVideoType) continue;
        if (r.payload.size() >= 4 && r.payload[0] == 0 && r.payload[3] == 0xB8) {
            gopBase += inGop;
            inGop = 0;
        }
        if (nextIsPicture) {
            ASSERT_EQ(r.payload[3], 0x00);  // picture start code
            const std::uint32_t tr = r.payload[4] << 2 | r.payload[5] >> 6;
            EXPECT_EQ(pts, base + 3003 * (gopBase + tr)) << pictures;
            ++inGop;
            ++pictures;
        }
        nextIsPicture = test::isVideoPacketHeader(r);
        if (!nextIsPicture) continue;
        EXPECT_EQ(r.payload[3], 0xE0);
        EXPECT_EQ(r.payload[7] >> 6, 2);  // PTS only
        pts = test::ptsField(r.payload.subspan(9, 5));
    }
    EXPECT_EQ(pictures, 300u);
}

TEST_P(SampleRecording, AudioCarriesEachFrameOnceBehindAStampedPacketHeader) {
    const test::Built built = build();
    std::vector<std::uint8_t> joined;
    for (const ReadRecord& r : records(built)) {
        if (r.header.type() != kestrel::kAudioType) continue;
        const bool marker = r.header.subtype() == 3 && r.header.size() == 16 && r.header.byte(12) &&
                            r.header.byte(13) && r.header.byte(14) && r.header.byte(15);
        // Standalone: exactly the 16-byte packet-header records carry the marker.
        EXPECT_EQ(marker, standalone() && r.payload[0] == 0 && r.payload.size() == 16);
        joined.insert(joined.end(), r.payload.begin(), r.payload.end());
    }
    const std::size_t headerLength = standalone() ? 16 : GetParam().ac3 ? 14 : 11;
    const std::size_t ptsAt = headerLength == 11 ? 6 : 9;
    const std::uint8_t streamId = GetParam().ac3 ? 0xBD : 0xC0;
    const Bytes all(joined);
    std::size_t at = 0;
    for (std::size_t j = 0; j < audio().frames.size(); ++j) {
        const AudioFrame& f = audio().frames[j];
        ASSERT_LE(at + headerLength + f.length, all.size());
        const Bytes header = all.subspan(at, headerLength);
        EXPECT_TRUE(header[0] == 0 && header[1] == 0 && header[2] == 1 && header[3] == streamId);
        EXPECT_EQ(test::ptsField(header.subspan(ptsAt, 5)),
                  plan().layout.videoPts + audio().ticksFor(j));
        const Bytes frame = all.subspan(at + headerLength, f.length);
        ASSERT_TRUE(std::equal(frame.begin(), frame.end(), audio().bytes.begin() + f.offset)) << j;
        at += headerLength + f.length;
    }
    EXPECT_EQ(at, all.size());
    EXPECT_TRUE(built.expectedAudio == audio().bytes);
}

TEST_P(SampleRecording, SplitAudioRecordsOpenWithASmallPartHoldingThePacketStart) {
    std::size_t small = 0;
    const test::Built built = build();
    for (const ReadRecord& r : records(built)) {
        if (r.header.type() != kestrel::kAudioType || r.header.size() >= 200) continue;
        if (r.header.subtype() == kestrel::kAudioPesSubtype) continue;
        ++small;
        if (!standalone()) {
            EXPECT_TRUE(r.payload[0] == 0 && r.payload[2] == 1);
        }
    }
    const std::uint32_t every = GetParam().splitAudioEvery;
    EXPECT_EQ(small, every == 0 ? 0 : audio().frames.size() / every);
}

TEST_P(SampleRecording, ByteCountersRunOnPerStreamWithinTheirRing) {
    struct Stream {
        std::uint8_t type;
        std::uint32_t ring;
        std::int64_t next = 0;
    };
    Stream streams[] = {{kestrel::kVideoType, kVideoRing}, {kestrel::kAudioType, kAudioRing}};
    const test::Built built = build();
    for (const ReadRecord& r : records(built)) {
        for (Stream& s : streams) {
            if (r.header.type() != s.type) continue;
            const std::int64_t c = r.header.byteCount();
            ASSERT_GE(c, kCounterBase);
            ASSERT_LT(c, kCounterBase + s.ring);
            if (s.next != 0) {
                ASSERT_TRUE(c == s.next || c == s.next - s.ring) << c - s.next;
            }
            s.next = c + r.header.size();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SampleRecording,
                         ::testing::Values(Kind{"DTivoLayer2", Family::DTivo, false, 0},
                                           Kind{"DTivoAc3", Family::DTivo, true, 0},
                                           Kind{"Standalone", Family::Standalone, false, 0},
                                           Kind{"DTivoLayer2Split", Family::DTivo, false, 5},
                                           Kind{"DTivoAc3Split", Family::DTivo, true, 3},
                                           Kind{"StandaloneSplit", Family::Standalone, false, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

/// A stream whose sequence header, GOP header and packet header fill the
/// recorder's 88-byte window exactly: the record after them counts 16 more.
TEST(SequenceWindow, FilledExactlyTheNextVideoCounterSkipsAPacketHeader) {
    test::SyntheticVideo synthetic;
    for (int gop = 0; gop < 30; ++gop) {
        synthetic.sequence(64).gop();
        for (std::uint32_t tr = 0; tr < 4; ++tr)
            synthetic.picture(tr, tr == 0 ? 1 : 2, 9000);
    }
    const VideoStream video = parseVideoStream(synthetic.bytes());
    for (const Family family : {Family::DTivo, Family::Standalone}) {
        RecordingPlan plan;
        plan.layout.family = family;
        const test::Built built = test::build(video, samples().mp2, plan);
        std::int64_t next = 0;
        int sincePacketHeader = 0;
        int skips = 0;
        for (const ReadRecord& r : test::readRecords(built.file, family == Family::DTivo ? 0 : 1)) {
            if (r.header.type() != kestrel::kVideoType) continue;
            const std::int64_t step = (r.header.byteCount() - next + kVideoRing) % kVideoRing;
            if (next != 0 && step != 0) {
                ++skips;
                EXPECT_EQ(step, 16);
                EXPECT_EQ(sincePacketHeader, 1);  // the first record of the I picture
            }
            sincePacketHeader = test::isVideoPacketHeader(r) ? 1 : sincePacketHeader + 1;
            next = r.header.byteCount() + r.header.size();
        }
        EXPECT_EQ(skips, family == Family::DTivo ? 30 : 0);  // one in every GOP
        EXPECT_TRUE(built.expectedVideo == video.bytes);
    }
}

}  // namespace
}  // namespace recbuild
