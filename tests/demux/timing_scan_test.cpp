// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demux/chunk_timing.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

constexpr std::int32_t kB = 0x400000;  // a counter well above the threshold

// Scans one chunk with fresh run-long state; returns the timing and the console text.
std::pair<ChunkTiming, std::string> scan(const ChunkBuilder& builder, std::int32_t saMode) {
    CapturedConsole out;
    const RunState run{.saMode = saMode};
    Decoder decoder{out.console(), run};
    VideoCountState state;
    AudioScratch scratch;
    ChunkTiming timing;
    scanChunkTiming(decoder, state, scratch, builder.build()->view(), timing);
    return {timing, out.text()};
}

TEST(TimingScan, ByteCountersFollowTheRecordersRules) {
    struct Record {
        std::uint32_t size;
        std::int32_t counter;  // below the threshold: uncounted
        std::uint8_t subtype = 0;
    };
    struct Case {
        std::uint8_t type;
        std::int32_t saMode;
        std::vector<Record> records;
        ByteCountRange expected;
        std::string report;  // how the console text starts; empty: nothing printed
    };
    const std::string vidOff = "### The Vid Body is off! ", audOff = "$$$ The Aud Body is off! ";
    const std::string vidGap = vidOff + "30  0  0 -> 30  0 10  diff == 0xFFFFFFF0 (-16)\n";
    const std::string audGap = audOff + "31  0 41 -> 31  0 40  diff == 0x1 (1)\n";
    // A sequence-header record opens a window of 88 counted bytes; the recorder
    // counts 16 bytes of PES header in it, whether a record shows them or not.
    const auto window = [](bool pesRecord, std::int32_t closingCounter) {
        std::vector<Record> r = {{40, kB, kSeqStartSubtype}, {30, kB + 40}, {18, kB + 70}};
        if (pesRecord) r.push_back({16, 0, kVideoPesSubtype});
        r.push_back({100, closingCounter});
        return r;
    };
    const Case cases[] = {
        // Counters may fall back by one of the stream's known jumps, not by others or forward.
        {kVideoType, 0, {{100, kB}, {50, kB + 100 - 838624}}, {kB, kB + 150 - 838624}, ""},
        {kVideoType, 0, {{100, kB}, {50, kB + 100 + 838624}}, {kB, kB + 150 + 838624}, vidOff},
        {kVideoType, 0, {{100, kB}, {50, kB + 100 - 838655}}, {kB, kB + 150 - 838655}, vidOff},
        {kAudioType, 0, {{100, kB}, {50, kB + 100 - 128736}}, {kB, kB + 150 - 128736}, ""},
        {kAudioType, 0, {{100, kB}, {50, kB + 100 - 1139712}}, {kB, kB + 150 - 1139712}, audOff},
        // A gap is shown with the record's counter bytes and the expected ones; the
        // stream goes on from the record that was off.
        {kVideoType, 0, {{0x20, 0x2FFFF0}, {0x10, 0x300000}}, {0x2FFFF0, 0x300010}, vidGap},
        {kAudioType, 0, {{0x40, 0x310000}, {0x40, 0x310041}}, {0x310000, 0x310081}, audGap},
        // The window's PES header bytes are counted once, with or without a record
        // for them; Standalone recorders open no window.
        {kVideoType, 0, window(false, kB + 104), {kB, kB + 204}, ""},
        {kVideoType, 0, window(false, kB + 88), {kB, kB + 188}, vidOff},
        {kVideoType, 0, window(true, kB + 104), {kB, kB + 204}, ""},
        {kVideoType, 1, window(true, kB + 88), {kB, kB + 188}, ""},
        // Uncounted 4-byte records add 0, 4, 0 outside a window and 8, 4, 8 inside.
        {kVideoType, 0, {{20, kB}, {4, 0}, {4, 0}, {4, 0}}, {kB, kB + 24}, ""},
        {kVideoType, 0, {{20, kB, kSeqStartSubtype}, {4, 0}, {4, 0}, {4, 0}}, {kB, kB + 40}, ""},
        // 8-byte ones add 8 outside and 16 inside; before the first counted record
        // they move the start back.
        {kVideoType, 0, {{8, 0}, {20, kB, kSeqStartSubtype}, {8, 0}}, {kB - 8, kB + 36}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        ChunkBuilder chunk;
        for (const Record& r : c.records) {
            const bool pes = r.size == 16 && r.subtype == kVideoPesSubtype;
            chunk.add({.subtype = r.subtype,
                       .type = c.type,
                       .byteCount = static_cast<std::uint32_t>(r.counter),
                       .payload = pes ? videoPesHeader(9000) : ByteVector(r.size)});
        }
        const auto [timing, text] = scan(chunk, c.saMode);
        const ByteCountRange& range =
            c.type == kVideoType ? timing.vidByteCount : timing.audByteCount;
        EXPECT_EQ(range.start, c.expected.start);
        EXPECT_EQ(range.end, c.expected.end);
        EXPECT_TRUE(c.report.empty() ? text.empty() : text.starts_with(c.report)) << text;
    }
}

TEST(TimingScan, VideoStampsSpanTheChunkAndAudioOnesRunFromTheFirstToTheLargest) {
    const auto pes = [](std::uint8_t type, PtsTicks pts) {
        return TestRecord{
            .subtype = kVideoPesSubtype, .type = type, .payload = videoPesHeader(pts)};
    };
    const auto stamps = [](const ChunkBuilder& chunk) {
        const ChunkTiming t = scan(chunk, 0).first;
        return std::vector({t.sVid, t.eVid, t.sAud, t.eAud});
    };
    ChunkBuilder chunk;
    for (const PtsTicks pts : {5000, 3000, 4000})
        chunk.add(pes(kVideoType, pts));
    for (const PtsTicks pts : {5000, 3000, 4000})
        chunk.add({.type = kAudioType, .payload = dtivoLayer2Packet(pts, 384)});
    EXPECT_EQ(stamps(chunk), std::vector<PtsTicks>({3000, 5000, 5000, 5000}));
    // Records of types 1 and 2 never move the scan's payload offset, even with
    // a payload: the video header is read where theirs lies.
    EXPECT_EQ(stamps(ChunkBuilder().add(pes(1, 1000)).add(pes(2, 2000)).add(pes(kVideoType, 3000))),
              std::vector<PtsTicks>({1000, 1000, kNoPts, kNoPts}));
}

}  // namespace
}  // namespace kestrel
