// SPDX-License-Identifier: MIT
// The elementary-stream header decoders: packet headers, audio frame search
// and frame lengths, video header dumps.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "headers/audio_frame.h"
#include "headers/pes.h"
#include "headers/video_dump.h"
#include "support/header_bytes.h"

namespace kestrel {
namespace {

using test::hex;

TEST(ParsePesHeader, ReturnsTheStampOrTheValueForTheStreamKind) {
    const std::string unknown = "Unknown PES packet. Fix it dear orvel...\n\ttype = 0x";
    struct Case {
        const char* header;
        PtsTicks expected;
        std::string messages;
    };
    for (const Case& c : {
             Case{"000001E0 0000 80 80 05 2100 05BF 21", 90000, ""},
             Case{"000001C0 0000 80 80 05 2900 0100 0B", 5, ""},  // bit 32 falls off: 2^32 + 5
             Case{"000001BD 0000 80 C0 0A 3100 05BF 21", 90000,
                  "Warning... Got a PTS w/DTS timestamp...\n"},
             Case{"000001E0 0000 80 40 05 2100 05BF 21", 0, ""},  // flags 1: no stamp
             Case{"000001BE 0000", 1, ""},
             Case{"000001BB 0000", 0, unknown + "BB\n"},
         }) {
        test::TestDecoder t;
        EXPECT_EQ(parsePesHeader(t.decoder, hex(c.header)), c.expected) << c.header;
        EXPECT_EQ(t.out.text(), c.messages) << c.header;
    }
}

TEST(FindAudioPesStart, LooksOnlyAtTheFirstFivePositionsWithinTheSize) {
    struct Case {
        const char* payload;
        std::int32_t size, expected;
    };
    for (const Case& c : {
             Case{"000001C0 EEEEEEEE", 3, -1}, Case{"000001C0 EEEEEEEE", 4, 0},
             Case{"EEEEEEEE 000001BD", 8, 4}, Case{"EEEEEEEEEE 000001BD EEEEEEE", 16, -1},
             Case{"EEEE 000001E0 EEEEEEEEEE", 16, -1},
             Case{"EE000001", 16, -1},  // the id would lie past the view
         })
        EXPECT_EQ(findAudioPesStart(hex(c.payload), c.size), c.expected) << c.payload << c.size;
}

constexpr std::int32_t kUntouched = -7;

TEST(FindAudioFrame, ScansWithinTheirExactBounds) {
    struct Case {
        std::int32_t audioType, headerLength;  // audioType, audioPesHeaderLength
        std::size_t size;                      // bytes in the view (0xEE filler)
        std::int32_t len;                      // length passed in
        std::vector<std::pair<std::size_t, const char*>> at;
        std::int32_t result, pesOffset, syncOffset;
    };
    const Case cases[] = {
        {0, 11, 32, 32, {{2, "000001C0"}, {13, "FFFC"}}, 2, 2, 13},  // FC: a CRC follows
        {0, 16, 32, 32, {{0, "000001C0"}, {11, "FFFD"}}, 0, kUntouched, kUntouched},
        {0, 11, 32, 32, {{5, "FFFD"}, {30, "FFFC"}}, 0, kUntouched, kUntouched},
        {0, 11, 13, 13, {{0, "000001C0"}, {11, "FFFD"}}, 2, 0, 11},  // the shortest found
        {0, 11, 13, 12, {{0, "000001C0"}, {11, "FFFD"}}, 0, kUntouched, kUntouched},
        {1, 11, 64, 64, {{3, "000001BD"}, {17, "0B77"}}, 2, 3, 17},
        {1, 11, 100, 100, {{98, "0B77"}}, 1, kUntouched, 98},
        {1, 11, 100, 100, {{84, "000001BD"}, {98, "0B77"}}, 1, kUntouched, 98},
        {1, 11, 100, 100, {{83, "000001BD"}, {97, "0B77"}}, 2, 83, 97},
        {1, 11, 16, 1000, {{14, "0B77"}}, 1, kUntouched, 14},  // len past the view
        {1, 11, 16, -5, {{14, "0B77"}}, 0, kUntouched, kUntouched},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const RunState run{.audioType = c.audioType, .audioPesHeaderLength = c.headerLength};
        std::vector<std::uint8_t> buffer(c.size, 0xEE);
        for (const auto& [offset, text] : c.at) {
            const auto bytes = hex(text);
            std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(offset));
        }
        std::int32_t pesOffset = kUntouched, syncOffset = kUntouched;
        EXPECT_EQ(findAudioFrame(run, buffer, c.len, pesOffset, syncOffset), c.result) << i;
        EXPECT_EQ(pesOffset, c.pesOffset) << i;
        EXPECT_EQ(syncOffset, c.syncOffset) << i;
    }
}

TEST(AudioFrameLength, ReadsTheTablesOfTheRecordingsAudioType) {
    struct Case {
        std::int32_t audioType;
        const char* header;
        std::int32_t expected;
    };
    for (const Case& c : {
             Case{kLayer2Audio, "FFFDC400", 768},      // 256 kbit/s, 48 kHz
             Case{kLayer2Audio, "FFFDC200", 836},      // 256 kbit/s, 44.1 kHz, padding
             Case{kLayer2Audio, "FFFDCE00", 0},        // frequency index 3, padding
             Case{kLayer2Audio, "FFFDF600", 1},        // bit-rate index 15, padding
             Case{kDolbyAudio, "0B77 0000 1C", 1536},  // 48 kHz, code 28
             Case{kDolbyAudio, "0B77 0000 5D", 1672},  // 44.1 kHz, code 29
             Case{kDolbyAudio, "0B77 0000 A5", 3840},  // 32 kHz, code 37: the last row
             Case{kDolbyAudio, "0B77 0000 26", 0},     // code 38
             Case{kDolbyAudio, "0B77 0000 28", 0},     // code 40, past the table
             Case{kDolbyAudio, "0B77 0000 DC", 0},     // sample-rate code 3
         }) {
        test::TestDecoder t;
        t.run.audioType = c.audioType;
        EXPECT_EQ(audioFrameLength(t.decoder, hex(c.header)), c.expected) << c.header;
    }
}

TEST(VideoDump, ShowsTheHeaderFieldsAndReadsZerosPastTheView) {
    struct Case {
        void (*dump)(Decoder&, Bytes);
        const char* header;
        std::string text;
    };
    const std::string size = "\n\tSequence Code = 0x1B3\n\tHorz size = 0x2D0 (720)\n";
    for (const Case& c : {
             Case{dumpSequenceHeader, "000001B3 2D01E024",
                  size + "\tVert size = 0x1E0 (480)\n\tAspect Ratio = 0x2 == 4:3\n"
                         "\tFrame Rate = 0x4 == 29.97\n"},
             Case{dumpSequenceHeader, "000001B3 2D0E",
                  size + "\tVert size = 0xE00 (3584)\n\tAspect Ratio = 0x0 == Forbidden\n"
                         "\tFrame Rate = 0x0 == Forbidden\n"},
             Case{dumpGopHeader, "000001B8 04286240",
                  "GOP Code = 0x1B8\nDrop Frame Flag = 0x0 (0)\nHours = 0x1 (1)\nMinutes = 0x2 "
                  "(2)\nSeconds = 0x3 (3)\nPictures = 0x4 (4)\nClosed_GOP = 0x1 (1)\nBroken "
                  "Link = 0x0 (0)\n"},
             Case{dumpPictureHeader, "00000100 0157FFF8", "5-P"},
         }) {
        test::TestDecoder t;
        c.dump(t.decoder, hex(c.header));
        EXPECT_EQ(t.out.text(), c.text) << c.header;
    }
}

}  // namespace
}  // namespace kestrel
