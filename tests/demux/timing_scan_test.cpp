#include <gtest/gtest.h>

#include "demux/chunk_timing.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/timed_payloads.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;
using test::TestRecord;

constexpr std::uint32_t kBase = 0x400000;  // a counter well above the threshold

// One scanner with its run-long state, as ParseChunk holds it.
struct Scanner {
    explicit Scanner(int verbosity = kQuiet, std::int32_t saMode = 0) : out(verbosity) {
        run.saMode = saMode;
    }
    ChunkTiming scan(const ChunkBuilder& builder) {
        ChunkTiming timing;
        scanChunkTiming(decoder, state, scratch, builder.build()->view(), timing);
        return timing;
    }
    test::CapturedConsole out;
    RunState run;
    Decoder decoder{out.console(), run};
    VideoCountState state;
    AudioScratch scratch;
};

// A record of `size` zero bytes.
TestRecord record(std::uint8_t type, std::uint32_t size, std::uint32_t counter,
                  std::uint8_t subtype = 0) {
    return {.subtype = subtype,
            .type = type,
            .byteCount = counter,
            .payload = std::vector<std::uint8_t>(size)};
}
TestRecord video(std::uint32_t size, std::uint32_t counter, std::uint8_t subtype = 0) {
    return record(kVideoType, size, counter, subtype);
}
TestRecord videoPes(PtsTicks pts, std::uint32_t counter = 0) {
    return {.subtype = kVideoPesSubtype,
            .type = kVideoType,
            .byteCount = counter,
            .payload = test::videoPesPayload(pts)};
}
TestRecord audio(std::vector<std::uint8_t> bytes, std::uint32_t counter = 0) {
    return {.type = kAudioType, .byteCount = counter, .payload = std::move(bytes)};
}

TEST(TimingScan, CountersMayFallBackOnlyByTheRecordersKnownJumps) {
    struct Case {
        std::uint8_t type;
        std::int64_t fallBack;  // how far the second counter lies before the expected one
        bool reported;
    };
    for (const Case c : {Case{kVideoType, 1139712, false}, Case{kVideoType, 838656, false},
                         Case{kVideoType, 838624, false}, Case{kVideoType, 838655, true},
                         Case{kVideoType, -1139712, true}, Case{kAudioType, 128736, false},
                         Case{kAudioType, 162432, false}, Case{kAudioType, -162432, true},
                         Case{kAudioType, 1139712, true}}) {
        Scanner scanner;
        const auto second = static_cast<std::uint32_t>(kBase + 100 - c.fallBack);
        const ChunkTiming t = scanner.scan(
            ChunkBuilder().add(record(c.type, 100, kBase)).add(record(c.type, 50, second)));
        const ByteCountRange& range = c.type == kVideoType ? t.vidByteCount : t.audByteCount;
        EXPECT_EQ(range.start, static_cast<std::int32_t>(kBase)) << c.fallBack;
        EXPECT_EQ(range.end, static_cast<std::int32_t>(second + 50)) << c.fallBack;
        EXPECT_EQ(scanner.out.take().empty(), !c.reported) << int(c.type) << " " << c.fallBack;
    }
}

TEST(TimingScan, CounterGapIsReportedAtEveryVerbosityWithItsBytes) {
    Scanner scanner(kQuiet);
    const ChunkTiming t = scanner.scan(ChunkBuilder()
                                           .add(video(0x20, 0x2FFFF0))
                                           .add(video(0x08, 0x300000))
                                           .add(video(0x10, 0x300008))
                                           .add(record(kAudioType, 0x40, 0x310000))
                                           .add(record(kAudioType, 0x40, 0x310041)));
    EXPECT_EQ(scanner.out.take(),
              "### The Vid Body is off! 30  0  0 -> 30  0 10  diff == 0xFFFFFFF0 (-16)\n"
              "$$$ The Aud Body is off! 31  0 41 -> 31  0 40  diff == 0x1 (1)\n");
    EXPECT_EQ(t.vidByteCount.end, 0x300018);  // goes on from the record that was off
    EXPECT_EQ(t.audByteCount.end, 0x310081);
}

TEST(TimingScan, SequenceHeaderWindowCountsThePesHeaderBytesOnce) {
    // A counted sequence-header record of 40 bytes leaves 48 bytes of window;
    // counted records of 30 and 18 use them up; the next counted record closes
    // it. The recorder counted 16 bytes for a PES header record in the window,
    // whether or not the table shows one. Standalone recorders open no window.
    struct Case {
        std::int32_t saMode;
        bool pesRecord;
        std::uint32_t expectedGap;  // closing counter minus the end after the 18-byte record
    };
    for (const Case c :
         {Case{0, false, 16}, Case{0, true, 16}, Case{1, false, 0}, Case{1, true, 0}}) {
        for (const std::uint32_t gap : {0u, 16u, 32u}) {
            Scanner scanner(kQuiet, c.saMode);
            ChunkBuilder chunk;
            chunk.add(video(40, kBase, kSeqStartSubtype))
                .add(video(30, kBase + 40))
                .add(video(18, kBase + 70));
            if (c.pesRecord) chunk.add(videoPes(90000));
            scanner.scan(chunk.add(video(100, kBase + 88 + gap)));
            EXPECT_EQ(scanner.out.take().empty(), gap == c.expectedGap)
                << "sa " << c.saMode << " pes " << c.pesRecord << " gap " << gap;
        }
    }
}

