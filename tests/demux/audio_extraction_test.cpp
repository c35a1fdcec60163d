// SPDX-License-Identifier: MIT
#include "demux/audio_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_console.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

// A DTivo Layer II packet and the frame it carries.
ByteVector packet(PtsTicks pts, std::size_t frameBytes = 384) {
    return dtivoLayer2Packet(pts, frameBytes);
}
ByteVector frameOf(const ByteVector& packet) {
    return ByteVector(packet.begin() + 11, packet.end());
}

// Feeds audio records one by one: 384-byte frames 2160 ticks apart; nothing
// is too early.
struct AudioRun {
    CapturedConsole out;
    RunState run{.standardAudioSize = 204,
                 .standardFrameLength = 384,
                 .standardAudioDiff = 2160,
                 .firstVideoPTS = 0};
    Decoder decoder{out.console(), run};
    MemoryOutput audio;
    AudioExtraction state;

    explicit AudioRun(int verboseLevel = kQuiet, bool standalone = false) : out(verboseLevel) {
        if (!standalone) return;
        run.saMode = 1;
        run.audioPesHeaderLength = 16;
    }
    void feed(const ByteVector& record) {
        handleAudioRecord(decoder, run, state, audio.file, Bytes(record),
                          static_cast<std::uint32_t>(record.size()));
    }
};

TEST(AudioAssembly, SmallRecordsAreJoinedWithWhatFollowsByTheRecordersRules) {
    const ByteVector a = packet(1000, 375), b = packet(3160), tail9 = filler(9);
    // b in three records; the first two hold its header and 19 frame bytes.
    const ByteVector b1(b.begin(), b.begin() + 20), b2(b.begin() + 20, b.begin() + 30),
        b3(b.begin() + 30, b.end()), joined(b.begin() + 11, b.begin() + 30);
    const ByteVector header = standaloneAudioHeader(1000),
                     data = concat({kLayer2Frame384, filler(96)}), more = filler(96, 0x50);
    struct Case {
        bool standalone;
        std::uint32_t standardAudioSize;  // records below this minus 4 are small
        std::vector<ByteVector> records;
        ByteVector expected;
    };
    const Case cases[] = {
        // Without a start code, 9 bytes are held, 10 dropped (and the frame padded).
        {false, 204, {a, tail9, b}, concat({frameOf(a), tail9, frameOf(b)})},
        {false, 204, {a, filler(10), b}, concat({frameOf(a), ByteVector(9, 0), frameOf(b)})},
        // DTivo joins exactly two non-empty records; the rest is a unit without header.
        {false, 204, {b1, {}, b2, b3, a}, concat({joined, ByteVector(365, 0), frameOf(a)})},
        // Standalone appends until the unit reaches the standard size less 4.
        {true, 216, {header, data, more}, concat({data, more})},
        // Below 4 every record is small (DTivo joins whole packets), but nothing waits.
        {false, 3, {a, b}, concat({frameOf(a), b})},
        {true, 3, {header, data}, data},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        AudioRun r(kQuiet, c.standalone);
        r.run.standardAudioSize = c.standardAudioSize;
        for (const ByteVector& record : c.records)
            r.feed(record);
        EXPECT_EQ(r.audio.bytes(), c.expected);
    }
}

TEST(AudioAssembly, NeverGrowsPastItsCapacity) {
    AudioRun r(kQuiet, true);
    r.run.standardAudioSize = 0x7FFFFFFF;  // waits for ever
    r.feed(standaloneAudioHeader(1000));
    for (int i = 0; i < 3; ++i)
        r.feed(filler(131000));
    EXPECT_EQ(static_cast<std::size_t>(r.state.audioAssemblyLength),
              AudioExtraction::kAssemblyCapacity);
}

TEST(AudioAssembly, AfterAHoleTheAudioRestartsAtAPacketStart) {
    const ByteVector a = packet(1000), b = packet(3160), c = packet(5320);
    const ByteVector bFront(b.begin(), b.begin() + 40), bTail(b.end() - 9, b.end());
    const ByteVector tailThenC = concat({filler(100), c});
    struct Case {
        const char* what;
        std::vector<ByteVector> before, after;  // records either side of the hole
    };
    const Case cases[] = {
        {"a packet's front before the hole", {a, bFront}, {c}},
        {"a short tail after it", {a}, {bTail, c}},
        {"both", {a, bFront}, {bTail, c}},
        {"a tail with a packet start past its front", {a}, {tailThenC, c}},
    };
    for (const Case& c2 : cases) {
        AudioRun r(kVerbose);
        for (const ByteVector& record : c2.before)
            r.feed(record);
        resumeAfterHole(r.state);
        for (const ByteVector& record : c2.after)
            r.feed(record);
        // Nothing foreign is glued to frame a, so it needs no padding either.
        EXPECT_EQ(r.audio.bytes(), concat({frameOf(a), frameOf(c)})) << c2.what;
        EXPECT_EQ(r.out.text(), "") << c2.what;
    }
}

TEST(AudioStart, FramesMoreThanHalfAStepBeforeTheFirstPictureAreDropped) {
    struct Case {
        const char* what;
        PtsTicks pts, firstVideo;
        bool accepted;
    };
    const Case cases[] = {
        {"half a step before", 100000 - 1080, 100000, true},
        {"one tick more", 100000 - 1081, 100000, false},
        {"after the picture", 150000, 100000, true},
        {"near the wrap, half a step before", 0xFFFFF000 - 1080, 0xFFFFF000, true},
        {"pts + step wraps", 0xFFFFFF00, 0xFFFFF000, false},
        {"no video time stamp", 5, kNoPts, false},
    };
    for (const Case& c : cases) {
        AudioRun r;
        r.run.firstVideoPTS = c.firstVideo;
        const ByteVector p = packet(c.pts);
        r.feed(p);
        EXPECT_EQ(r.audio.bytes(), c.accepted ? frameOf(p) : ByteVector()) << c.what;
        EXPECT_EQ(r.run.firstAudioPTS, c.accepted ? c.pts : kNoPts) << c.what;
    }
}

TEST(AudioFrames, ShortFramesArePaddedLongOnesKeptAndTheLastLeftAlone) {
    const ByteVector a = packet(1000, 380), b = packet(3160), c = packet(5320, 390),
                     d = packet(7480, 250);
    const std::string expectedText =
        "Error. We did not find an embedded audio header!\n"
        "\nWoah.... This is a DTivo audio error packet.\nWe have written 380 bytes and we needed "
        "to write 384 bytes...\nWrite out 4 padding 0's\n"
        "\nWoah.... This is a DTivo audio error packet.\nWe have written 390 bytes and we needed "
        "to write 384 bytes...\nWrite out -6 padding 0's\n";
    AudioRun r(kVerbose);
    // A unit without a header in between is dropped; the frame before it still counts.
    for (const ByteVector& p : {a, filler(300), b, c, d})
        r.feed(p);
    EXPECT_EQ(r.audio.bytes(),
              concat({frameOf(a), ByteVector(4, 0), frameOf(b), frameOf(c), frameOf(d)}));
    EXPECT_EQ(r.out.text(), expectedText);
}

}  // namespace
}  // namespace kestrel
