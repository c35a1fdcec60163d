#include "analysis/standard_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using test::ByteVector;
using test::CapturedConsole;
using test::ChunkBuilder;
using test::concat;
using test::dtivoLayer2Packet;
using test::filler;
using test::TestRecord;

TestRecord audio(ByteVector payload) {
    return {.type = kAudioType, .payload = std::move(payload)};
}
TestRecord video(ByteVector payload, std::uint8_t subtype) {
    return {.subtype = subtype, .type = kVideoType, .payload = std::move(payload)};
}

// Runs a measurement with a fresh decoder over `run`.
struct Measure {
    CapturedConsole out{kVerbose};
    RunState run;
    Decoder decoder{out.console(), run};
};

TEST(ChunkAudioSize, DTivoTakesTheLargestRecordWithOrWithoutFrames) {
    Measure m;
    std::uint32_t frameLength = 0;
    auto chunk = ChunkBuilder()
                     .add(audio(filler(1500)))
                     .add(audio(filler(3000)))
                     .add(audio(filler(2000)))
                     .build();
    EXPECT_EQ(chunkAudioSize(m.decoder, frameLength, chunk->view()), 3000u);
    EXPECT_EQ(frameLength, 0u);
}

TEST(ChunkAudioSize, RaisesButNeverLowersTheFrameLength) {
    Measure m;
    auto chunk = ChunkBuilder()
                     .add(audio(dtivoLayer2Packet(1000, 384, test::kLayer2Frame768)))
                     .add(audio(dtivoLayer2Packet(4000, 384)))
                     .build();
    std::uint32_t frameLength = 0;
    EXPECT_EQ(chunkAudioSize(m.decoder, frameLength, chunk->view()), 395u);
    EXPECT_EQ(frameLength, 768u);
    frameLength = 1000;
    chunkAudioSize(m.decoder, frameLength, chunk->view());
    EXPECT_EQ(frameLength, 1000u);

    m.run.audioType = kDolbyAudio;
    auto dolby = ChunkBuilder().add(audio(test::ac3Packet(1000, 200))).build();
    frameLength = 0;
    chunkAudioSize(m.decoder, frameLength, dolby->view());
    EXPECT_EQ(frameLength, 1536u);
}

TEST(ChunkAudioSize, FrameHeaderAtARecordsEndIsReadOnIntoTheNextBytes) {
    // The record ends right after the two sync bytes; the bit-rate byte
    // follows in the next record's payload.
    Measure m;
    const ByteVector packet = dtivoLayer2Packet(1000, 4);
    auto chunk = ChunkBuilder()
                     .add(audio(ByteVector(packet.begin(), packet.begin() + 13)))
                     .add({.type = 9, .payload = {0x84, 0x00}})
                     .build();
    std::uint32_t frameLength = 0;
    chunkAudioSize(m.decoder, frameLength, chunk->view());
    EXPECT_EQ(frameLength, 384u);
}

TEST(ChunkAudioSize, StandaloneCountsTheHeaderRecordAndFindsSyncsInTheFirstFivePositions) {
    struct Case {
        std::size_t syncAt;
        std::uint32_t expectedFrameLength;
    };
    for (const Case c : {Case{0, 384}, Case{4, 384}, Case{5, 0}}) {
        Measure m;
        m.run.saMode = 1;
        m.run.audioPesHeaderLength = 16;
        ByteVector data = filler(100);
        std::copy(test::kLayer2Frame384.begin(), test::kLayer2Frame384.end(),
                  data.begin() + static_cast<std::ptrdiff_t>(c.syncAt));
        auto chunk =
            ChunkBuilder().add(audio(test::standaloneAudioHeader(1000))).add(audio(data)).build();
        std::uint32_t frameLength = 0;
        EXPECT_EQ(chunkAudioSize(m.decoder, frameLength, chunk->view()), 116u);
        EXPECT_EQ(frameLength, c.expectedFrameLength) << c.syncAt;
    }
}

TEST(ChunkAudioSize, StandaloneHeaderRecordsAloneGiveThirtyTwoAndNoFrame) {
    Measure m;
    m.run.saMode = 1;
    m.run.audioPesHeaderLength = 16;
    // The header record's stuffing and the next one's start look like nothing
    // to the sync search: a 16-byte record is never searched.
    auto chunk = ChunkBuilder()
                     .add(audio(concat({{0xFF, 0xFD, 0x84, 0x00}, filler(12)})))
                     .add(audio(test::standaloneAudioHeader(1000)))
                     .build();
    std::uint32_t frameLength = 0;
    EXPECT_EQ(chunkAudioSize(m.decoder, frameLength, chunk->view()), 32u);
    EXPECT_EQ(frameLength, 0u);
}

