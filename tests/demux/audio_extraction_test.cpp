#include "demux/audio_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_console.h"
#include "support/memory_output.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

// A DTivo Layer II packet whose frame part is `frameBytes` long.
ByteVector packet(PtsTicks pts, std::size_t frameBytes) {
    return dtivoLayer2Packet(pts, frameBytes);
}
ByteVector frameOf(const ByteVector& packet) {
    return ByteVector(packet.begin() + 11, packet.end());
}
ByteVector slice(const ByteVector& v, std::size_t from, std::size_t to) {
    return ByteVector(v.begin() + static_cast<std::ptrdiff_t>(from),
                      v.begin() + static_cast<std::ptrdiff_t>(to));
}

const std::string kNoHeader = "Error. We did not find an embedded audio header!\n";

// Feeds audio records one by one. DTivo Layer II with 384-byte frames;
// records below 200 bytes are small; nothing is too early.
struct AudioRun {
    CapturedConsole out;
    RunState run{.standardAudioSize = 204,
                 .standardFrameLength = 384,
                 .standardAudioDiff = 2160,
                 .firstVideoPTS = 0};
    Decoder decoder{out.console(), run};
    MemoryOutput audio;
    AudioExtraction state;

    explicit AudioRun(int verboseLevel = kQuiet) : out(verboseLevel) {}
    void standalone(std::uint32_t standardAudioSize) {
        run.saMode = 1;
        run.audioPesHeaderLength = 16;
        run.standardAudioSize = standardAudioSize;
    }
    void feed(const ByteVector& record) {
        handleAudioRecord(decoder, run, state, audio.file, Bytes(record),
                          static_cast<std::uint32_t>(record.size()));
    }
};

TEST(AudioAssembly, SmallRecordWithoutStartCodeIsHeldOnlyBelowTenBytes) {
    const ByteVector a = packet(1000, 375), b = packet(3160, 384);
    for (const std::size_t tailLength : {9u, 10u}) {
        AudioRun r;
        const ByteVector tail = filler(tailLength, 0x70);
        r.feed(a);
        r.feed(tail);
        r.feed(b);
        // Held, the 9 bytes complete the first frame; dropped, zeros do.
        const ByteVector expected = tailLength == 9
                                        ? concat({frameOf(a), tail, frameOf(b)})
                                        : concat({frameOf(a), ByteVector(9, 0), frameOf(b)});
        EXPECT_EQ(r.audio.bytes(), expected) << tailLength;
    }
}

TEST(AudioAssembly, DTivoJoinsExactlyTwoNonEmptyRecords) {
    AudioRun r;
    const ByteVector p = packet(1000, 384), q = packet(3160, 384);
    r.feed(slice(p, 0, 20));  // small, with a start code: held
    r.feed({});               // empty records take no part
    r.feed(slice(p, 20, 30));
    EXPECT_FALSE(r.state.audioAssemblyActive);
    r.feed(slice(p, 30, p.size()));  // a unit of its own, without a header
    EXPECT_EQ(r.out.text(), kNoHeader);
    // The next assembly starts afresh.
    r.feed(slice(q, 0, 20));
    r.feed(slice(q, 20, q.size()));
    EXPECT_EQ(r.audio.bytes(), concat({slice(p, 11, 30), ByteVector(365, 0), frameOf(q)}));
}

TEST(AudioAssembly, StandaloneAppendsUntilTheUnitReachesTheStandardSize) {
    AudioRun r;
    r.standalone(216);  // units of at least 212 bytes
    const ByteVector first = concat({kLayer2Frame384, filler(96)});
    const ByteVector second = filler(96, 0x50);
    r.feed(standaloneAudioHeader(1000));
    r.feed(first);
    EXPECT_TRUE(r.state.audioAssemblyActive);
    EXPECT_EQ(r.state.audioAssemblyLength, 116);
    r.feed(second);
    EXPECT_FALSE(r.state.audioAssemblyActive);
    EXPECT_EQ(r.audio.bytes(), concat({first, second}));
    EXPECT_EQ(r.run.firstAudioPTS, 1000u);
}

