// SPDX-License-Identifier: MIT
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

// 20-byte packet starts of either kind, with the frame sync where DTivo recorders put it.
const ByteVector kLayer2 = dtivoLayer2Packet(1000, 9),
                 kDolby = concat({fullPesHeader(0xBD, 1000), {0x0B, 0x77}, filler(4)});

TEST(DetectStandalone, MarkerIsA16ByteSubtype3AudioRecordWithBytes12To15Set) {
    struct Case {
        std::uint32_t size;
        std::uint8_t subtype, byte15;
        std::int32_t expected;
    };
    for (const Case c :
         {Case{16, 3, 4, 1}, Case{16, 3, 0, 0}, Case{17, 3, 4, 0}, Case{16, 2, 4, 0}}) {
        const TestRecord marker{.subtype = c.subtype,
                                .type = kAudioType,
                                .payload = filler(c.size),
                                .tail = {0, 0, 0, 0, 1, 2, 3, c.byte15}};
        auto chunk = ChunkBuilder().add(audio(filler(40))).add(marker).build();
        EXPECT_EQ(detectStandalone(chunk->view()), c.expected) << c.size << " " << int(c.subtype);
    }
}

TEST(CountAudioHeaders, EachAudioRecordCountsOncePerKindFromItsOwnBytes) {
    const auto first = [](const ByteVector& v, std::ptrdiff_t n) {
        return ByteVector(v.begin(), v.begin() + n);
    };
    auto chunk = ChunkBuilder()
                     .add(audio(concat({kLayer2, kLayer2, kLayer2})))  // Layer II once
                     .add(audio(concat({kLayer2, kDolby})))            // both kinds
                     .add(audio(first(kDolby, 16)))                    // just fits
                     // The sync's last byte opens the next record: not counted.
                     .add(audio(first(kLayer2, 12)))
                     .add(audio({0xFD, 0x40}))
                     .add({.type = kVideoType, .payload = concat({kLayer2, kDolby})})
                     // Sync 16 bytes on: counted in Standalone mode only.
                     .add(audio(concat({standaloneAudioHeader(1000), kLayer2Frame384})))
                     .build();
    for (const std::int32_t standalone : {0, 1}) {
        const RunState run{.saMode = standalone, .audioPesHeaderLength = standalone != 0 ? 16 : 11};
        std::int32_t layer2Count = 0, dd51Count = 0;
        countAudioHeaders(run, chunk->view(), layer2Count, dd51Count);
        EXPECT_EQ(layer2Count, standalone ? 1 : 2);
        EXPECT_EQ(dd51Count, 2);
    }
}

TEST(DecideAudioType, MajorityDecidesAndAChunkWithBothKindsCountsForNeither) {
    const std::string woah =
        "Woah... We saw both LayerII headers and DD5.1 headers. Should never happen...\n"
        "Ignoring this chunk...\n";
    // Each chunk's audio records, D for Dolby Digital and L for Layer II.
    const std::string layer2 = "Detected Audio Stream Type: MPEG Layer II\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"L", "D"}, layer2},  // a tie
        {{"L", "D", "D"}, "Detected Audio Stream Type: Dolby Digital 5.1\n"},
        {{"DDDL", "L"}, woah + layer2},  // counted, Dolby Digital would win 3 to 2
    };
    for (const auto& [kinds, expected] : cases) {
        std::vector<std::unique_ptr<ChunkBuffer>> buffers;
        std::vector<Bytes> chunks;
        for (const std::string& records : kinds) {
            ChunkBuilder b;
            for (const char kind : records)
                b.add(audio(kind == 'D' ? kDolby : kLayer2));
            buffers.push_back(b.build());
            chunks.push_back(buffers.back()->view());
        }
        CapturedConsole out;
        RunState run;
        AudioTypeCounts counts;
        decideAudioType(out.console(), run, counts, chunks);
        EXPECT_EQ(out.text(), expected);
        EXPECT_EQ(run.audioType, expected.ends_with(layer2) ? kLayer2Audio : kDolbyAudio);
    }
}

}  // namespace
}  // namespace kestrel
