#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "builder/recording_reader.h"
#include "builder/synthetic_video.h"

namespace recbuild {
namespace {

using test::samples;

TEST(VideoParsing, SamplePicturesCoverTheStreamAndShowEveryFrameOnce) {
    const VideoStream& v = samples().video;
    ASSERT_EQ(v.pictures.size(), 300u);
    EXPECT_EQ(v.rate.ticksFor(1), 3003u);
    std::size_t at = 0;
    std::vector<std::uint32_t> shown;
    for (const CodedPicture& p : v.pictures) {
        EXPECT_EQ(p.offset, at);
        at = p.end();
        shown.push_back(p.displayIndex);
    }
    EXPECT_EQ(at, v.bytes.size());
    std::sort(shown.begin(), shown.end());
    std::vector<std::uint32_t> all(300);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(shown, all);
}

TEST(VideoParsing, DisplayIndexIsGopBasePlusTemporalReference) {
    // Two GOPs: I0 P3 B1 B2, then an open GOP whose B pictures show before its I.
    const std::vector<std::uint8_t> bytes = test::SyntheticVideo()
                                                .sequence(40)
                                                .gop()
                                                .picture(0, 1)
                                                .picture(3, 2)
                                                .picture(1, 3)
                                                .picture(2, 3)
                                                .sequence(40)
                                                .gop()
                                                .picture(2, 1)
                                                .picture(0, 3)
                                                .picture(1, 3)
                                                .bytes();
    const VideoStream v = parseVideoStream(bytes);
    std::vector<std::uint32_t> shown;
    for (const CodedPicture& p : v.pictures)
        shown.push_back(p.displayIndex);
    EXPECT_EQ(shown, (std::vector<std::uint32_t>{0, 3, 1, 2, 6, 4, 5}));
    EXPECT_EQ(v.pictures[4].sequenceHeaderLength, 40u);
    EXPECT_EQ(v.pictures[4].gopHeaderLength, 8u);
    EXPECT_EQ(v.pictures[5].sequenceHeaderLength + v.pictures[5].gopHeaderLength, 0u);
}

TEST(VideoParsing, RefusesAStreamThatDoesNotOpenWithASequenceHeader) {
    std::vector<std::uint8_t> bytes = test::SyntheticVideo().gop().picture(0, 1).bytes();
    EXPECT_THROW(parseVideoStream(bytes), std::runtime_error);
    bytes = test::SyntheticVideo().sequence(12).picture(0, 1).bytes();
    bytes.insert(bytes.begin(), 0xAA);
    EXPECT_THROW(parseVideoStream(bytes), std::runtime_error);
}

TEST(AudioParsing, SampleStreamsAreFramesOfAFixedStep) {
    EXPECT_EQ(samples().mp2.kind, AudioKind::Layer2);
    EXPECT_EQ(samples().mp2.ticksFor(417), 417u * 2160);
    EXPECT_EQ(samples().ac3.kind, AudioKind::Ac3);
    EXPECT_EQ(samples().ac3.ticksFor(313), 313u * 2880);
}

TEST(AudioParsing, FrameLengthFollowsTheHeader) {
    struct Case {
        std::vector<std::uint8_t> header;
        std::size_t length;
    };
    const Case cases[] = {
        {{0xFF, 0xFD, 0xC4, 0x00}, 768},   // Layer II 256 kbit/s, 48 kHz
        {{0xFF, 0xFC, 0xC2, 0x00}, 836},   // 44.1 kHz with the padding byte
        {{0xFF, 0xFD, 0x84, 0x00}, 384},   // 128 kbit/s
        {{0x0B, 0x77, 0, 0, 0x1C}, 1536},  // AC-3 384 kbit/s, 48 kHz
        {{0x0B, 0x77, 0, 0, 0x5D}, 1672},  // 44.1 kHz, odd size code
        {{0x0B, 0x77, 0, 0, 0x5C}, 1670},  // ... even size code
        {{0x0B, 0x77, 0, 0, 0x9C}, 2304},  // 32 kHz
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> frame = c.header;
        frame.resize(c.length);
        const AudioStream s = parseAudioStream(frame);
        ASSERT_EQ(s.frames.size(), 1u);
        EXPECT_EQ(s.frames[0].length, c.length);
    }
}

TEST(AudioParsing, RefusesJunkAndCutFrames) {
    std::vector<std::uint8_t> two(samples().mp2.bytes.begin(), samples().mp2.bytes.begin() + 1536);
    EXPECT_EQ(parseAudioStream(two).frames.size(), 2u);
    two.pop_back();
    EXPECT_THROW(parseAudioStream(two), std::runtime_error);
    two[768] = 0;
    EXPECT_THROW(parseAudioStream(two), std::runtime_error);
    EXPECT_THROW(parseAudioStream({0x00, 0x00, 0x01, 0xC0}), std::runtime_error);
}

}  // namespace
}  // namespace recbuild
