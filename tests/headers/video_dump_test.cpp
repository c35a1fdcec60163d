#include "headers/video_dump.h"

#include <gtest/gtest.h>

#include <string>

#include "support/hex_bytes.h"
#include "support/test_decoder.h"

namespace kestrel {
namespace {

using test::hex;
using test::TestDecoder;

TEST(DumpSequenceHeader, ShowsSizeAspectRatioAndFrameRate) {
    TestDecoder t;
    dumpSequenceHeader(t.decoder, hex("000001B3 2D01E024"));
    EXPECT_EQ(t.out.text(),
              "\n\tSequence Code = 0x1B3\n\tHorz size = 0x2D0 (720)\n\tVert size = 0x1E0 (480)\n"
              "\tAspect Ratio = 0x2 == 4:3\n\tFrame Rate = 0x4 == 29.97\n");
}

TEST(DumpSequenceHeader, NamesEveryAspectRatioAndFrameRateCode) {
    const char* const aspect[] = {"Forbidden", "Square", "4:3", "16:9",
                                  "21:1-2 (Who knows the docs weren't clear...)"};
    const char* const rate[] = {"Forbidden", "23.976", "24",    "25", "29.97",
                                "30",        "50",     "59.94", "60"};
    for (std::uint8_t code = 0; code < 16; ++code) {
        TestDecoder t;
        auto header = hex("000001B3 2D01E000");
        header[7] = static_cast<std::uint8_t>(code << 4 | code);
        dumpSequenceHeader(t.decoder, header);
        const std::string aspectWord = code < 5 ? aspect[code] : "Reserved";
        const std::string rateWord = code < 9 ? rate[code] : "Reserved";
        EXPECT_TRUE(t.out.text().ends_with(" == " + aspectWord + "\n\tFrame Rate = 0x" +
                                           "0123456789ABCDEF"[code] + " == " + rateWord + "\n"))
            << t.out.text();
    }
}

TEST(DumpSequenceHeader, ReadsZerosPastAShortView) {
    TestDecoder t;
    dumpSequenceHeader(t.decoder, hex("000001B3 2D"));
    EXPECT_NE(t.out.text().find("\tVert size = 0x0 (0)\n"), std::string::npos);
}

TEST(DumpGopHeader, ShowsTimeCodeAndFlagsWithoutTheMarkerBit) {
    TestDecoder t;
    dumpGopHeader(t.decoder, hex("000001B8 04286240"));
    EXPECT_EQ(t.out.text(),
              "GOP Code = 0x1B8\nDrop Frame Flag = 0x0 (0)\nHours = 0x1 (1)\nMinutes = 0x2 (2)\n"
              "Seconds = 0x3 (3)\nPictures = 0x4 (4)\nClosed_GOP = 0x1 (1)\n"
              "Broken Link = 0x0 (0)\n");
}

TEST(DumpPictureHeader, ShowsTemporalReferenceAndCodingTypeWithoutLineEnd) {
    const char letters[] = "FIPBUUUU";
    for (std::uint8_t type = 0; type < 8; ++type) {
        TestDecoder t;
        auto header = hex("00000100 014FFFF8");  // temporal reference 5, then the type bits
        header[5] = static_cast<std::uint8_t>(0x47 | type << 3);
        dumpPictureHeader(t.decoder, header);
        EXPECT_EQ(t.out.text(), std::string("5-") + letters[type]);
    }
}

}  // namespace
}  // namespace kestrel
