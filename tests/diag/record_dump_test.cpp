// SPDX-License-Identifier: MIT
#include "diag/record_dump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/chunk_builder.h"
#include "support/header_bytes.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;
using test::hex;

const std::string kNoNextBytes =
    "  Next Start:    0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n";
const std::string kDone = "*****DONE with HEADERS!!!!!\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string dump(test::TestDecoder& t, DumpCounters& counters, Bytes chunk) {
    dumpRecordTable(t.decoder, counters, "ParseChunk", chunk);
    return t.out.take();
}

TEST(DumpRecordTable, ListsAnAudioRecordWithItsPayloadAndPacketStamp) {
    // A short audio packet header (time stamp 90000) and the start of a frame.
    const auto chunk = ChunkBuilder()
                           .add({.type = kAudioType,
                                 .byteCount = 0x012345,
                                 .payload = hex("000001C0 0000 210005BF21 FFFDC400 0000000000"),
                                 .tail = {0, 0, 0, 0, 0, 0, 0, 0xAB}})
                           .build();
    test::TestDecoder t;
    DumpCounters counters{.audioRecordsDumped = 4};
    EXPECT_EQ(dump(t, counters, chunk->view()),
              "\nParseChunk: Number of Records:   1 ( 1  0  0  0)\n"
              "                 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n"
              "                ===============================================\n"
              "#     5 (      20):  0  1 40 c0  0  1 23 45  0  0  0  0  0  0  0 ab\n"
              "  Data Start:    0  0  1 c0  0  0 21  0  5 bf 21 ff fd c4  0  0  0  0  0  0 \n" +
                  kNoNextBytes + "#2 Audio Embedded PES Header: (90000) 00:00:01.000\n\n" + kDone);
}

TEST(DumpRecordTable, CountsVideoAndAudioAcrossChunksAndHeaderOnlyRecordsTakeNoPayload) {
    // The header-only record's size field reads 0x80010, yet it takes no bytes.
    const auto chunk = ChunkBuilder()
                           .add({.size = 0x10, .type = 2, .headerOnly = true})
                           .add({.type = kVideoType, .payload = {0xAA, 0xBB}})
                           .add({.type = kAudioType, .payload = {0xCC}})
                           .build();
    test::TestDecoder t;
    DumpCounters counters;
    const std::string first = dump(t, counters, chunk->view());
    EXPECT_TRUE(contains(first, "#     2 (  524304):"));
    EXPECT_TRUE(contains(first, "  Data Start:   aa bb \n  Next Start:   cc  0"));
    const std::string second = dump(t, counters, chunk->view());
    EXPECT_TRUE(contains(second, "MUX #     2 (       2):"));
    EXPECT_TRUE(contains(second, "#     2 (       1):  0  0 10 c0"));
}

TEST(DumpRecordTable, VideoPacketHeadersStepTheFrameClockAndEarlyOnesAreFlagged) {
    const auto record = [](PtsTicks pts) {
        return test::TestRecord{
            .subtype = kVideoPesSubtype, .type = kVideoType, .payload = test::videoPesHeader(pts)};
    };
    const auto chunk = ChunkBuilder().add(record(120030)).add(record(87000)).build();
    test::TestDecoder t;
    t.run.firstVideoPTS = 90000;
    DumpCounters counters;
    const std::string text = dump(t, counters, chunk->view());
    EXPECT_TRUE(contains(text,
                         "MUX\t Video Embedded PES Header: (120030) 00:00:01.333\n"
                         "MUX\t firstVideoPTS (90000) 00:00:01.000\n"
                         "MUX\t Offset from firstVideoPTS = 30030 (10 * 3003) 00:00:00.333\n"
                         "MUX >>>>> PTS = (3003) 00:00:00.033\n"));
    EXPECT_TRUE(contains(text,
                         "MUX\t Offset from firstVideoPTS = -3000 (1430224 * 3003) 13:15:21.825\n"
                         "MUX ****************** It is a too-early frame...\n"));
    EXPECT_EQ(counters.dumpFrameClock, 6006u);
}

TEST(DumpRecordTable, PayloadEndingAtTheViewsEndReadsZerosBeyondIt) {
    // The view ends after 00 00 01: the scan completes it with a zero from
    // beyond the view, not with the B3 that follows in memory.
    const auto chunk =
        ChunkBuilder().add({.type = kVideoType, .payload = hex("000001B3 ABABAB")}).build();
    test::TestDecoder t;
    DumpCounters counters;
    EXPECT_TRUE(dump(t, counters, chunk->view().first(23))
                    .ends_with("  Data Start:    0  0  1  0  0  0  0 \n" + kNoNextBytes +
                               "\nMUX * 0  0  1  0*0-F\n" + kDone));
}

}  // namespace
}  // namespace kestrel
