#include "analysis/recorder_detection.h"

#include <gtest/gtest.h>

#include <memory>
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

// 00 00 01 `id` with the frame sync of that stream `distance` bytes on, in `length` bytes.
ByteVector packetStart(std::uint8_t id, std::size_t distance, std::size_t length = 20) {
    ByteVector p = filler(length);
    p[0] = 0x00, p[1] = 0x00, p[2] = 0x01, p[3] = id;
    p[distance] = id == 0xBD ? 0x0B : 0xFF;
    p[distance + 1] = id == 0xBD ? 0x77 : 0xFD;
    return p;
}
ByteVector layer2(std::size_t distance = 11) {
    return packetStart(0xC0, distance);
}
ByteVector dolby() {
    return packetStart(0xBD, 14);
}

TestRecord marker(std::uint32_t size = 16, std::uint8_t subtype = 3, std::uint8_t byte15 = 4) {
    return {.subtype = subtype,
            .type = kAudioType,
            .payload = filler(size),
            .tail = {0, 0, 0, 0, 1, 2, 3, byte15}};
}

// Ten analysis chunks, chunk i holding the records of `make(i)`.
struct Chunks {
    std::vector<std::unique_ptr<ChunkBuffer>> buffers;
    std::vector<Bytes> views;

    template <typename Make>
    explicit Chunks(Make make) {
        for (int i = 0; i < 10; ++i) {
            ChunkBuilder b;
            for (TestRecord& r : make(i))
                b.add(std::move(r));
            buffers.push_back(b.add({.type = kVideoType, .payload = filler(9)}).build());
            views.push_back(buffers.back()->view());
        }
    }
};

TEST(DetectStandalone, MarkerIsA16ByteSubtype3AudioRecordWithBytes12To15Set) {
    struct Case {
        std::uint32_t size;
        std::uint8_t subtype, byte15;
        std::int32_t expected;
    };
    for (const Case c :
         {Case{16, 3, 4, 1}, Case{16, 3, 0, 0}, Case{17, 3, 4, 0}, Case{16, 2, 4, 0}}) {
        auto chunk =
            ChunkBuilder().add(audio(filler(40))).add(marker(c.size, c.subtype, c.byte15)).build();
        EXPECT_EQ(detectStandalone(chunk->view()), c.expected) << c.size << " " << int(c.subtype);
    }
}

TEST(CountAudioHeaders, EachAudioRecordCountsOncePerKindFromItsOwnBytes) {
    const ByteVector l2 = layer2(), dd = dolby();
    auto chunk = ChunkBuilder()
                     .add(audio(concat({l2, l2, l2})))                     // Layer II once
                     .add(audio(concat({l2, dd})))                         // both kinds
                     .add(audio(ByteVector(l2.begin(), l2.begin() + 13)))  // just fits
                     .add(audio(ByteVector(dd.begin(), dd.begin() + 16)))  // just fits
                     // The sync's last byte opens the next record: not counted.
                     .add(audio(ByteVector(l2.begin(), l2.begin() + 12)))
                     .add(audio(concat({{0xFD}, ByteVector(dd.begin(), dd.begin() + 15)})))
                     .add(audio(concat({{0x77}, filler(4)})))
                     .add({.type = kVideoType, .payload = concat({l2, dd})})
                     .build();
    std::int32_t layer2Count = 0, dd51Count = 0;
    EXPECT_EQ(countAudioHeaders(RunState{}, chunk->view(), layer2Count, dd51Count), 1);
    EXPECT_EQ(layer2Count, 3);
    EXPECT_EQ(dd51Count, 2);
    ChunkBuffer empty;
    EXPECT_EQ(countAudioHeaders(RunState{}, empty.view(), layer2Count, dd51Count), 0);
}

TEST(CountAudioHeaders, StandaloneLooksForTheSyncSixteenBytesOn) {
    auto chunk = ChunkBuilder().add(audio(layer2(11))).add(audio(layer2(16))).build();
    std::int32_t layer2Count = 0, dd51Count = 0;
    countAudioHeaders(RunState{.saMode = 1, .audioPesHeaderLength = 16}, chunk->view(), layer2Count,
                      dd51Count);
    EXPECT_EQ(layer2Count, 1);
}

TEST(DecideRecorderType, FirstMarkerOrTheOptionMakesTheRecordingStandalone) {
    struct Case {
        int markerChunk;
        std::int32_t option;
        const char* expected;
    };
    for (const Case c :
         {Case{4, 0, "Standalone"}, Case{-1, 1, "Standalone"}, Case{-1, 0, "DTivo"}}) {
        Chunks chunks([&](int i) {
            return i == c.markerChunk ? std::vector{marker()} : std::vector<TestRecord>{};
        });
        CapturedConsole out;
        RunState run{.saMode = c.option};
        decideRecorderType(out.console(), run, chunks.views);
        EXPECT_EQ(out.text(), std::string("Detected Tivo Type: ") + c.expected + "\n");
        EXPECT_EQ(run.audioPesHeaderLength, c.markerChunk >= 0 ? 16 : 11);
    }
}

TEST(DecideAudioType, MajorityDecidesAndAChunkWithBothKindsCountsForNeither) {
    const std::string woah =
        "Woah... We saw both LayerII headers and DD5.1 headers. Should never happen...\n"
        "Ignoring this chunk...\n";
    struct Case {
        int dolbyChunks;  // chunks 0.. hold Dolby Digital, the rest Layer II
        bool mixedFirst;  // chunk 0 holds three Dolby Digital records and one Layer II
        std::string expected;
    };
    const Case cases[] = {
        {5, false, "Detected Audio Stream Type: MPEG Layer II\n"},
        {6, false, "Detected Audio Stream Type: Dolby Digital 5.1\n"},
        // Counted, chunk 0 would make Dolby Digital win 7 to 6.
        {5, true, woah + "Detected Audio Stream Type: MPEG Layer II\n"},
    };
    for (const Case& c : cases) {
        Chunks chunks([&](int i) {
            if (i == 0 && c.mixedFirst)
                return std::vector{audio(dolby()), audio(dolby()), audio(dolby()), audio(layer2())};
            return std::vector{audio(i < c.dolbyChunks ? dolby() : layer2())};
        });
        CapturedConsole out;
        RunState run;
        AudioTypeCounts counts;
        decideAudioType(out.console(), run, counts, chunks.views);
        EXPECT_EQ(out.text(), c.expected);
        EXPECT_EQ(run.audioType, c.dolbyChunks == 6 ? kDolbyAudio : kLayer2Audio);
    }
}

}  // namespace
}  // namespace kestrel
