#include "diag/record_dump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/chunk_builder.h"
#include "support/flush_probe.h"
#include "support/hex_bytes.h"
#include "support/pes_bytes.h"
#include "support/test_decoder.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;
using test::hex;
using test::TestDecoder;
using test::TestRecord;
using ByteVector = std::vector<std::uint8_t>;

const std::string kIndexAndRule =
    "                 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n"
    "                ===============================================\n";
const std::string kNoNextBytes =
    "  Next Start:    0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n";
const std::string kDone = "*****DONE with HEADERS!!!!!\n";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Dumps `chunk` (with its padding) through `t` and returns the text printed.
std::string dump(TestDecoder& t, DumpCounters& counters, const ChunkBuffer& chunk) {
    dumpRecordTable(t.decoder, counters, "ParseChunk", chunk.view());
    return t.out.take();
}

TEST(DumpRecordTable, ListsAnAudioRecordWithItsPayloadAndPacketStamp) {
    // A short audio packet header (time stamp 90000) and the start of a frame.
    const ByteVector payload = hex("000001C0 0000 210005BF21 FFFDC400 0000000000");
    const auto chunk = ChunkBuilder()
                           .add({.type = kAudioType,
                                 .byteCount = 0x012345,
                                 .payload = payload,
                                 .tail = {0, 0, 0, 0, 0, 0, 0, 0xAB}})
                           .build();
    TestDecoder t;
    DumpCounters counters{.audioRecordsDumped = 4};
    EXPECT_EQ(dump(t, counters, *chunk),
              "\nParseChunk: Number of Records:   1 ( 1  0  0  0)\n" + kIndexAndRule +
                  "#     5 (      20):  0  1 40 c0  0  1 23 45  0  0  0  0  0  0  0 ab\n"
                  "  Data Start:    0  0  1 c0  0  0 21  0  5 bf 21 ff fd c4  0  0  0  0  0  0 \n" +
                  kNoNextBytes + "#2 Audio Embedded PES Header: (90000) 00:00:01.000\n\n" + kDone);
    EXPECT_EQ(counters.audioRecordsDumped, 5);
    EXPECT_EQ(counters.videoRecordsDumped, 0);
}

TEST(DumpRecordTable, FlushesAfterEachRecordLine) {
    const auto chunk = ChunkBuilder()
                           .add({.type = kAudioType, .payload = {1, 2}})
                           .add({.type = 9, .payload = {3, 4}})
                           .build();
    test::FlushProbe probe;
    RunState run;
    Decoder decoder{probe.console(), run};
    DumpCounters counters;
    dumpRecordTable(decoder, counters, "ParseChunk", chunk->view());
    EXPECT_TRUE(probe.flushedText().ends_with(
        kIndexAndRule + "#     9 (       2):  0  0 20  9  0  0  0  0  0  0  0  0  0  0  0  0\n"));
}

TEST(DumpRecordTable, NumbersVideoAndAudioRecordsAcrossChunks) {
    TestDecoder t;
    DumpCounters counters;
    const auto first = ChunkBuilder()
                           .add({.type = kVideoType, .payload = {1}})
                           .add({.type = kAudioType, .payload = {2}})
                           .add({.type = kVideoType, .payload = {3}})
                           .build();
    const std::string firstText = dump(t, counters, *first);
    EXPECT_NE(firstText.find("MUX #     1 (       1):"), std::string::npos);
    EXPECT_NE(firstText.find("#     1 (       1):  0  0 10 c0"), std::string::npos);
    EXPECT_NE(firstText.find("MUX #     2 (       1):"), std::string::npos);

    ChunkBuffer second;  // one video record of size 0
    second.bytes[0] = 1;
    second.bytes[4 + 3] = kVideoType;
    const std::string secondText = dump(t, counters, second);
    EXPECT_NE(secondText.find("MUX #     3 (       0):"), std::string::npos);
    EXPECT_NE(secondText.find("  Data Start:   \n" + kNoNextBytes), std::string::npos);
    EXPECT_EQ(counters.videoRecordsDumped, 3);
    EXPECT_EQ(counters.audioRecordsDumped, 1);
}

TEST(DumpRecordTable, OtherRecordsShowTheirTypeAndOnlyTypesOneToFiveSkipTheScan) {
    const auto chunk = ChunkBuilder()
                           .add({.size = 0x10, .type = 2, .headerOnly = true})
                           .add({.type = kVideoType, .payload = {0xAA, 0xBB, 0xCC}})
                           .add({.type = 3, .payload = hex("00000100")})
                           .add({.type = kVideoType, .payload = {0x12, 0x34}})
                           .add({.type = 9, .payload = hex("000001B8 04286240")})
                           .build();
    TestDecoder t;
    DumpCounters counters;
    const std::string text = dump(t, counters, *chunk);
    // Header-only: the size field reads 0x80010, yet no payload bytes are taken.
    EXPECT_NE(text.find("#     2 (  524304):"), std::string::npos);
    EXPECT_NE(text.find("  Data Start:   aa bb cc \n"), std::string::npos);
    EXPECT_NE(text.find("#     3 (       4):"), std::string::npos);
    EXPECT_NE(text.find("  Data Start:   12 34 \n"), std::string::npos);
    EXPECT_EQ(occurrences(text, "Data Start"), 2u);
    EXPECT_EQ(occurrences(text, "\nMUX *"), 1u);
    EXPECT_NE(text.find("#     9 (       8):"), std::string::npos);
    EXPECT_NE(text.find("\nMUX * 0  0  1 B8*GOP Code = 0x1B8\n"), std::string::npos);
}

