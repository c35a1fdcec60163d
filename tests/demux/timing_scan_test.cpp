#include <gtest/gtest.h>

#include "demux/chunk_timing.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/timed_payloads.h"

namespace kestrel {
namespace {

using test::CapturedConsole;
using test::ChunkBuilder;
using test::TestRecord;

constexpr std::uint32_t kBase = 0x400000;  // a counter well above the threshold

// One scanner with its run-long state, as ParseChunk holds it.
class Scanner {
  public:
    explicit Scanner(int verbosity = kQuiet, std::int32_t saMode = 0) : out_(verbosity) {
        run_.saMode = saMode;
    }
    ChunkTiming scan(const ChunkBuilder& builder) {
        ChunkTiming timing;
        scanChunkTiming(decoder_, state_, scratch_, builder.build()->view(), timing);
        return timing;
    }
    std::string text() { return out_.take(); }
    RunState& run() { return run_; }
    const AudioScratch& scratch() const { return scratch_; }

  private:
    CapturedConsole out_;
    RunState run_;
    Decoder decoder_{out_.console(), run_};
    VideoCountState state_;
    AudioScratch scratch_;
};

TestRecord video(std::uint32_t size, std::uint32_t counter, std::uint8_t subtype = 0) {
    return {.size = size, .subtype = subtype, .type = kVideoType, .byteCount = counter};
}
TestRecord videoPes(PtsTicks pts, std::uint32_t counter = 0) {
    return {.subtype = kVideoPesSubtype,
            .type = kVideoType,
            .byteCount = counter,
            .payload = test::videoPesPayload(pts)};
}
TestRecord audio(std::uint32_t size, std::uint32_t counter) {
    return {.size = size, .type = kAudioType, .byteCount = counter};
}
TestRecord audioBytes(std::vector<std::uint8_t> bytes, std::uint32_t counter = 0) {
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
                         Case{kAudioType, 162432, false}, Case{kAudioType, 128737, true},
                         Case{kAudioType, -162432, true}, Case{kAudioType, 1139712, true}}) {
        Scanner scanner;
        const auto second = static_cast<std::uint32_t>(kBase + 100 - c.fallBack);
        ChunkBuilder chunk;
        chunk.add({.size = 100, .type = c.type, .byteCount = kBase})
            .add({.size = 50, .type = c.type, .byteCount = second});
        const ChunkTiming t = scanner.scan(chunk);
        const ByteCountRange& range = c.type == kVideoType ? t.vidByteCount : t.audByteCount;
        EXPECT_EQ(range.start, static_cast<std::int32_t>(kBase)) << c.fallBack;
        EXPECT_EQ(range.end, static_cast<std::int32_t>(second + 50)) << c.fallBack;
        EXPECT_EQ(scanner.text().find("Body is off") != std::string::npos, c.reported)
            << int(c.type) << " " << c.fallBack;
    }
}

TEST(TimingScan, CounterGapIsReportedAtEveryVerbosityWithItsBytes) {
    Scanner scanner(kQuiet);
    const ChunkTiming t = scanner.scan(ChunkBuilder()
                                           .add(video(0x20, 0x2FFFF0))
                                           .add(video(0x08, 0x300000))
                                           .add(video(0x10, 0x300008))
                                           .add(audio(0x40, 0x310000))
                                           .add(audio(0x40, 0x310041)));
    EXPECT_EQ(scanner.text(),
              "### The Vid Body is off! 30  0  0 -> 30  0 10  diff == 0xFFFFFFF0 (-16)\n"
              "$$$ The Aud Body is off! 31  0 41 -> 31  0 40  diff == 0x1 (1)\n");
    EXPECT_EQ(t.vidByteCount.start, 0x2FFFF0);
    EXPECT_EQ(t.vidByteCount.end, 0x300018);  // goes on from the record that was off
    EXPECT_EQ(t.audByteCount.end, 0x310081);
}

