// SPDX-License-Identifier: MIT
#include "repair/audio_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_console.h"
#include "support/collected_bytes.h"

namespace kestrel {
namespace {

constexpr std::int64_t kFrame = 2160;    // a Layer II frame at 48 kHz
constexpr std::int64_t kPicture = 3003;  // a frame period at 29.97 Hz
constexpr std::size_t kFrameBytes = 768;

// A 256 kbit/s stereo Layer II frame at 48 kHz, numbered in byte 4 (a
// silent frame has no bits allocated there).
std::vector<std::uint8_t> layer2Frame(int number) {
    std::vector<std::uint8_t> frame(kFrameBytes, 0);
    frame[0] = 0xFF;
    frame[1] = 0xFD;
    frame[2] = 0xC4;
    frame[4] = static_cast<std::uint8_t>(0x80 + number);
    return frame;
}

// What the clock wrote, frame by frame: "F<n>" for frame n, "S" for silence.
struct Written : test::CollectedBytes {
    std::string frames() const {
        std::string out;
        for (std::size_t at = 0; at + kFrameBytes <= bytes.size(); at += kFrameBytes) {
            const std::uint8_t mark = bytes[at + 4];
            if (mark < 0x80) {
                out += "S ";
                continue;
            }
            out += 'F';
            out += std::to_string(mark - 0x80);
            out += ' ';
        }
        return out;
    }
};

// Pictures shown one after another from output time 0; `sources` their
// times in the recording (a jump is a cut).
std::vector<ShownPicture> pictures(const std::vector<std::int64_t>& sources) {
    std::vector<ShownPicture> shown;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const bool cut = i == 0 || sources[i] != sources[i - 1] + kPicture;
        shown.push_back({sources[i], static_cast<double>(i * kPicture), kPicture, cut});
    }
    return shown;
}

std::vector<std::int64_t> run(std::int64_t from, std::int64_t count, std::int64_t step) {
    std::vector<std::int64_t> times;
    for (std::int64_t i = 0; i < count; ++i)
        times.push_back(from + i * step);
    return times;
}

// Five pictures, five cut, five more.
std::vector<std::int64_t> fiveCutFiveMore() {
    std::vector<std::int64_t> sources = run(0, 5, kPicture);
    for (std::int64_t t : run(10 * kPicture, 5, kPicture))
        sources.push_back(t);
    return sources;
}

TEST(AudioClock, PlacesEveryFrameWhereItsTimeIsShown) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> pictures;  // source times, in display order
        std::vector<std::int64_t> frames;    // source times of frames 0, 1, ...
        std::string written;
        CleanCutTotals totals;
    };
    std::vector<std::int64_t> lost = run(0, 14, kFrame);
    lost.erase(lost.begin() + 5);
    const Case cases[] = {
        {"in step",
         run(0, 10, kPicture),
         run(0, 14, kFrame),
         "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 F13 ",
         {1, 0, 0}},
        {"a frame lost",
         run(0, 10, kPicture),
         lost,
         "F0 F1 F2 F3 F4 S F5 F6 F7 F8 F9 F10 F11 F12 ",
         {1, 0, 1}},
        {"audio before the video and after its end",
         run(5000, 10, kPicture),
         run(5000 - 3 * kFrame, 18, kFrame),
         "F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 F13 F14 F15 F16 ",
         {1, 4, 0}},
        {"audio starting after the video",
         run(0, 10, kPicture),
         run(5000, 12, kFrame),
         "S S F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 ",
         {1, 0, 2}},
        // Frames 7 to 13 fall in the pictures cut; frame 14 follows the cut
        // 210 ticks into its first picture; 21 to 27 come after the end.
        {"a run cut with the video",
         fiveCutFiveMore(),
         run(0, 28, kFrame),
         "F0 F1 F2 F3 F4 F5 F6 F14 F15 F16 F17 F18 F19 F20 ",
         {2, 14, 0}},
    };
    for (const Case& c : cases) {
        test::CapturedConsole out(kVerbose);
        Written audio;
        AudioClock clock(out.console(), audio);
        // Audio and video arrive interleaved: a frame as soon as the pictures
        // before it came, the way a recording holds them.
        std::size_t next = 0;
        for (const ShownPicture& p : pictures(c.pictures)) {
            while (next < c.frames.size() && c.frames[next] < p.source) {
                const std::vector<std::uint8_t> frame = layer2Frame(static_cast<int>(next));
                clock.frame(frame, c.frames[next++]);
            }
            clock.shown(p, 0);
        }
        for (; next < c.frames.size(); ++next)
            clock.frame(layer2Frame(static_cast<int>(next)), c.frames[next]);
        clock.finish(static_cast<double>(c.pictures.size() * kPicture));
        EXPECT_EQ(audio.frames(), c.written) << c.what;
        EXPECT_EQ(clock.totals().cuts, c.totals.cuts) << c.what;
        EXPECT_EQ(clock.totals().audioFramesDropped, c.totals.audioFramesDropped) << c.what;
        EXPECT_EQ(clock.totals().silentFramesInserted, c.totals.silentFramesInserted) << c.what;
    }
}

TEST(AudioClock, ReportsEachCutOnceTheAudioHasCaughtUpWithIt) {
    test::CapturedConsole out(kVerbose);
    Written audio;
    AudioClock clock(out.console(), audio);
    const std::vector<ShownPicture> shown = pictures(fiveCutFiveMore());
    clock.shown(shown[0], 3);
    for (std::size_t i = 1; i < 5; ++i)
        clock.shown(shown[i], 0);
    for (std::int64_t t : run(-kFrame, 8, kFrame))
        clock.frame(layer2Frame(0), t);
    EXPECT_EQ(out.take(),
              "Clean cut: 3 pictures dropped up to the next GOP, 1 audio frames dropped, 0 "
              "silent frames inserted.\n");
    clock.shown(shown[5], 14);
    clock.finish(10 * kPicture);
    EXPECT_EQ(out.take(),
              "Clean cut: 14 pictures dropped up to the next GOP, 0 audio frames dropped, 7 "
              "silent frames inserted.\n");
}

}  // namespace
}  // namespace kestrel
