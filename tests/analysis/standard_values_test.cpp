// SPDX-License-Identifier: MIT
#include "analysis/standard_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "support/chunk_builder.h"
#include "support/header_bytes.h"

namespace kestrel {
namespace {

using namespace test;

TEST(ChunkAudioDiff, SmallestStepMustOccurThreeTimes) {
    using Stamps = std::vector<std::optional<PtsTicks>>;  // nullopt: a record without header
    const std::pair<Stamps, std::uint32_t> cases[] = {
        {{1000, 3160, 5320, 7480}, 2160},  // cut to 990, 3150, 5310, 7470
        {{1000, 3160, 5320}, 0},
        {{1000, 3160, 5320, 7480, 8560}, 0},  // a smaller step restarts the count
        {{0x10000, 0x10000 + 11520, 0x10000 + 23040, 0x10000 + 34560}, 11520},
        {{1000, 3160, 9000, 11160, 13320}, 2160},        // larger step ignored
        {{1000, 3160, std::nullopt, 5320, 7480}, 2160},  // missing stamp keeps the run
        {{1000, 3160, 5320, 100, 2260}, 2160},           // backward step ignored
    };
    for (const auto& [stamps, expected] : cases) {
        TestDecoder t;
        ChunkBuilder b;
        for (const auto& pts : stamps)
            b.add({.type = kAudioType, .payload = pts ? dtivoLayer2Packet(*pts, 40) : filler(40)});
        EXPECT_EQ(chunkAudioDiff(t.decoder, b.build()->view()), expected) << stamps.size();
    }
}

TEST(ChunkAudioSize, StandaloneRecordsCountTheirHeaderRecordAndSyncWithinFiveBytes) {
    const auto syncAt = [](std::size_t at) {
        return concat({filler(at), kLayer2Frame384, filler(100)});
    };
    using Records = std::vector<ByteVector>;  // then the size and the frame length found
    const std::tuple<Records, std::uint32_t, std::uint32_t> cases[] = {
        {{standaloneAudioHeader(1000)}, 16 + 16, 0},
        {{standaloneAudioHeader(1000), syncAt(4)}, 108 + 16, 384},
        {{syncAt(5)}, 109 + 16, 0},
    };
    for (const auto& [records, size, frameLength] : cases) {
        TestDecoder t;
        t.run.saMode = 1;
        t.run.audioPesHeaderLength = 16;
        ChunkBuilder b;
        for (const ByteVector& payload : records)
            b.add({.type = kAudioType, .payload = payload});
        std::uint32_t found = 0;
        EXPECT_EQ(chunkAudioSize(t.decoder, found, b.build()->view()), size);
        EXPECT_EQ(found, frameLength) << size;
    }
}

TEST(ChunkFirstVideoPts, FirstPacketHeaderAfterTheFirstSequenceHeaderOfAnyChunk) {
    const auto video = [](std::uint8_t subtype, PtsTicks pts) {
        return TestRecord{.subtype = subtype, .type = kVideoType, .payload = videoPesHeader(pts)};
    };
    TestDecoder t;
    t.out.console().setVerboseLevel(kVerbose);
    std::int32_t seqStartSeen = 0;
    const auto first = [&](const ChunkBuilder& b) {
        return chunkFirstVideoPts(t.decoder, seqStartSeen, b.build()->view());
    };
    constexpr std::uint8_t kPes = kVideoPesSubtype, kSeq = kSeqStartSubtype;
    // A header before the sequence header is ignored, and one in a later chunk counts.
    EXPECT_EQ(first(ChunkBuilder().add(video(kPes, 1000)).add(video(kSeq, 0))), 0u);
    EXPECT_EQ(first(ChunkBuilder().add(video(kPes, 2000)).add(video(kPes, 3000))), 2000u);
    EXPECT_EQ(t.out.text(), "We found the SEQ header start!\n");
}

}  // namespace
}  // namespace kestrel
