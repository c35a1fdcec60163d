// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "builder/recording_reader.h"

namespace recbuild {
namespace {

using kestrel::kChunkSize;
using test::Built;
using test::ReadRecord;

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

// readRecords checks that every chunk's table and payloads fit it; kestrel
// itself would pass over a chunk that does not.
TEST(SampleRecording, ChunksOfEveryKindFitAndCarryTheWholeVideo) {
    using Kind = std::tuple<Family, bool, std::uint32_t>;  // family, ac3, splitAudioEvery
    for (const auto& [family, ac3, splitAudioEvery] :
         {Kind{Family::DTivo, false, 0}, Kind{Family::DTivo, true, 0},
          Kind{Family::Standalone, false, 0}, Kind{Family::DTivo, true, 3},
          Kind{Family::Standalone, false, 4}}) {
        SCOPED_TRACE(::testing::Message() << ac3 << " " << splitAudioEvery);
        RecordingPlan plan;
        plan.layout.family = family;
        plan.layout.splitAudioEvery = splitAudioEvery;
        const Built built = test::build(plan, ac3);
        EXPECT_EQ(built.file.size() % kChunkSize, 0u);
        // A Standalone recording opens with a chunk for -s to jump.
        const std::size_t first = family == Family::Standalone ? 1 : 0;
        EXPECT_TRUE(test::demultiplexedVideo(test::readRecords(built.file, first)) ==
                    built.expectedVideo);
    }
}

/// The audio records' payloads joined in file order.
std::vector<std::uint8_t> audioBytes(const std::vector<ReadRecord>& records) {
    std::vector<std::uint8_t> bytes;
    for (const ReadRecord& r : records)
        if (r.header.type() == kestrel::kAudioType)
            bytes.insert(bytes.end(), r.payload.begin(), r.payload.end());
    return bytes;
}

/// The audio records of one chunk.
std::vector<ReadRecord> audioRecords(Bytes file, std::size_t chunk) {
    std::vector<ReadRecord> records = test::readRecords(test::chunkAt(file, chunk));
    std::erase_if(records,
                  [](const ReadRecord& r) { return r.header.type() != kestrel::kAudioType; });
    return records;
}

TEST(SampleRecording, AudioSplitAcrossChunksFillsTheChunkAndKeepsEveryByte) {
    for (const auto& [family, ac3] :
         {std::pair{Family::DTivo, false}, std::pair{Family::DTivo, true},
          std::pair{Family::Standalone, false}}) {
        SCOPED_TRACE(::testing::Message() << ac3);
        RecordingPlan plan;
        plan.layout.family = family;
        const std::size_t first = family == Family::Standalone ? 1 : 0;
        const Built unsplit = test::build(plan, ac3);
        std::set<std::uint32_t> wholeSizes;
        for (const ReadRecord& r : audioRecords(unsplit.file, first))
            wholeSizes.insert(r.header.size());
        plan.layout.splitAudioAcrossChunks = true;
        const Built built = test::build(plan, ac3);
        std::size_t splits = 0;
        for (std::size_t c = first; c + 2 <= built.file.size() / kChunkSize; ++c) {
            const Bytes chunk = test::chunkAt(built.file, c);
            const ReadRecord last = test::readRecords(chunk).back();
            // A front fills its chunk but for the room kept for an end-of-data
            // record; the rest opens the next chunk's audio.
            if (last.header.type() != kestrel::kAudioType ||
                last.payload.data() + last.payload.size() !=
                    chunk.data() + kChunkSize - kSpareRecordRoom)
                continue;
            ++splits;
            const std::uint32_t rest = audioRecords(built.file, c + 1).front().header.size();
            EXPECT_TRUE(wholeSizes.contains(last.header.size() + rest)) << c;
        }
        EXPECT_GT(splits, 0u);
        EXPECT_TRUE(audioBytes(test::readRecords(built.file, first)) ==
                    audioBytes(test::readRecords(unsplit.file, first)));
    }
}

TEST(SampleRecording, DTivoAudioPacketsAreSplitOnceAtMost) {
    RecordingPlan plan;
    plan.layout.splitAudioEvery = 3;
    plan.layout.splitAudioAcrossChunks = true;
    EXPECT_THROW(test::build(plan), std::runtime_error);
}

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

TEST(Damage, LostChunksLeaveTheOthersInPlace) {
    const Built built = buildWith([](RecordingPlan& p) { p.damage.lostChunks = {5, 9, 10}; });
    std::size_t at = 0;
    for (std::size_t i = 0; i < clean().file.size() / kChunkSize; ++i) {
        if (i == 5 || i == 9 || i == 10) continue;
        EXPECT_TRUE(sameChunk(clean().file, i, built.file, at++)) << i;
    }
    EXPECT_EQ(built.file.size(), at * kChunkSize);
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

}  // namespace
}  // namespace recbuild