// A DTivo Layer II chunk with one audio record per entry; nullopt is a record
// without a packet header.
std::unique_ptr<ChunkBuffer> audioChunk(const std::vector<std::optional<PtsTicks>>& stamps) {
    ChunkBuilder b;
    for (const auto& pts : stamps)
        b.add(audio(pts ? dtivoLayer2Packet(*pts, 40) : filler(40)));
    return b.build();
}

TEST(ChunkAudioDiff, SmallestStepMustOccurThreeTimes) {
    struct Case {
        const char* what;
        std::vector<std::optional<PtsTicks>> stamps;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"cut to whole ms", {1000, 3160, 5320, 7480}, 2160},
        {"two steps", {1000, 3160, 5320}, 0},
        {"smaller step restarts the count", {1000, 3160, 5320, 7480, 8560}, 0},
        {"starting value counts",
         {0x10000, 0x10000 + 11520, 0x10000 + 23040, 0x10000 + 34560},
         11520},
        {"larger step ignored", {1000, 3160, 9000, 11160, 13320}, 2160},
        {"missing stamp keeps the run", {1000, 3160, std::nullopt, 5320, 7480}, 2160},
        {"backward step ignored", {1000, 3160, 5320, 100, 2260, 4420}, 2160},
        {"no steps", {std::nullopt, std::nullopt}, 0},
    };
    for (const Case& c : cases) {
        Measure m;
        EXPECT_EQ(chunkAudioDiff(m.decoder, audioChunk(c.stamps)->view()), c.expected) << c.what;
    }
}

TEST(ChunkAudioDiff, StandaloneReadsOnlySixteenByteHeaderRecords) {
    Measure m;
    m.run.saMode = 1;
    m.run.audioPesHeaderLength = 16;
    ChunkBuilder b;
    for (const PtsTicks pts : {1000u, 3160u, 5320u, 7480u}) {
        b.add(audio(test::standaloneAudioHeader(pts)));
        // A longer record holding a packet header is not read.
        b.add(audio(concat({test::standaloneAudioHeader(pts + 90), filler(30)})));
    }
    EXPECT_EQ(chunkAudioDiff(m.decoder, b.build()->view()), 2160u);
}

TEST(ChunkFirstVideoPts, OnlyAPesRecordAfterTheSequenceStartCounts) {
    struct Case {
        const char* what;
        std::vector<TestRecord> records;
        PtsTicks expected;
    };
    const TestRecord seqStart = video(filler(30), kSeqStartSubtype);
    const Case cases[] = {
        {"start then header", {seqStart, video(test::videoPesHeader(9000), 6)}, 9000},
        {"header then start", {video(test::videoPesHeader(9000), 6), seqStart}, 0},
        {"earlier header ignored",
         {video(test::videoPesHeader(1000), 6), seqStart, video(filler(20), 6),
          video(test::videoPesHeader(9000), 6), video(test::videoPesHeader(12000), 6)},
         9000},
        {"17-byte subtype 6 is no header",
         {seqStart, video(concat({test::videoPesHeader(5000), {0}}), 6)},
         0},
    };
    for (const Case& c : cases) {
        Measure m;
        ChunkBuilder b;
        for (const TestRecord& r : c.records)
            b.add(r);
        std::int32_t seqStartSeen = 0;
        EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, b.build()->view()), c.expected)
            << c.what;
        EXPECT_EQ(seqStartSeen, 1) << c.what;
        EXPECT_EQ(m.out.text(), "We found the SEQ header start!\n") << c.what;
    }
}

TEST(ChunkFirstVideoPts, SequenceStartCarriesOverToLaterChunks) {
    Measure m;
    std::int32_t seqStartSeen = 0;
    auto first = ChunkBuilder().add(video(filler(30), kSeqStartSubtype)).build();
    auto second = ChunkBuilder()
                      .add(video(filler(30), kSeqStartSubtype))
                      .add(video(test::videoPesHeader(45000), 6))
                      .build();
    EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, first->view()), 0u);
    EXPECT_EQ(chunkFirstVideoPts(m.decoder, seqStartSeen, second->view()), 45000u);
    EXPECT_EQ(m.out.take(), "We found the SEQ header start!\n");  // once per run

    m.out.console().setVerboseLevel(kQuiet);
    std::int32_t fresh = 0;
    chunkFirstVideoPts(m.decoder, fresh, first->view());
    EXPECT_EQ(fresh, 1);
    EXPECT_EQ(m.out.take(), "");  // the message is verbose only
}

}  // namespace
}  // namespace kestrel
