#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "builder/recording_reader.h"

namespace recbuild {
namespace {

using kestrel::kChunkSize;
using test::Built;
using test::ReadRecord;
using test::sampleAudio;
using test::sampleVideo;

TEST(RecordHeaderEncoding, FieldsReadBackThroughTheHeaderView) {
    using Fields = std::tuple<std::uint32_t, int, int, std::int32_t, bool>;  // size to marker
    for (const auto& [size, subtype, type, byteCount, marker] :
         {Fields{779, 2, 0xC0, 0x31B43F, false}, Fields{16, 3, 0xC0, 0x205050, true},
          Fields{0x7FFFF, 0xF, 0x20, 0xFFFFFF, false}, Fields{0, 0, 0, 0, false}}) {
        const Record r{.type = static_cast<std::uint8_t>(type),
                       .subtype = static_cast<std::uint8_t>(subtype),
                       .head = std::vector<std::uint8_t>(size),
                       .standaloneMarker = marker,
                       .byteCount = static_cast<std::uint32_t>(byteCount)};
        std::array<std::uint8_t, 16> bytes{};
        encodeRecordHeader(r, bytes);
        const kestrel::RecordHeader h{Bytes(bytes)};
        EXPECT_EQ(Fields(h.size(), h.subtype(), h.type(), h.byteCount(),
                         h.byte(12) && h.byte(13) && h.byte(14) && h.byte(15)),
                  Fields(size, subtype, type, byteCount, marker));
        EXPECT_FALSE(h.headerOnly());
        EXPECT_EQ(h.isEndOfData(), size == 0);
    }
}

struct Kind {
    const char* name;
    Family family;
    bool ac3;
    std::uint32_t splitAudioEvery;
    friend void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
};

class SampleRecording : public ::testing::TestWithParam<Kind> {};

// readRecords checks that every chunk's table and payloads fit it.
TEST_P(SampleRecording, ChunksFitAndCarryBothStreamsWholeAndStamped) {
    const Kind kind = GetParam();
    const bool standalone = kind.family == Family::Standalone;
    const AudioStream& audio = sampleAudio(kind.ac3);
    RecordingPlan plan;
    plan.layout.family = kind.family;
    plan.layout.splitAudioEvery = kind.splitAudioEvery;
    const Built built = test::build(plan, audio);
    EXPECT_EQ(built.file.size() % kChunkSize, 0u);
    // A Standalone recording opens with a chunk for -s to jump.
    const std::vector<ReadRecord> records = test::readRecords(built.file, standalone ? 1 : 0);
    EXPECT_TRUE(test::demultiplexedVideo(records) == sampleVideo().bytes);

    // A picture is stamped at its GOP's first display slot plus its temporal
    // reference. A split audio frame's small first part holds the packet start.
    const std::uint64_t base = plan.layout.videoPts;
    std::uint32_t gopBase = 0, inGop = 0, pictures = 0, pts = 0;
    bool nextIsPicture = false;
    std::size_t smallParts = 0;
    for (const ReadRecord& r : records) {
        if (r.header.type() == kestrel::kAudioType) {
            if (r.header.size() >= 200 || r.header.subtype() == kestrel::kAudioPesSubtype) continue;
            ++smallParts;
            EXPECT_TRUE(standalone || (r.payload[0] == 0 && r.payload[2] == 1));
            continue;
        }
        if (r.header.subtype() == kGopSubtype) gopBase += std::exchange(inGop, 0);
        if (nextIsPicture) {
            const std::uint32_t tr = r.payload[4] << 2 | r.payload[5] >> 6;
            EXPECT_EQ(pts, base + 3003 * (gopBase + tr)) << pictures;
            ++inGop, ++pictures;
        }
        nextIsPicture = test::isVideoPacketHeader(r);
        if (nextIsPicture) pts = test::ptsField(r.payload.subspan(9, 5));
    }
    EXPECT_EQ(pictures, 300u);
    EXPECT_EQ(smallParts, kind.splitAudioEvery ? audio.frames.size() / kind.splitAudioEvery : 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SampleRecording,
                         ::testing::Values(Kind{"DTivoLayer2", Family::DTivo, false, 0},
                                           Kind{"DTivoAc3", Family::DTivo, true, 0},
                                           Kind{"Standalone", Family::Standalone, false, 0},
                                           Kind{"DTivoLayer2Split", Family::DTivo, false, 5},
                                           Kind{"DTivoAc3Split", Family::DTivo, true, 3},
                                           Kind{"StandaloneSplit", Family::Standalone, false, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

using Change = void (*)(RecordingPlan&);

Built buildWith(Change change) {
    RecordingPlan plan;
    change(plan);
    return test::build(plan);
}

const Built& clean() {
    static const Built built = buildWith([](RecordingPlan&) {});
    return built;
}

bool sameChunk(Bytes a, std::size_t i, Bytes b, std::size_t j) {
    const Bytes x = test::chunkAt(a, i), y = test::chunkAt(b, j);
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

TEST(Damage, AddedChunkIsACopyOfAnotherOrOverflowsByOneByte) {
    struct Case {
        Change change;
        std::size_t after;                  // the chunk the added one follows
        std::optional<std::size_t> copyOf;  // none: a chunk that overflows
    };
    const Case cases[] = {
        {[](RecordingPlan& p) { p.damage.duplicateChunk = 3; }, 3, 3},
        {[](RecordingPlan& p) { p.damage.outOfBandAfter = 4; }, 4, 19},
        {[](RecordingPlan& p) { p.damage.badChunkAfter = 2; }, 2, std::nullopt},
    };
    for (const Case& c : cases) {
        const Built built = buildWith(c.change);
        ASSERT_EQ(built.file.size(), clean().file.size() + kChunkSize);
        for (std::size_t i = 0; i < clean().file.size() / kChunkSize; ++i)
            EXPECT_TRUE(sameChunk(clean().file, i, built.file, i <= c.after ? i : i + 1)) << i;
        if (c.copyOf) {
            EXPECT_TRUE(sameChunk(built.file, c.after + 1, clean().file, *c.copyOf));
            continue;
        }
        const Bytes bad = test::chunkAt(built.file, c.after + 1);
        std::size_t total = kestrel::tableEnd(kestrel::recordCount(bad));
        for (int i = 0; i < kestrel::recordCount(bad); ++i)
            total += kestrel::recordAt(bad, i).payloadLength();
        EXPECT_EQ(total, kChunkSize + 1);
    }
}

TEST(Damage, EndOfDataRecordOrCutEndsTheExpectedOutputsWithTheRecordsBefore) {
    const Built ended = buildWith([](RecordingPlan& p) { p.damage.endOfDataIn = 12; });
    ASSERT_EQ(ended.file.size(), clean().file.size());
    // One end-of-data record, in the middle of chunk 12's table.
    const Bytes chunk = test::chunkAt(ended.file, 12);
    EXPECT_TRUE(kestrel::recordAt(chunk, (kestrel::recordCount(chunk) - 1) / 2).isEndOfData());
    const auto isEnd = [](const ReadRecord& r) { return r.header.isEndOfData(); };
    std::vector<ReadRecord> before = test::readRecords(ended.file);
    EXPECT_EQ(std::count_if(before.begin(), before.end(), isEnd), 1);
    before.erase(std::find_if(before.begin(), before.end(), isEnd), before.end());
    EXPECT_TRUE(ended.expectedVideo == test::demultiplexedVideo(before));

    const Built cut = buildWith([](RecordingPlan& p) { p.damage.cutIn = 11; });
    EXPECT_EQ(cut.file.size(), 11 * kChunkSize + kChunkSize / 2);
    EXPECT_TRUE(std::equal(cut.file.begin(), cut.file.end(), clean().file.begin()));
    EXPECT_TRUE(cut.expectedVideo == test::demultiplexedVideo(test::readRecords(cut.file)));
}

TEST(Damage, IsRefusedAmongTheStartUpChunksOrBeyondTheEnd) {
    const auto refused = [](Change change) { EXPECT_THROW(buildWith(change), std::runtime_error); };
    refused([](RecordingPlan& p) { p.damage.cutIn = 9; });
    refused([](RecordingPlan& p) { p.damage.endOfDataIn = 8; });
    refused([](RecordingPlan& p) { p.damage.duplicateChunk = 27; });
    refused([](RecordingPlan& p) { p.damage.outOfBandAfter = 20; });
    EXPECT_NO_THROW(buildWith([](RecordingPlan& p) { p.damage.duplicateChunk = 26; }));
}

TEST(Layout, MidGopStartOpensWithAudioAndTheOutputsStartAtTheNextGop) {
    const Built built = buildWith([](RecordingPlan& p) { p.layout.startPicture = 5; });
    const std::vector<ReadRecord> records = test::readRecords(built.file);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].header.type(), kestrel::kAudioType);
    // Video from the second GOP's sequence header on; the first GOP had 13 pictures.
    const VideoStream& video = sampleVideo();
    EXPECT_TRUE(std::equal(built.expectedVideo.begin(), built.expectedVideo.end(),
                           video.bytes.begin() + video.pictures[13].offset, video.bytes.end()));
    EXPECT_EQ(built.firstVideoPts, 1234567 + 15 * 3003);
    // Audio from the first frame at most half a frame step before that picture.
    const std::size_t dropped = (built.firstVideoPts - 1080 - 1234567 + 2159) / 2160;
    EXPECT_EQ(built.expectedAudio.size(), sampleAudio().bytes.size() - dropped * 768);
}

TEST(Layout, MinimumSizeRepeatsTheMaterialUpToTheFirstChunkThatReachesIt) {
    const Built built = buildWith([](RecordingPlan& p) {
        p.minSize = 50 * kChunkSize + 1;
        p.layout.iterations = 0;
    });
    EXPECT_EQ(built.file.size(), 51 * kChunkSize);
    EXPECT_TRUE(built.expectedVideo == test::demultiplexedVideo(test::readRecords(built.file)));
}

}  // namespace
}  // namespace recbuild