TEST(TimingScan, UncountedShortRecordsAddByTheirPairRule) {
    struct Case {
        std::uint8_t openerSubtype;
        std::int32_t saMode;
        int shortRecords;
        std::uint32_t added;
    };
    for (const Case c : {Case{0, 0, 1, 0}, Case{0, 0, 2, 4}, Case{0, 0, 3, 4}, Case{7, 0, 1, 8},
                         Case{7, 0, 2, 12}, Case{7, 0, 3, 20}, Case{7, 1, 2, 4}}) {
        Scanner scanner(kQuiet, c.saMode);
        ChunkBuilder chunk;
        chunk.add(video(20, kBase, c.openerSubtype));
        for (int i = 0; i < c.shortRecords; ++i)
            chunk.add(video(4, 0));
        EXPECT_EQ(scanner.scan(chunk).vidByteCount.end,
                  static_cast<std::int32_t>(kBase + 20 + c.added))
            << int(c.openerSubtype) << " sa " << c.saMode << " x" << c.shortRecords;
    }
    // Before the first counted record they move the start back.
    Scanner scanner;
    EXPECT_EQ(scanner.scan(ChunkBuilder().add(video(8, 0x1234)).add(video(100, kBase)))
                  .vidByteCount.start,
              static_cast<std::int32_t>(kBase - 8));
}

TEST(TimingScan, VideoStampsGiveTheRangeAudioKeepsTheFirstAsStart) {
    Scanner scanner;
    const ChunkTiming t = scanner.scan(
        ChunkBuilder()
            .add(videoPes(5000))
            .add(videoPes(3000))
            .add(videoPes(4000))
            .add(audio(test::joined({test::layer2Packet(5000), test::layer2Packet(3000)})))
            .add(audio(test::layer2Packet(4000))));
    EXPECT_EQ(std::vector<PtsTicks>({t.sVid, t.eVid, t.sAud, t.eAud}),
              std::vector<PtsTicks>({3000, 5000, 5000, 5000}));
}

TEST(TimingScan, FrameSyncInTheLastThreeGatheredBytesEndsTheWalk) {
    for (const std::size_t bytesFromSync : {3u, 4u}) {
        Scanner scanner(kVeryVerbose);
        auto second = test::layer2Packet(8000);
        second.resize(11 + bytesFromSync);
        scanner.scan(ChunkBuilder().add(audio(test::layer2Packet(1000))).add(audio(second)));
        const std::string text = scanner.out.take();
        const bool boundary = bytesFromSync == 3;
        EXPECT_EQ(
            text.find("\nHad the end-of-buffer Audio Boundry occur...\n") != std::string::npos,
            boundary);
        EXPECT_EQ(text.find("PTS CHECK: Audio == (8000) ") == std::string::npos, boundary);
    }
}

TEST(TimingScan, TypesOneAndTwoNeverTakeAPayloadTypesThreeToFiveAlways) {
    // The first record's payload holds a PES header for 7000, the video PES
    // record's own payload (right after it) one for 9000. A header-only type 4
    // record moves the scan out of the chunk: nothing after it is read, but
    // the counters still count.
    struct Case {
        std::uint8_t type;
        bool headerOnly;
        PtsTicks expected;
    };
    for (const Case c : {Case{1, false, 7000}, Case{2, false, 7000}, Case{1, true, 9000},
                         Case{3, false, 9000}, Case{5, false, 9000}, Case{4, true, kNoPts}}) {
        Scanner scanner;
        TestRecord other{.size = 16,
                         .type = c.type,
                         .headerOnly = c.headerOnly,
                         .payload = test::videoPesPayload(7000)};
        const ChunkTiming t = scanner.scan(ChunkBuilder()
                                               .add(other)
                                               .add(videoPes(9000, kBase))
                                               .add(audio(test::layer2Packet(1), kBase)));
        EXPECT_EQ(t.sVid, c.expected) << int(c.type) << c.headerOnly;
        EXPECT_EQ(t.sAud == kNoPts, c.expected == kNoPts);
        EXPECT_EQ(t.vidByteCount.start, static_cast<std::int32_t>(kBase));
        EXPECT_EQ(t.audByteCount.start, static_cast<std::int32_t>(kBase));
    }
}

TEST(TimingScan, VeryVerboseShowsEveryStampAndASummaryVerboseNothing) {
    const auto chunk = ChunkBuilder()
                           .add(videoPes(90000, 0x300000))
                           .add(audio(test::layer2Packet(93600), 0x310000));
    Scanner verbose(kVerbose);
    verbose.scan(chunk);
    EXPECT_EQ(verbose.out.take(), "");
    Scanner loud(kVeryVerbose);
    loud.scan(chunk);
    EXPECT_EQ(loud.out.take(),
              "PTS CHECK: Video == (90000) 00:00:01.000\n\n"
              "PTS CHECK: Audio == (93600) 00:00:01.040\n"
              "sVid = 90000 00:00:01.000\neVid = 90000 00:00:01.000\n"
              "sAud = 93600 00:00:01.040\neAud = 93600 00:00:01.040\n"
              "Vid ByteCount = 30  0  0 to 30  0 10\nAud ByteCount = 31  0  0 to 31  0 6B\n");
}

}  // namespace
}  // namespace kestrel
