#include "analysis/recorder_detection.h"

#include <gtest/gtest.h>

#include <memory>
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
using test::filler;
using test::TestRecord;

TestRecord markerRecord(std::uint8_t byte15 = 0x04) {
    return {.size = 16,
            .subtype = 3,
            .type = kAudioType,
            .payload = filler(16),
            .tail = {0, 0, 0, 0, 1, 2, 3, byte15}};
}

TestRecord audio(ByteVector payload) {
    return {.type = kAudioType, .payload = std::move(payload)};
}

// Layer II packet start with its sync `distance` bytes on, inside `length` bytes.
ByteVector layer2Start(std::size_t distance, std::size_t length) {
    ByteVector p = filler(length);
    p[0] = 0x00, p[1] = 0x00, p[2] = 0x01, p[3] = 0xC0;
    p[distance] = 0xFF, p[distance + 1] = 0xFD;
    return p;
}

ByteVector dolbyStart(std::size_t length) {
    ByteVector p = filler(length);
    p[0] = 0x00, p[1] = 0x00, p[2] = 0x01, p[3] = 0xBD;
    p[14] = 0x0B, p[15] = 0x77;
    return p;
}

TEST(DetectStandalone, OnlyAComplete16ByteSubtype3AudioRecordIsAMarker) {
    struct Case {
        const char* what;
        TestRecord record;
        std::int32_t expected;
    };
    TestRecord size17 = markerRecord();
    size17.size = 17;
    TestRecord subtype2 = markerRecord();
    subtype2.subtype = 2;
    TestRecord video = markerRecord();
    video.type = kVideoType;
    const Case cases[] = {{"marker", markerRecord(), 1},
                          {"byte 15 zero", markerRecord(0), 0},
                          {"size 17", size17, 0},
                          {"subtype 2", subtype2, 0},
                          {"video type", video, 0}};
    for (const Case& c : cases) {
        auto chunk = ChunkBuilder().add(audio(filler(40))).add(c.record).build();
        EXPECT_EQ(detectStandalone(chunk->view()), c.expected) << c.what;
    }
}

TEST(CountAudioHeaders, EachAudioRecordCountsAtMostOncePerKind) {
    RunState run;
    // Three Layer II packet starts in one record, then a record with both kinds.
    const ByteVector three =
        concat({layer2Start(11, 40), layer2Start(11, 40), layer2Start(11, 40)});
    const ByteVector both = concat({layer2Start(11, 20), dolbyStart(20)});
    auto chunk = ChunkBuilder().add(audio(three)).add(audio(both)).build();
    std::int32_t layer2 = 0, dd51 = 0;
    EXPECT_EQ(countAudioHeaders(run, chunk->view(), layer2, dd51), 1);
    EXPECT_EQ(layer2, 2);
    EXPECT_EQ(dd51, 1);
}

TEST(CountAudioHeaders, ScansReadOnlyTheRecordsOwnPayload) {
    RunState run;
    std::int32_t layer2 = 0, dd51 = 0;
    // 13 and 16 bytes are the shortest records that hold a whole match.
    auto fits = ChunkBuilder().add(audio(layer2Start(11, 13))).add(audio(dolbyStart(16))).build();
    countAudioHeaders(run, fits->view(), layer2, dd51);
    EXPECT_EQ(layer2, 1);
    EXPECT_EQ(dd51, 1);

    // One byte shorter: the sync bytes belong to the next record.
    ByteVector l2 = layer2Start(11, 13), dd = dolbyStart(16);
    auto split = ChunkBuilder()
                     .add(audio(ByteVector(l2.begin(), l2.end() - 1)))
                     .add(audio({l2.back()}))
                     .add(audio(ByteVector(dd.begin(), dd.end() - 1)))
                     .add(audio({dd.back()}))
                     .build();
    layer2 = dd51 = 0;
    countAudioHeaders(run, split->view(), layer2, dd51);
    EXPECT_EQ(layer2, 0);
    EXPECT_EQ(dd51, 0);
}

TEST(CountAudioHeaders, OnlyAudioRecordsAreScanned) {
    RunState run;
    auto chunk = ChunkBuilder()
                     .add({.type = kVideoType, .payload = layer2Start(11, 20)})
                     .add({.type = 2, .payload = dolbyStart(20)})
                     .build();
    std::int32_t layer2 = 0, dd51 = 0;
    countAudioHeaders(run, chunk->view(), layer2, dd51);
    EXPECT_EQ(layer2 + dd51, 0);
    ChunkBuffer empty;
    EXPECT_EQ(countAudioHeaders(run, empty.view(), layer2, dd51), 0);
}

