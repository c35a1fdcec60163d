#include "headers/pes.h"

#include <gtest/gtest.h>

#include "support/hex_bytes.h"
#include "support/test_decoder.h"

namespace kestrel {
namespace {

using test::hex;
using test::TestDecoder;

TEST(ReadBits, TakesBitsMostSignificantFirstAndZerosPastTheView) {
    const auto bytes = hex("12 34");
    BitCursor cursor;
    EXPECT_EQ(readBits(cursor, bytes, 12), 0x123u);
    EXPECT_EQ(readBits(cursor, bytes, 0), 0u);
    EXPECT_EQ(cursor.byteIndex, 1);
    EXPECT_EQ(cursor.bitIndex, 4);
    EXPECT_EQ(readBits(cursor, bytes, 4), 0x4u);
    EXPECT_EQ(cursor.byteIndex, 2);
    EXPECT_EQ(cursor.bitIndex, 0);
    EXPECT_EQ(readBits(cursor, bytes, 8), 0u);
}

TEST(ParsePesHeader, ReturnsTheStampOrTheValueForTheStreamKind) {
    const char* const unknown = "Unknown PES packet. Fix it dear orvel...\n\ttype = 0x";
    struct Case {
        const char* header;
        PtsTicks expected;
        std::string messages;
    };
    const Case cases[] = {
        {"000001E0 0000 80 80 05 2100 05BF 21", 90000, ""},
        {"000001C0 0000 80 80 05 2900 0100 0B", 5, ""},  // bit 32 of the stamp falls off
        {"000001BD 0000 80 C0 0A 3100 05BF 21", 90000, "Warning... Got a PTS w/DTS timestamp...\n"},
        {"000001E0 0000 80 00 00", 0, ""},
        {"000001E0 0000 80 40 05 2100 05BF 21", 0, ""},  // flags 1: no stamp either
        {"000001BE 0000", 1, ""},
        {"000001BB 0000", 0, unknown + std::string("BB\n")},
        {"000001C1 0000 80 80 05 2100 05BF 21", 0, unknown + std::string("C1\n")},
    };
    for (const Case& c : cases) {
        TestDecoder t;
        EXPECT_EQ(parsePesHeader(t.decoder, hex(c.header)), c.expected) << c.header;
        EXPECT_EQ(t.out.text(), c.messages) << c.header;
    }
}

TEST(AudioHeaderPts, ReadsTheHeaderFormOfTheRecorderAndAudioType) {
    // A full header with the stamp 90000 at bytes 9..13; as a short header its
    // bytes 6..10 (80 80 05 21 00) are taken for the stamp instead.
    const auto header = hex("000001C0 0000 80 80 05 2100 05BF 21");
    struct Case {
        std::int32_t audioType, saMode;
        PtsTicks expected;
    };
    for (const Case c : {Case{kLayer2Audio, 0, 0x20011080}, Case{kLayer2Audio, 1, 90000},
                         Case{kDolbyAudio, 0, 90000}, Case{kDolbyAudio, 1, 90000}, Case{2, 0, 0}}) {
        TestDecoder t;
        t.run.audioType = c.audioType;
        t.run.saMode = c.saMode;
        EXPECT_EQ(audioHeaderPts(t.decoder, header), c.expected) << c.audioType << c.saMode;
    }
    TestDecoder t;
    EXPECT_EQ(parseShortPesHeader(t.decoder, hex("AAAAAAAAAAAA 2900 0100 0B")), 5u);
}

TEST(FindAudioPesStart, LooksOnlyAtTheFirstFivePositionsWithinTheSize) {
    struct Case {
        const char* payload;
        std::int32_t size;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"000001C0 EEEEEEEE", 3, -1},
        {"000001C0 EEEEEEEE", 4, 0},
        {"EEEEEEEE 000001BD", 7, -1},
        {"EEEEEEEE 000001BD", 8, 4},
        {"EEEEEEEEEE 000001BD EEEEEEE", 16, -1},
        {"EEEE 000001E0 EEEEEEEEEE", 16, -1},
        {"000001C0 000001BD", 8, 0},
        {"000001BD 000001C0", 8, 0},
        {"EE000001", 16, -1},  // the id would lie past the view
    };
    for (const Case& c : cases)
        EXPECT_EQ(findAudioPesStart(hex(c.payload), c.size), c.expected) << c.payload << c.size;
}

}  // namespace
}  // namespace kestrel
