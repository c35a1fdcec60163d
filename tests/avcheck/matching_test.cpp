// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "avcheck/content_match.h"
#include "avcheck/video_pictures.h"

namespace avcheck {
namespace {

using Stream = std::vector<std::uint8_t>;

void append(Stream& s, std::initializer_list<std::uint8_t> bytes) {
    s.insert(s.end(), bytes);
}

// A sequence header at 29.97 frames per second (frame_rate_code 4).
void sequenceHeader(Stream& s) {
    append(s, {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x34, 0xFF, 0xFF, 0xE0, 0x00});
}

// A picture: header with temporal reference and coding type, a picture
// coding extension (repeat_first_field for 3 fields), one slice of `body`.
void picture(Stream& s, int temporalReference, int codingType, int fields, std::uint8_t body) {
    append(s,
           {0, 0, 1, 0x00, static_cast<std::uint8_t>(temporalReference >> 2),
            static_cast<std::uint8_t>((temporalReference & 3) << 6 | codingType << 3), 0xFF, 0xF8});
    append(s, {0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF3,
               static_cast<std::uint8_t>(fields == 3 ? 0x82 : 0x80), 0x80});
    append(s, {0, 0, 1, 0x01, body, body, body});
}

constexpr int kI = 1, kP = 2, kB = 3;
constexpr Ticks kField = 1501.5;

TEST(VideoPictures, DisplayTimesFollowTheDecodersOrderAndFieldCounts) {
    Stream s;
    sequenceHeader(s);
    picture(s, 0, kI, 2, 0x10);
    picture(s, 3, kP, 2, 0x11);
    picture(s, 1, kB, 3, 0x12);
    picture(s, 2, kB, 2, 0x13);
    append(s, {0, 0, 1, 0xB8, 0, 0, 0, 0});  // the next GOP ends the last picture
    picture(s, 2, kI, 2, 0x14);
    const std::optional<VideoPictures> video = splitVideo(s);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->fieldPeriod, kField);
    EXPECT_EQ(displayOrder(video->pictures), (std::vector<std::size_t>{0, 2, 3, 1, 4}));
    const std::vector<Ticks> times =
        displayTimes(*video, std::vector<std::optional<Ticks>>(5, std::nullopt));
    EXPECT_EQ(times, (std::vector<Ticks>{0, 7 * kField, 2 * kField, 5 * kField, 9 * kField}));
    EXPECT_EQ(video->pictures[3].content.size(), 7u) << "the GOP header is not picture content";
}

TEST(VideoPictures, AStampedPictureStartsAtItsStampAndTheNextFollowsIt) {
    Stream s;
    sequenceHeader(s);
    for (int i = 0; i < 3; ++i)
        picture(s, i, kP, 2, static_cast<std::uint8_t>(0x20 + i));
    const std::optional<VideoPictures> video = splitVideo(s);
    ASSERT_TRUE(video);
    EXPECT_EQ(displayTimes(*video, {std::nullopt, 9000.0, std::nullopt}),
              (std::vector<Ticks>{0, 9000, 9000 + 2 * kField}));
}

TEST(VideoPictures, EditedHeadersLeaveTheContentAlone) {
    Stream a, b;
    sequenceHeader(a);
    sequenceHeader(b);
    picture(a, 5, kB, 2, 0x33);
    picture(b, 1, kB, 2, 0x33);
    EXPECT_TRUE(
        std::ranges::equal(splitVideo(a)->pictures[0].content, splitVideo(b)->pictures[0].content));
    EXPECT_FALSE(splitVideo(Stream{0, 0, 1, 0x00, 0, 0x08})) << "no sequence header";
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

TEST(ContentMatch, FindsEveryEqualItemAndNoEmptyOne) {
    const Stream x{1, 2, 3}, y{1, 2, 4};
    const std::vector<kestrel::Bytes> items{x, y, {}, x};
    const ContentIndex index(items);
    EXPECT_EQ(index.find(x), (std::vector<std::size_t>{0, 3}));
    EXPECT_TRUE(index.find(kestrel::Bytes{}).empty());
}

}  // namespace
}  // namespace avcheck
