#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "builder/recording_reader.h"

namespace recbuild {
namespace {

using kestrel::kChunkSize;
using test::Built;
using test::ReadRecord;
using test::samples;

Built buildWith(void (*change)(RecordingPlan&)) {
    RecordingPlan plan;
    change(plan);
    return test::build(samples().video, samples().mp2, plan);
}

const Built& clean() {
    static const Built built = buildWith([](RecordingPlan&) {});
    return built;
}

bool sameChunk(Bytes a, std::size_t i, Bytes b, std::size_t j) {
    const Bytes x = test::chunkAt(a, i);
    const Bytes y = test::chunkAt(b, j);
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

/// The damaged file is the clean one with one chunk inserted after chunk n.
void expectInsertedAfter(const Built& damaged, std::size_t n) {
    const std::size_t chunks = clean().file.size() / kChunkSize;
    ASSERT_EQ(damaged.file.size(), clean().file.size() + kChunkSize);
    for (std::size_t i = 0; i < chunks; ++i)
        EXPECT_TRUE(sameChunk(clean().file, i, damaged.file, i <= n ? i : i + 1)) << i;
    // Nothing of the inserted chunk may reach the outputs.
    EXPECT_TRUE(damaged.expectedVideo == samples().video.bytes);
    EXPECT_TRUE(damaged.expectedAudio == samples().mp2.bytes);
}

TEST(Damage, DuplicateChunkIsAByteCopyOfItsPredecessor) {
    const Built built = buildWith([](RecordingPlan& p) { p.damage.duplicateChunk = 3; });
    expectInsertedAfter(built, 3);
    EXPECT_TRUE(sameChunk(built.file, 4, clean().file, 3));
}

TEST(Damage, OutOfBandChunkIsTheChunkFromFurtherOn) {
    const Built built = buildWith([](RecordingPlan& p) {
        p.damage.outOfBandAfter = 4;
        p.damage.outOfBandDistance = 15;
    });
    expectInsertedAfter(built, 4);
    EXPECT_TRUE(sameChunk(built.file, 5, clean().file, 19));
}

TEST(Damage, BadChunkClaimsMoreBytesThanAChunkHolds) {
    const Built built = buildWith([](RecordingPlan& p) { p.damage.badChunkAfter = 2; });
    expectInsertedAfter(built, 2);
    const Bytes bad = test::chunkAt(built.file, 3);
    std::size_t total = kestrel::tableEnd(kestrel::recordCount(bad));
    for (int i = 0; i < kestrel::recordCount(bad); ++i)
        total += kestrel::recordAt(bad, i).payloadLength();
    EXPECT_GT(total, kChunkSize);
}

TEST(Damage, EndOfDataRecordMidChunkEndsTheExpectedOutputsThere) {
    const Built built = buildWith([](RecordingPlan& p) { p.damage.endOfDataIn = 12; });
    ASSERT_EQ(built.file.size(), clean().file.size());
    const Bytes chunk = test::chunkAt(built.file, 12);
    const std::int32_t count = kestrel::recordCount(chunk);
    std::vector<std::int32_t> markers;
    for (std::int32_t i = 0; i < count; ++i)
        if (kestrel::recordAt(chunk, i).isEndOfData()) markers.push_back(i);
    EXPECT_EQ(markers, std::vector<std::int32_t>{(count - 1) / 2});
    // The video written is the records before the marker: a prefix of the source.
    std::vector<ReadRecord> before;
    for (const ReadRecord& r : test::readRecords(built.file)) {
        if (r.header.isEndOfData()) break;
        before.push_back(r);
    }
    EXPECT_TRUE(built.expectedVideo == test::demultiplexedVideo(before));
    const auto& audio = samples().mp2.bytes;
    EXPECT_LT(built.expectedAudio.size(), audio.size());
    EXPECT_TRUE(std::equal(built.expectedAudio.begin(), built.expectedAudio.end(), audio.begin()));
}

TEST(Damage, CutEndsTheFileHalfWayThroughAChunk) {
    const Built built = buildWith([](RecordingPlan& p) { p.damage.cutIn = 11; });
    EXPECT_EQ(built.file.size(), 11 * kChunkSize + kChunkSize / 2);
    EXPECT_TRUE(std::equal(built.file.begin(), built.file.end(), clean().file.begin()));
    const std::vector<ReadRecord> whole = test::readRecords(built.file);
    EXPECT_TRUE(built.expectedVideo == test::demultiplexedVideo(whole));
}

TEST(Damage, IsRefusedAmongTheStartUpChunksOrBeyondTheEnd) {
    const std::vector<void (*)(RecordingPlan&)> refused = {
        [](RecordingPlan& p) { p.damage.cutIn = 9; },
        [](RecordingPlan& p) { p.damage.endOfDataIn = 8; },
        [](RecordingPlan& p) { p.damage.duplicateChunk = 27; },
        [](RecordingPlan& p) { p.damage.outOfBandAfter = 20; },
        [](RecordingPlan& p) { p.damage.badChunkAfter = 100; },
    };
    for (std::size_t i = 0; i < refused.size(); ++i)
        EXPECT_THROW(buildWith(refused[i]), std::runtime_error) << i;
    EXPECT_NO_THROW(buildWith([](RecordingPlan& p) { p.damage.duplicateChunk = 26; }));
}

TEST(MidGopStart, OpensWithAudioThenPicturesBeforeAnySequenceHeader) {
    const Built built = buildWith([](RecordingPlan& p) { p.layout.startPicture = 5; });
    const std::vector<ReadRecord> records = test::readRecords(built.file);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].header.type(), kestrel::kAudioType);
    const auto sequenceStart = std::find_if(records.begin(), records.end(), [](const auto& r) {
        return r.header.type() == kestrel::kVideoType && r.header.subtype() == 7;
    });
    const auto firstVideo = std::find_if(records.begin(), records.end(), [](const auto& r) {
        return r.header.type() == kestrel::kVideoType;
    });
    EXPECT_LT(firstVideo, sequenceStart);
    // Video from the second GOP's sequence header on; the first GOP had 13 pictures.
    const VideoStream& video = samples().video;
    const std::vector<std::uint8_t> fromSecondGop(
        video.bytes.begin() + static_cast<std::ptrdiff_t>(video.pictures[13].offset),
        video.bytes.end());
    EXPECT_TRUE(built.expectedVideo == fromSecondGop);
    // Audio from the first frame at most half a frame step before that GOP's I picture.
    EXPECT_EQ(built.firstVideoPts, 1234567 + 15 * 3003);
    const std::int64_t earliest = std::int64_t{built.firstVideoPts} - 1080;
    EXPECT_GE(built.firstAudioPts, earliest);
    EXPECT_LT(built.firstAudioPts - 2160, earliest);
    const std::size_t skipped = (built.firstAudioPts - 1234567) / 2160 * 768;
    EXPECT_EQ(built.expectedAudio.size(), samples().mp2.bytes.size() - skipped);
}

TEST(Loops, RepeatTheMaterialWithTimeStampsAndCountersRunningOn) {
    const Built built = buildWith([](RecordingPlan& p) { p.layout.iterations = 3; });
    std::vector<std::uint8_t> thrice;
    for (int i = 0; i < 3; ++i)
        thrice.insert(thrice.end(), samples().video.bytes.begin(), samples().video.bytes.end());
    EXPECT_TRUE(built.expectedVideo == thrice);
    std::uint32_t latest = 0;
    for (const ReadRecord& r : test::readRecords(built.file))
        if (test::isVideoPacketHeader(r))
            latest = std::max(latest, test::ptsField(r.payload.subspan(9, 5)));
    EXPECT_EQ(latest, 1234567 + 899 * 3003);
}

TEST(Loops, MinimumSizeEndsAtTheFirstChunkThatReachesIt) {
    const Built built = buildWith([](RecordingPlan& p) {
        p.minSize = 50 * kChunkSize + 1;
        p.layout.iterations = 0;
    });
    EXPECT_EQ(built.file.size(), 51 * kChunkSize);
    const std::vector<ReadRecord> records = test::readRecords(built.file);
    EXPECT_TRUE(built.expectedVideo == test::demultiplexedVideo(records));
}

}  // namespace
}  // namespace recbuild
