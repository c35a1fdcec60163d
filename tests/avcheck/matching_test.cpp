// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "avcheck/content_match.h"
#include "avcheck/video_pictures.h"
#include "support/video_stream.h"

namespace avcheck {
namespace {

using kestrel::test::PictureSpec;
using kestrel::test::VideoStream;

constexpr Ticks kField = 1501.5;  // the test streams' 29.97 frames per second

// A picture with one slice whose filler tells it from the others.
PictureSpec picture(char type, std::uint16_t temporalReference, std::uint8_t row,
                    bool repeatFirstField = false) {
    return {.type = type,
            .temporalReference = temporalReference,
            .rows = {row},
            .repeatFirstField = repeatFirstField};
}

TEST(VideoPictures, DisplayTimesFollowTheDecodersOrderAndFieldCounts) {
    VideoStream s;
    s.sequence().pictures(
        {picture('I', 0, 1), picture('P', 3, 2), picture('B', 1, 3, true), picture('B', 2, 4)});
    s.gop(true).picture(picture('I', 2, 5));  // the next GOP ends the last picture
    const std::optional<VideoPictures> video = splitVideo(s.bytes);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->fieldPeriod, kField);
    EXPECT_EQ(displayOrder(video->pictures), (std::vector<std::size_t>{0, 2, 3, 1, 4}));
    const std::vector<Ticks> times =
        displayTimes(*video, std::vector<std::optional<Ticks>>(5, std::nullopt));
    EXPECT_EQ(times, (std::vector<Ticks>{0, 7 * kField, 2 * kField, 5 * kField, 9 * kField}));
    EXPECT_EQ(video->pictures[3].content.size(), 13u) << "the GOP header is not picture content";
    // A stamped picture starts at its stamp, and the next follows it.
    EXPECT_EQ(displayTimes(*video, {std::nullopt, std::nullopt, 9000.0, std::nullopt, std::nullopt})
                  .at(3),
              9000 + 3 * kField);
}

TEST(VideoPictures, EditedHeadersLeaveTheContentAlone) {
    VideoStream a, b;
    a.sequence().picture(picture('B', 5, 7));
    b.sequence().picture(picture('B', 1, 7));
    EXPECT_TRUE(std::ranges::equal(splitVideo(a.bytes)->pictures[0].content,
                                   splitVideo(b.bytes)->pictures[0].content));
    EXPECT_FALSE(splitVideo(VideoStream().picture(picture('P', 0, 1)).bytes))
        << "no sequence header";
}

TEST(ContentMatch, OutputRunsOnFromTheSourceItemItLeft) {
    const auto nearFive = [](std::size_t i) { return i > 5 ? double(i - 5) : double(5 - i); };
    const struct Case {
        std::vector<std::size_t> candidates;
        std::optional<std::size_t> previous;
        std::optional<std::size_t> picked;
    } cases[] = {
        {{3, 28, 53}, 2, 3},            // runs on
        {{10, 35}, 2, 10},              // skipped what the source lost
        {{2, 6, 27}, 0, 6},             // ... to the nearest of equal items
        {{2, 27}, 2, 2},                // a repeated item
        {{1, 26}, 30, 1},               // nothing onward: nearest to 5
        {{1, 8, 26}, std::nullopt, 8},  // the first item: nearest to 5
        {{}, 2, std::nullopt},          // no candidates
    };
    for (const Case& c : cases)
        EXPECT_EQ(pickSource(c.candidates, c.previous, nearFive), c.picked)
            << "previous " << c.previous.value_or(99);
}

TEST(ContentMatch, AudioTakesTheNearestOfEqualFrames) {
    const auto nearFive = [](std::size_t i) { return i > 5 ? double(i - 5) : double(5 - i); };
    EXPECT_EQ(nearestSource({3, 28}, 2, nearFive), 3u);  // runs on
    EXPECT_EQ(nearestSource({4, 6}, 5, nearFive), 6u);   // equally near: runs on
    EXPECT_EQ(nearestSource({1, 6}, 0, nearFive), 6u);   // a cut of one period is a cut
    EXPECT_EQ(nearestSource({}, 0, nearFive), std::nullopt);
}

}  // namespace
}  // namespace avcheck