TEST(TimingScan, SequenceHeaderWindowCountsThePesHeaderBytesOnce) {
    // A counted sequence-header record of 40 bytes leaves 48 bytes of window;
    // counted records of 30 and 18 use them up; the next counted record closes
    // the window. The recorder counted 16 bytes for a PES header record in
    // that window, whether or not the record shows up in the table. Standalone
    // recorders open no window.
    struct Case {
        std::int32_t saMode;
        bool pesRecordInWindow;
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
            if (c.pesRecordInWindow) chunk.add(videoPes(90000));
            chunk.add(video(100, kBase + 88 + gap));
            const ChunkTiming t = scanner.scan(chunk);
            EXPECT_EQ(scanner.text().empty(), gap == c.expectedGap)
                << "sa " << c.saMode << " pes " << c.pesRecordInWindow << " gap " << gap;
            EXPECT_EQ(t.vidByteCount.end, static_cast<std::int32_t>(kBase + 88 + gap + 100));
        }
    }
}

TEST(TimingScan, WindowIsCountedDownByCountedRecordsOnly) {
    // The uncounted 8-byte record inside the window adds 16 to the expected
    // counter but leaves the window's 48 bytes to the counted records.
    Scanner scanner;
    const ChunkTiming t = scanner.scan(ChunkBuilder()
                                           .add(video(40, kBase, kSeqStartSubtype))
                                           .add(video(8, 0))
                                           .add(video(30, kBase + 56))
                                           .add(video(18, kBase + 86))
                                           .add(video(100, kBase + 104 + 16)));
    EXPECT_EQ(scanner.text(), "");
    EXPECT_EQ(t.vidByteCount.end, static_cast<std::int32_t>(kBase + 220));
}

TEST(TimingScan, UncountedShortRecordsAddByTheirPairRule) {
    struct Case {
        std::uint8_t openerSubtype;
        std::int32_t saMode;
        int shortRecords;
        std::uint32_t added;
    };
    for (const Case c : {Case{0, 0, 1, 0}, Case{0, 0, 2, 4}, Case{0, 0, 3, 4},
                         Case{kSeqStartSubtype, 0, 1, 8}, Case{kSeqStartSubtype, 0, 2, 12},
                         Case{kSeqStartSubtype, 0, 3, 20}, Case{kSeqStartSubtype, 1, 2, 4}}) {
        Scanner scanner(kQuiet, c.saMode);
        ChunkBuilder chunk;
        chunk.add(video(20, kBase, c.openerSubtype));
        for (int i = 0; i < c.shortRecords; ++i)
            chunk.add(video(4, 0));
        const ChunkTiming t = scanner.scan(chunk);
        EXPECT_EQ(t.vidByteCount.end, static_cast<std::int32_t>(kBase + 20 + c.added))
            << int(c.openerSubtype) << " sa " << c.saMode << " x" << c.shortRecords;
    }
}

TEST(TimingScan, UncountedRecordsBeforeTheFirstCountedOneMoveTheStartBack) {
    Scanner scanner;
    const ChunkTiming t = scanner.scan(ChunkBuilder().add(video(8, 0x1234)).add(video(100, kBase)));
    EXPECT_EQ(t.vidByteCount.start, static_cast<std::int32_t>(kBase - 8));
    EXPECT_EQ(t.vidByteCount.end, static_cast<std::int32_t>(kBase + 100));
}

TEST(TimingScan, VideoStampsGiveTheRangeAudioKeepsTheFirstAsStart) {
    Scanner scanner;
    const ChunkTiming t = scanner.scan(
        ChunkBuilder()
            .add(videoPes(5000))
            .add(videoPes(3000))
            .add(videoPes(4000))
            .add(audioBytes(test::joined({test::layer2Packet(5000), test::layer2Packet(3000)})))
            .add(audioBytes(test::layer2Packet(4000))));
    EXPECT_EQ(t.sVid, 3000u);
    EXPECT_EQ(t.eVid, 5000u);
    EXPECT_EQ(t.sAud, 5000u);
    EXPECT_EQ(t.eAud, 5000u);
}

TEST(TimingScan, ChunkWithoutStampsHasNone) {
    Scanner scanner;
    const ChunkTiming t = scanner.scan(
        ChunkBuilder().add(video(16, kBase, 5)).add(audio(200, kBase)));  // zeros: no packet
    EXPECT_EQ(t.sVid, kNoPts);
    EXPECT_EQ(t.eVid, kNoPts);
    EXPECT_EQ(t.sAud, kNoPts);
    EXPECT_EQ(t.eAud, kNoPts);
}