TEST(AudioAssembly, StandardAudioSizeBelowFourMakesEveryRecordSmallButNeverWaits) {
    AudioRun dtivo;
    dtivo.run.standardAudioSize = 3;
    const ByteVector a = packet(1000, 384), b = packet(3160, 384);
    dtivo.feed(a);
    dtivo.feed(b);
    // Two whole packets became one unit: the second one's header is frame data.
    EXPECT_EQ(dtivo.audio.bytes(), concat({frameOf(a), b}));

    AudioRun standalone;
    standalone.standalone(3);
    const ByteVector data = concat({kLayer2Frame384, filler(16)});
    standalone.feed(standaloneAudioHeader(1000));
    standalone.feed(data);
    EXPECT_EQ(standalone.audio.bytes(), data);
}

TEST(AudioAssembly, NeverGrowsPastItsCapacity) {
    AudioRun r;
    r.standalone(0x7FFFFFFF);  // waits for ever
    r.feed(standaloneAudioHeader(1000));
    for (int i = 0; i < 3; ++i)
        r.feed(filler(131000));
    EXPECT_EQ(static_cast<std::size_t>(r.state.audioAssemblyLength),
              AudioExtraction::kAssemblyCapacity);
    EXPECT_TRUE(r.audio.bytes().empty());
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
        AudioRun r(kVerbose);
        r.run.firstVideoPTS = c.firstVideo;
        const ByteVector p = packet(c.pts, 384);
        r.feed(p);
        EXPECT_EQ(r.audio.bytes(), c.accepted ? frameOf(p) : ByteVector()) << c.what;
        EXPECT_EQ(r.run.firstAudioPTS, c.accepted ? c.pts : kNoPts) << c.what;
        EXPECT_EQ(r.out.text(), c.accepted ? "" : "Dumping a 'too early' audio packet.\n")
            << c.what;
    }
}

TEST(AudioStart, EveryUnitIsCheckedUntilOneIsWrittenAndTheFirstStampIsKept) {
    AudioRun r(kVeryVerbose);
    r.run.firstVideoPTS = 100000;
    const ByteVector early = packet(90000, 384), first = packet(98920, 384),
                     later = packet(101080, 384);
    r.feed(early);
    r.feed(first);
    r.feed(later);
    EXPECT_EQ(r.audio.bytes(), concat({frameOf(first), frameOf(later)}));
    EXPECT_EQ(r.run.firstAudioPTS, 98920u);
    EXPECT_EQ(r.out.text(),
              "Checking Skip on PTS: (90000) 00:00:01.000\n"
              "firstVidPTS:          (100000) 00:00:01.111\n"
              "Dumping a 'too early' audio packet.\n"
              "Checking Skip on PTS: (98920) 00:00:01.099\n"
              "firstVidPTS:          (100000) 00:00:01.111\n");
}

TEST(AudioFrames, ShortFramesArePaddedLongOnesKeptAndTheLastLeftAlone) {
    const ByteVector a = packet(1000, 380), b = packet(3160, 384), c = packet(5320, 390),
                     d = packet(7480, 250);
    const std::string expectedText =
        kNoHeader +
        "\nWoah.... This is a DTivo audio error packet.\nWe have written 380 bytes and we needed "
        "to write 384 bytes...\nWrite out 4 padding 0's\n"
        "\nWoah.... This is a DTivo audio error packet.\nWe have written 390 bytes and we needed "
        "to write 384 bytes...\nWrite out -6 padding 0's\n";
    for (const bool discard : {false, true}) {
        AudioRun r(kVerbose);
        r.audio.file.setDiscard(discard);
        // A unit without a header in between is dropped; the frame before it still counts.
        for (const ByteVector& p : {a, filler(300), b, c, d})
            r.feed(p);
        const ByteVector expected =
            concat({frameOf(a), ByteVector(4, 0), frameOf(b), frameOf(c), frameOf(d)});
        EXPECT_EQ(r.audio.bytes(), discard ? ByteVector() : expected);
        EXPECT_EQ(r.out.text(), expectedText) << "discard " << discard;
    }
}

}  // namespace
}  // namespace kestrel