TEST(CountAudioHeaders, StandaloneLooksForTheSyncSixteenBytesOn) {
    RunState run{.saMode = 1, .audioPesHeaderLength = 16};
    auto chunk =
        ChunkBuilder().add(audio(layer2Start(11, 40))).add(audio(layer2Start(16, 40))).build();
    std::int32_t layer2 = 0, dd51 = 0;
    countAudioHeaders(run, chunk->view(), layer2, dd51);
    EXPECT_EQ(layer2, 1);
}

// Ten analysis chunks, each with one audio record built by `make(i)`.
struct AnalysisChunks {
    std::vector<std::unique_ptr<ChunkBuffer>> buffers;
    std::vector<Bytes> views;

    template <typename Make>
    explicit AnalysisChunks(Make make) {
        for (int i = 0; i < 10; ++i) {
            buffers.push_back(make(i).build());
            views.push_back(buffers.back()->view());
        }
    }
};

TEST(DecideRecorderType, FirstMarkerMakesTheRecordingStandalone) {
    AnalysisChunks chunks([](int i) {
        ChunkBuilder b;
        b.add(audio(filler(20)));
        if (i == 4) b.add(markerRecord());
        return b;
    });
    CapturedConsole out;
    RunState run;
    decideRecorderType(out.console(), run, chunks.views);
    EXPECT_EQ(out.text(), "Detected Tivo Type: Standalone\n");
    EXPECT_EQ(run.saMode, 1);
    EXPECT_EQ(run.audioPesHeaderLength, 16);
}

TEST(DecideRecorderType, WithoutMarkerTheOptionDecides) {
    AnalysisChunks chunks([](int) { return ChunkBuilder().add(audio(filler(20))); });
    for (const std::int32_t saMode : {0, 1}) {
        CapturedConsole out;
        RunState run{.saMode = saMode};
        decideRecorderType(out.console(), run, chunks.views);
        EXPECT_EQ(out.text(),
                  saMode != 0 ? "Detected Tivo Type: Standalone\n" : "Detected Tivo Type: DTivo\n");
        EXPECT_EQ(run.audioPesHeaderLength, 11);
    }
}

TEST(DecideAudioType, ChunkWithBothKindsCountsForNeither) {
    // Chunk 0 holds three Dolby Digital records and one Layer II record:
    // counted, it would make Dolby Digital win 6 to 5; ignored, Layer II wins 4 to 3.
    AnalysisChunks chunks([](int i) {
        ChunkBuilder b;
        if (i == 0)
            b.add(audio(dolbyStart(20)))
                .add(audio(dolbyStart(20)))
                .add(audio(dolbyStart(20)))
                .add(audio(layer2Start(11, 20)));
        else if (i <= 4)
            b.add(audio(layer2Start(11, 20)));
        else if (i <= 7)
            b.add(audio(dolbyStart(20)));
        return b.add(audio(filler(20)));
    });
    CapturedConsole out;
    RunState run;
    AudioTypeCounts counts;
    decideAudioType(out.console(), run, counts, chunks.views);
    EXPECT_EQ(out.text(),
              "Woah... We saw both LayerII headers and DD5.1 headers. Should never happen...\n"
              "Ignoring this chunk...\n"
              "Detected Audio Stream Type: MPEG Layer II\n");
    EXPECT_EQ(counts.layer2HeaderTotal, 4);
    EXPECT_EQ(counts.dd51HeaderTotal, 3);
    EXPECT_EQ(run.audioType, kLayer2Audio);
}

TEST(DecideAudioType, DolbyDigitalNeedsAMajority) {
    for (const int dolbyChunks : {5, 6}) {
        AnalysisChunks chunks([dolbyChunks](int i) {
            return ChunkBuilder().add(
                audio(i < dolbyChunks ? dolbyStart(20) : layer2Start(11, 20)));
        });
        CapturedConsole out;
        RunState run;
        AudioTypeCounts counts;
        decideAudioType(out.console(), run, counts, chunks.views);
        const bool dolby = dolbyChunks == 6;
        EXPECT_EQ(out.text(), dolby ? "Detected Audio Stream Type: Dolby Digital 5.1\n"
                                    : "Detected Audio Stream Type: MPEG Layer II\n");
        EXPECT_EQ(run.audioType, dolby ? kDolbyAudio : kLayer2Audio);
    }
}

}  // namespace
}  // namespace kestrel
