#include "recbuild/options.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace recbuild {
namespace {

Options parse(std::vector<std::string_view> words) {
    return parseOptions(words);
}

TEST(Options, ReadsFilesLayoutAndDamage) {
    const Options o = parse({"--video",
                             "v.m2v",
                             "--audio",
                             "a.ac3",
                             "--out",
                             "-",
                             "--standalone",
                             "--expected-audio",
                             "x.ac3",
                             "--audio-offset",
                             "-900",
                             "--split-audio",
                             "4",
                             "--oob-after",
                             "12",
                             "--oob-distance",
                             "20",
                             "--cut",
                             "30",
                             "--min-size",
                             "2M"});
    EXPECT_EQ(o.outPath, "-");
    EXPECT_TRUE(o.expectedVideoPath.empty());
    EXPECT_EQ(o.plan.layout.family, Family::Standalone);
    EXPECT_EQ(o.plan.layout.audioOffset, -900);
    EXPECT_EQ(o.plan.damage.outOfBandDistance, 20u);
    EXPECT_FALSE(o.plan.damage.duplicateChunk.has_value());
    EXPECT_EQ(o.plan.minSize, 2u << 20);
    EXPECT_EQ(o.plan.layout.iterations, 0u);  // repeat until the size is reached
}

TEST(Options, SizesTakeBinarySuffixes) {
    EXPECT_EQ(parseSize("512M"), 512ULL << 20);
    EXPECT_EQ(parseSize("3G"), 3ULL << 30);
    EXPECT_EQ(parseSize("1000"), 1000u);
    EXPECT_THROW(parseSize("12X"), std::runtime_error);
    EXPECT_THROW(parseSize("M"), std::runtime_error);
}

TEST(Options, RefusesWhatItDoesNotUnderstand) {
    const std::vector<std::vector<std::string_view>> refused = {
        {"--video", "v", "--audio", "a"},                       // no --out
        {"--video", "v", "--audio", "a", "--out", "o", "--x"},  // unknown
        {"--video", "v", "--audio", "a", "--out"},              // value missing
        {"--video", "v", "--audio", "a", "--out", "o", "--loops", "0"},
        {"--video", "v", "--audio", "a", "--out", "o", "--cut", "7x"},
    };
    for (const auto& words : refused)
        EXPECT_THROW(parse(words), std::runtime_error);
    EXPECT_TRUE(parse({"--help"}).help);
}

}  // namespace
}  // namespace recbuild
