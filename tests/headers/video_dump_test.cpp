#include "headers/video_dump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_decoder.h"

namespace kestrel {
namespace {

using ByteVector = std::vector<std::uint8_t>;
using test::TestDecoder;

TEST(DumpSequenceHeader, ShowsSizeAspectRatioAndFrameRate) {
    TestDecoder t;
    dumpSequenceHeader(t.decoder, ByteVector{0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x24});
    EXPECT_EQ(t.out.text(),
              "\n\tSequence Code = 0x1B3\n"
              "\tHorz size = 0x2D0 (720)\n"
              "\tVert size = 0x1E0 (480)\n"
              "\tAspect Ratio = 0x2 == 4:3\n"
              "\tFrame Rate = 0x4 == 29.97\n");
}

TEST(DumpSequenceHeader, NamesEveryAspectRatioAndFrameRateCode) {
    const char* const aspect[] = {"Forbidden", "Square", "4:3", "16:9",
                                  "21:1-2 (Who knows the docs weren't clear...)"};
    const char* const rate[] = {"Forbidden", "23.976", "24",    "25", "29.97",
                                "30",        "50",     "59.94", "60"};
    for (std::uint8_t code = 0; code < 16; ++code) {
        TestDecoder t;
        dumpSequenceHeader(t.decoder, ByteVector{0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0,
                                                 static_cast<std::uint8_t>(code << 4 | code)});
        const std::string aspectWord = code < 5 ? aspect[code] : "Reserved";
        const std::string rateWord = code < 9 ? rate[code] : "Reserved";
        const std::string text = t.out.text();
        EXPECT_NE(text.find(" == " + aspectWord + "\n\tFrame Rate"), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with(" == " + rateWord + "\n")) << text;
    }
}

TEST(DumpSequenceHeader, ReadsZerosPastAShortView) {
    TestDecoder t;
    dumpSequenceHeader(t.decoder, ByteVector{0x00, 0x00, 0x01, 0xB3, 0x2D});
    EXPECT_NE(t.out.text().find("\tVert size = 0x0 (0)\n"), std::string::npos);
}

TEST(DumpGopHeader, ShowsTimeCodeAndFlagsWithoutTheMarkerBit) {
    TestDecoder t;
    dumpGopHeader(t.decoder, ByteVector{0x00, 0x00, 0x01, 0xB8, 0x04, 0x28, 0x62, 0x40});
    EXPECT_EQ(t.out.text(),
              "GOP Code = 0x1B8\n"
              "Drop Frame Flag = 0x0 (0)\n"
              "Hours = 0x1 (1)\n"
              "Minutes = 0x2 (2)\n"
              "Seconds = 0x3 (3)\n"
              "Pictures = 0x4 (4)\n"
              "Closed_GOP = 0x1 (1)\n"
              "Broken Link = 0x0 (0)\n");
}

TEST(DumpPictureHeader, ShowsTemporalReferenceAndCodingTypeWithoutLineEnd) {
    const char* const letters[] = {"F", "I", "P", "B", "U", "U", "U", "U"};
    for (std::uint8_t type = 0; type < 8; ++type) {
        TestDecoder t;
        // Temporal reference 5 (0000000101), then the three coding-type bits.
        const auto fifth = static_cast<std::uint8_t>(0x40 | type << 3 | 0x07);
        dumpPictureHeader(t.decoder, ByteVector{0x00, 0x00, 0x01, 0x00, 0x01, fifth, 0xFF, 0xF8});
        EXPECT_EQ(t.out.text(), std::string("5-") + letters[type]);
    }
}

}  // namespace
}  // namespace kestrel