TEST(TimingScan, FrameSyncInTheLastThreeGatheredBytesEndsTheWalk) {
    struct Case {
        std::size_t bytesFromSync;
        bool boundary;
    };
    for (const Case c : {Case{3, true}, Case{4, false}}) {
        Scanner scanner(kVeryVerbose);
        auto second = test::layer2Packet(8000);
        second.resize(11 + c.bytesFromSync);
        scanner.scan(
            ChunkBuilder().add(audioBytes(test::layer2Packet(1000))).add(audioBytes(second)));
        const std::string text = scanner.text();
        EXPECT_EQ(
            text.find("\nHad the end-of-buffer Audio Boundry occur...\n") != std::string::npos,
            c.boundary);
        EXPECT_EQ(text.find("PTS CHECK: Audio == (8000) ") == std::string::npos, c.boundary);
    }
}

TEST(TimingScan, TypesOneAndTwoNeverTakeAPayloadTypesThreeToFiveAlways) {
    // The first record's payload holds a PES header for 7000; the video PES
    // record's own payload follows it and holds 9000.
    struct Case {
        std::uint8_t type;
        bool headerOnly;
        PtsTicks expected;
    };
    for (const Case c : {Case{1, false, 7000}, Case{2, false, 7000}, Case{1, true, 9000},
                         Case{3, false, 9000}, Case{5, false, 9000}, Case{4, true, kNoPts}}) {
        Scanner scanner;
        TestRecord other{
            .type = c.type, .headerOnly = c.headerOnly, .payload = test::videoPesPayload(7000)};
        if (c.headerOnly) other.size = 16;
        const ChunkTiming t = scanner.scan(ChunkBuilder()
                                               .add(other)
                                               .add(videoPes(9000, kBase))
                                               .add(audioBytes(test::layer2Packet(1), kBase)));
        EXPECT_EQ(t.sVid, c.expected) << int(c.type) << c.headerOnly;
        // A payload pushed out of the chunk is not read, but its counters still count.
        EXPECT_EQ(t.vidByteCount.start, static_cast<std::int32_t>(kBase));
        EXPECT_EQ(t.audByteCount.start, static_cast<std::int32_t>(kBase));
        EXPECT_EQ(t.sAud == kNoPts, c.expected == kNoPts);
    }
}

TEST(TimingScan, VeryVerboseShowsEveryStampAndASummaryQuietShowsNothing) {
    const auto chunk = ChunkBuilder()
                           .add(videoPes(90000, 0x300000))
                           .add(audioBytes(test::layer2Packet(93600), 0x310000));
    Scanner quiet(kVerbose);
    quiet.scan(chunk);
    EXPECT_EQ(quiet.text(), "");
    Scanner loud(kVeryVerbose);
    loud.scan(chunk);
    EXPECT_EQ(loud.text(),
              "PTS CHECK: Video == (90000) 00:00:01.000\n"
              "\n"
              "PTS CHECK: Audio == (93600) 00:00:01.040\n"
              "sVid = 90000 00:00:01.000\n"
              "eVid = 90000 00:00:01.000\n"
              "sAud = 93600 00:00:01.040\n"
              "eAud = 93600 00:00:01.040\n"
              "Vid ByteCount = 30  0  0 to 30  0 10\n"
              "Aud ByteCount = 31  0  0 to 31  0 6B\n");
}

TEST(TimingScan, BytesPastTheGatheredAudioReadAsZerosAfterALargerChunk) {
    Scanner scanner;
    std::vector<std::uint8_t> filler(4000, 0xAA);
    scanner.scan(ChunkBuilder().add(audioBytes(filler)));
    scanner.scan(ChunkBuilder().add(audioBytes(test::ac3Packet(5))));
    const AudioScratch& s = scanner.scratch();
    ASSERT_EQ(s.gatheredAudio, 14 + test::kSmallAc3Frame);
    for (std::size_t i = s.gatheredAudio; i < s.gatheredAudio + 16; ++i)
        EXPECT_EQ(s.bytes[i], 0) << i;
}

}  // namespace
}  // namespace kestrel