TEST(DumpRecordTable, SetsVideoPesHeadersAgainstTheFirstVideoStamp) {
    auto record = [](std::uint8_t subtype, PtsTicks pts) {
        return TestRecord{
            .subtype = subtype, .type = kVideoType, .payload = test::videoPesHeader(pts)};
    };
    const auto chunk = ChunkBuilder()
                           .add(record(kVideoPesSubtype, 90000))
                           .add(record(kVideoPesSubtype, 120030))
                           .add(record(kVideoPesSubtype, 87000))
                           .add(record(kSeqStartSubtype, 90000))
                           .build();
    TestDecoder t;
    t.run.firstVideoPTS = 90000;
    DumpCounters counters;
    const std::string text = dump(t, counters, *chunk);
    const std::string firstStamp = "MUX\t firstVideoPTS (90000) 00:00:01.000\n";
    EXPECT_NE(text.find("MUX\t Video Embedded PES Header: (90000) 00:00:01.000\n" + firstStamp +
                        "MUX\t Offset from firstVideoPTS = 0 (0 * 3003) 00:00:00.000\n"
                        "MUX >>>>> PTS = (3003) 00:00:00.033\n"),
              std::string::npos);
    EXPECT_NE(text.find("MUX\t Video Embedded PES Header: (120030) 00:00:01.333\n" + firstStamp +
                        "MUX\t Offset from firstVideoPTS = 30030 (10 * 3003) 00:00:00.333\n"
                        "MUX >>>>> PTS = (6006) 00:00:00.066\n"),
              std::string::npos);
    EXPECT_NE(text.find("MUX\t Video Embedded PES Header: (87000) 00:00:00.966\n" + firstStamp +
                        "MUX\t Offset from firstVideoPTS = -3000 (1430224 * 3003) 13:15:21.825\n"
                        "MUX ****************** It is a too-early frame...\n"),
              std::string::npos);
    EXPECT_EQ(occurrences(text, "Video Embedded"), 3u);
    EXPECT_EQ(counters.dumpFrameClock, 9009u);
}

TEST(DumpRecordTable, DumpsVideoHeadersAndResumesFiveBytesAfterEachStartCode) {
    const ByteVector payload = hex("00000100 00000100 00 000001B3 2D01E024");
    const auto chunk =
        ChunkBuilder()
            .add({.type = kAudioType, .payload = {0xEE}})
            .add({.subtype = kSeqStartSubtype, .type = kVideoType, .payload = payload})
            .build();
    TestDecoder t;
    DumpCounters counters;
    const std::string text = dump(t, counters, *chunk);
    // The picture start code at 4 lies within the five bytes skipped after the one at 0.
    EXPECT_TRUE(text.ends_with(kNoNextBytes + "\nMUX * 0  0  1  0*0-F\nMUX * 0  0  1 B3*" +
                               "\n\tSequence Code = 0x1B3\n\tHorz size = 0x2D0 (720)\n"
                               "\tVert size = 0x1E0 (480)\n\tAspect Ratio = 0x2 == 4:3\n"
                               "\tFrame Rate = 0x4 == 29.97\n"
                               "# 1 (      17):  0  1 17 e0  0  0  0  0  0  0  0  0  0  0  0  0\n"
                               "\n" +
                               kDone))
        << text;
}

TEST(DumpRecordTable, StartCodeScanLooksPastThePayloadEnd) {
    const auto chunk = ChunkBuilder()
                           .add({.type = kVideoType, .payload = hex("AA000001")})
                           .add({.type = kVideoType, .payload = hex("B804286240")})
                           .build();
    TestDecoder t;
    DumpCounters counters;
    const std::string text = dump(t, counters, *chunk);
    EXPECT_EQ(occurrences(text, "\nMUX * 0  0  1 B8*GOP Code = 0x1B8\n"), 1u);
    EXPECT_LT(text.find("GOP Code"), text.find("MUX #     2"));
}

TEST(DumpRecordTable, PayloadEndingAtTheChunkEndShowsZerosBeyondIt) {
    // The payload ends in 00 00 01: the scan's last look completes it with a
    // zero from beyond the chunk, a picture start code.
    ByteVector payload(kChunkSize - 20, 0x00);
    payload[payload.size() - 1] = 0x01;
    const auto chunk = ChunkBuilder().add({.type = kVideoType, .payload = payload}).build();
    const std::string tail = kNoNextBytes + "\nMUX * 0  0  1  0*0-F\n" + kDone;
    TestDecoder t;
    DumpCounters counters;
    const std::string padded = dump(t, counters, *chunk);
    EXPECT_TRUE(padded.ends_with(tail)) << padded.substr(padded.size() - 200);
    // Without the padding in the view the bytes beyond read as zero all the same.
    DumpCounters fresh;
    dumpRecordTable(t.decoder, fresh, "ParseChunk", chunk->view().first(kChunkSize));
    EXPECT_EQ(t.out.take(), padded);
}

TEST(DumpRecordTable, PayloadBytesOutsideTheViewShowAsZeros) {
    const auto chunk =
        ChunkBuilder().add({.type = kVideoType, .payload = ByteVector(24, 0xAB)}).build();
    TestDecoder t;
    DumpCounters counters;
    dumpRecordTable(t.decoder, counters, "ParseChunk", chunk->view().first(40));
    std::string shown = "  Data Start:   ";
    for (int i = 0; i < 24; ++i)
        shown += i < 20 ? "ab " : " 0 ";
    EXPECT_NE(t.out.text().find(shown + "\n" + kNoNextBytes), std::string::npos) << t.out.text();
}

}  // namespace
}  // namespace kestrel
