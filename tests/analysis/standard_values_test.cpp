#include "analysis/standard_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

TestRecord audio(ByteVector payload) {
    return {.type = kAudioType, .payload = std::move(payload)};
}
TestRecord video(ByteVector payload, std::uint8_t subtype) {
    return {.subtype = subtype, .type = kVideoType, .payload = std::move(payload)};
}

// A fresh decoder over a run in DTivo or Standalone mode.
struct Measure {
    CapturedConsole out{kVerbose};
    RunState run;
    Decoder decoder{out.console(), run};

    explicit Measure(bool standalone = false) {
        if (!standalone) return;
        run.saMode = 1;
        run.audioPesHeaderLength = 16;
    }
    std::uint32_t audioSize(const ChunkBuilder& b, std::uint32_t& frameLength) {
        return chunkAudioSize(decoder, frameLength, b.build()->view());
    }
};

TEST(ChunkAudioSize, DTivoTakesTheLargestRecordAndRaisesTheFrameLength) {
    Measure m;
    std::uint32_t frameLength = 0;
    ChunkBuilder noFrames;
    noFrames.add(audio(filler(1500))).add(audio(filler(3000))).add(audio(filler(2000)));
    EXPECT_EQ(m.audioSize(noFrames, frameLength), 3000u);
    EXPECT_EQ(frameLength, 0u);

    ChunkBuilder frames;
    frames.add(audio(dtivoLayer2Packet(1000, 384, kLayer2Frame768)))
        .add(audio(dtivoLayer2Packet(4000, 384)));
    EXPECT_EQ(m.audioSize(frames, frameLength), 395u);
    EXPECT_EQ(frameLength, 768u);
    frameLength = 1000;  // never lowered
    m.audioSize(frames, frameLength);
    EXPECT_EQ(frameLength, 1000u);

    m.run.audioType = kDolbyAudio;
    frameLength = 0;
    m.audioSize(ChunkBuilder().add(audio(ac3Packet(1000, 200))), frameLength);
    EXPECT_EQ(frameLength, 1536u);
}

TEST(ChunkAudioSize, FrameHeaderAtARecordsEndIsReadOnIntoTheNextBytes) {
    Measure m;
    const ByteVector packet = dtivoLayer2Packet(1000, 4);  // ends with the sync word
    std::uint32_t frameLength = 0;
    m.audioSize(ChunkBuilder()
                    .add(audio(ByteVector(packet.begin(), packet.begin() + 13)))
                    .add({.type = 9, .payload = {0x84, 0x00}}),
                frameLength);
    EXPECT_EQ(frameLength, 384u);
}

TEST(ChunkAudioSize, StandaloneCountsTheHeaderRecordAndLooksForSyncsInFivePositions) {
    for (const std::size_t syncAt : {0u, 4u, 5u}) {
        Measure m(true);
        ByteVector data = filler(100);
        std::copy(kLayer2Frame384.begin(), kLayer2Frame384.end(), data.begin() + syncAt);
        std::uint32_t frameLength = 0;
        // The 16-byte header record holds a sync word too, but is never searched.
        const ByteVector header = concat({kLayer2Frame384, filler(12)});
        EXPECT_EQ(m.audioSize(ChunkBuilder().add(audio(header)), frameLength), 32u);
        EXPECT_EQ(m.audioSize(ChunkBuilder().add(audio(header)).add(audio(data)), frameLength),
                  116u);
        EXPECT_EQ(frameLength, syncAt < 5 ? 384u : 0u) << syncAt;
    }
}

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
        Measure m;
        ChunkBuilder b;
        for (const auto& pts : stamps)
            b.add(audio(pts ? dtivoLayer2Packet(*pts, 40) : filler(40)));
        EXPECT_EQ(chunkAudioDiff(m.decoder, b.build()->view()), expected) << stamps.size();
    }
}

TEST(ChunkAudioDiff, StandaloneReadsOnlySixteenByteHeaderRecords) {
    Measure m(true);
    ChunkBuilder b;
    for (const PtsTicks pts : {1000u, 3160u, 5320u, 7480u})
        b.add(audio(standaloneAudioHeader(pts)))
            .add(audio(concat({standaloneAudioHeader(pts + 90), filler(30)})));
    EXPECT_EQ(chunkAudioDiff(m.decoder, b.build()->view()), 2160u);
}

TEST(ChunkFirstVideoPts, OnlyAPesRecordAfterTheSequenceStartCounts) {
    const TestRecord start = video(filler(30), kSeqStartSubtype);
    auto pes = [](PtsTicks pts) { return video(videoPesHeader(pts), kVideoPesSubtype); };
    const std::pair<std::vector<TestRecord>, PtsTicks> cases[] = {
        {{start, pes(9000)}, 9000},
        {{pes(9000), start}, 0},
        {{pes(1000), start, video(filler(20), 6), pes(9000), pes(12000)}, 9000},
        {{start, video(concat({videoPesHeader(5000), {0}}), 6)}, 0},  // 17 bytes
    };
    for (const auto& [records, expected] : cases) {
        Measure m;
        ChunkBuilder b;
        for (const TestRecord& r : records)
            b.add(r);
        std::int32_t seqStartSeen = 0;
        EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, b.build()->view()), expected);
        EXPECT_EQ(m.out.text(), "We found the SEQ header start!\n");
    }
}

TEST(ChunkFirstVideoPts, SequenceStartCarriesOverToLaterChunksAndIsAnnouncedOnce) {
    Measure m;
    std::int32_t seqStartSeen = 0;
    auto first = ChunkBuilder().add(video(filler(30), kSeqStartSubtype)).build();
    auto second = ChunkBuilder()
                      .add(video(filler(30), kSeqStartSubtype))
                      .add(video(videoPesHeader(45000), kVideoPesSubtype))
                      .build();
    EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, first->view()), 0u);
    EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, second->view()), 45000u);
    EXPECT_EQ(m.out.take(), "We found the SEQ header start!\n");

    m.out.console().setVerboseLevel(kQuiet);
    seqStartSeen = 0;
    chunkFirstVideoPts(m.decoder, seqStartSeen, first->view());
    EXPECT_EQ(m.out.take(), "");
}

}  // namespace
}  // namespace kestrel
