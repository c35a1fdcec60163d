// SPDX-License-Identifier: MIT
#include "repair/picture_timeline.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

constexpr FrameRate kNtsc{30000, 1001};

WrittenPicture picture(char type, PtsTicks pts, std::uint32_t fields = 2) {
    WrittenPicture p;
    p.codingType = type == 'I' ? 1 : type == 'P' ? 2 : 3;
    p.hasPts = pts != 0;
    p.pts = pts;
    p.fields = fields;
    p.rate = kNtsc;
    return p;
}

// Coding order in, display order out, with the output clock running on the
// shown pictures' lengths (a repeated field is half a frame period more).
TEST(PictureTimeline, ShowsPicturesInDisplayOrderOnTheOutputClock) {
    StampUnwrapper clock;
    PictureTimeline timeline(clock);
    std::string order;
    const auto take = [&](const std::optional<ShownPicture>& shown) {
        if (!shown) return;
        order += std::to_string(shown->source) + "@" + std::to_string(shown->output) + " ";
    };
    // I2 B0 B1 P5 B3 B4, stamped by display time from 9000; B4 has no stamp
    // and follows B3; P5 repeats a field.
    take(timeline.written(picture('I', 9000 + 2 * 3003)));
    take(timeline.written(picture('B', 9000)));
    take(timeline.written(picture('B', 9000 + 3003)));
    take(timeline.written(picture('P', 9000 + 5 * 3003, 3)));
    take(timeline.written(picture('B', 9000 + 3 * 3003)));
    take(timeline.written(picture('B', 0)));
    take(timeline.finish());
    EXPECT_EQ(order,
              "9000@0.000000 12003@3003.000000 15006@6006.000000 18009@9009.000000 "
              "21012@12012.000000 24015@15015.000000 ");
    EXPECT_DOUBLE_EQ(timeline.end(), 6 * 3003 + 1501.5);
}

TEST(StampUnwrapper, CarriesTheClockAcrossTheWrap) {
    StampUnwrapper clock;
    EXPECT_EQ(clock.unwrap(0xFFFFF000), 0xFFFFF000);
    EXPECT_EQ(clock.unwrap(0x00000800), 0x100000800);
    EXPECT_EQ(clock.unwrap(0xFFFFFF00), 0xFFFFFF00);  // back across it
}

}  // namespace
}  // namespace kestrel
