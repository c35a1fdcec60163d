#include "headers/pes.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_decoder.h"

namespace kestrel {
namespace {

using ByteVector = std::vector<std::uint8_t>;
using test::TestDecoder;

TEST(ReadBits, TakesBitsMostSignificantFirstAcrossBytes) {
    const ByteVector bytes = {0x12, 0x34};
    BitCursor cursor;
    EXPECT_EQ(readBits(cursor, bytes, 12), 0x123u);
    EXPECT_EQ(readBits(cursor, bytes, 4), 0x4u);
    EXPECT_EQ(cursor.byteIndex, 2);
    EXPECT_EQ(cursor.bitIndex, 0);
}

TEST(ReadBits, CountOfZeroReadsNothingAndKeepsTheCursor) {
    const ByteVector bytes = {0xFF};
    BitCursor cursor{0, 3};
    EXPECT_EQ(readBits(cursor, bytes, 0), 0u);
    EXPECT_EQ(cursor.byteIndex, 0);
    EXPECT_EQ(cursor.bitIndex, 3);
}

TEST(ReadBits, BitsPastTheViewReadAsZero) {
    const ByteVector bytes = {0xFF};
    BitCursor cursor{0, 4};
    EXPECT_EQ(readBits(cursor, bytes, 12), 0xF00u);
}

struct PesCase {
    const char* what;
    ByteVector header;
    PtsTicks expected;
    const char* messages;
};

TEST(ParsePesHeader, ReturnsTheStampOrTheValueForTheStreamKind) {
    const PesCase cases[] = {
        {"flags 2", {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x21, 0x00, 0x05, 0xBF, 0x21}, 90000, ""},
        {"bit 32 falls off",
         {0, 0, 1, 0xC0, 0, 0, 0x80, 0x80, 5, 0x29, 0x00, 0x01, 0x00, 0x0B},
         5,
         ""},
        {"flags 3 warns",
         {0, 0, 1, 0xBD, 0, 0, 0x80, 0xC0, 10, 0x31, 0x00, 0x05, 0xBF, 0x21},
         90000,
         "Warning... Got a PTS w/DTS timestamp...\n"},
        {"flags 0", {0, 0, 1, 0xE0, 0, 0, 0x80, 0x00, 0}, 0, ""},
        {"flags 1", {0, 0, 1, 0xE0, 0, 0, 0x80, 0x40, 5, 0x21, 0x00, 0x05, 0xBF, 0x21}, 0, ""},
        {"padding stream", {0, 0, 1, 0xBE, 0, 0}, 1, ""},
        {"unknown id",
         {0, 0, 1, 0xBB, 0, 0},
         0,
         "Unknown PES packet. Fix it dear orvel...\n\ttype = 0xBB\n"},
        {"second audio stream",
         {0, 0, 1, 0xC1, 0, 0, 0x80, 0x80, 5, 0x21, 0x00, 0x05, 0xBF, 0x21},
         0,
         "Unknown PES packet. Fix it dear orvel...\n\ttype = 0xC1\n"},
    };
    for (const PesCase& c : cases) {
        TestDecoder t;
        EXPECT_EQ(parsePesHeader(t.decoder, c.header), c.expected) << c.what;
        EXPECT_EQ(t.out.text(), c.messages) << c.what;
    }
}

TEST(ParsePesHeader, HeaderWithoutStampStopsBeforeTheStampField) {
    TestDecoder t;
    parsePesHeader(t.decoder, ByteVector{0, 0, 1, 0xE0, 0, 0, 0x80, 0x00, 0});
    EXPECT_EQ(t.decoder.cursor.byteIndex, 9);
}

TEST(ParseShortPesHeader, ReadsTheStampFromBytesSixToTen) {
    TestDecoder t;
    const ByteVector header = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x29, 0x00, 0x01, 0x00, 0x0B};
    EXPECT_EQ(parseShortPesHeader(t.decoder, header), 5u);
}

TEST(AudioHeaderPts, PicksTheReaderFromAudioTypeAndRecorder) {
    // A full header (stamp 90000 at bytes 9..13); read as a short header its
    // bytes 6..10 (80 80 05 21 00) give another stamp.
    const ByteVector header = {0, 0, 1, 0xC0, 0, 0, 0x80, 0x80, 5, 0x21, 0x00, 0x05, 0xBF, 0x21};
    struct Case {
        std::int32_t audioType, saMode;
        PtsTicks expected;
    };
    for (const Case c : {Case{kLayer2Audio, 0, 0x20011080}, Case{kLayer2Audio, 1, 90000},
                         Case{kDolbyAudio, 0, 90000}, Case{kDolbyAudio, 1, 90000}, Case{2, 0, 0}}) {
        TestDecoder t;
        t.run.audioType = c.audioType;
        t.run.saMode = c.saMode;
        EXPECT_EQ(audioHeaderPts(t.decoder, header), c.expected) << c.audioType << " " << c.saMode;
    }
}

TEST(FindAudioPesStart, LooksOnlyAtTheFirstFivePositionsWithinTheSize) {
    struct Case {
        std::size_t at;
        std::uint8_t id;
        std::int32_t size;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0, 0xC0, 3, -1}, {0, 0xC0, 4, 0},   {4, 0xBD, 7, -1},  {4, 0xBD, 8, 4},
        {4, 0xBD, 16, 4}, {5, 0xBD, 16, -1}, {1, 0xE0, 16, -1},
    };
    for (const Case& c : cases) {
        ByteVector payload(16, 0xEE);
        const ByteVector code = {0, 0, 1, c.id};
        std::copy(code.begin(), code.end(), payload.begin() + static_cast<long>(c.at));
        EXPECT_EQ(findAudioPesStart(payload, c.size), c.expected) << c.at << " " << c.size;
    }
}

TEST(FindAudioPesStart, ReturnsTheLowerOffsetAndNeverReadsPastTheView) {
    const ByteVector mpegFirst = {0, 0, 1, 0xC0, 0, 0, 1, 0xBD};
    EXPECT_EQ(findAudioPesStart(mpegFirst, 8), 0);
    const ByteVector dolbyFirst = {0, 0, 1, 0xBD, 0, 0, 1, 0xC0};
    EXPECT_EQ(findAudioPesStart(dolbyFirst, 8), 0);
    const ByteVector cut = {0xEE, 0, 0, 1};  // the id would be the fifth byte
    EXPECT_EQ(findAudioPesStart(cut, 16), -1);
}

}  // namespace
}  // namespace kestrel
