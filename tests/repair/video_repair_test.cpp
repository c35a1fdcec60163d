// SPDX-License-Identifier: MIT
#include "repair/video_repair.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/collected_bytes.h"
#include "support/file_bytes.h"
#include "support/video_stream.h"

namespace kestrel {
namespace {

using namespace test;

/// Something that happens at an input offset: a time stamp, or a gap that
/// leaves out the bytes up to `resume`, announced by a join or not.
struct Event {
    std::size_t at = 0;
    std::optional<PtsTicks> pts;
    std::size_t resume = 0;
    bool join = true;
};

Event stamp(std::size_t at, PtsTicks pts) {
    return {.at = at, .pts = pts};
}
Event cut(std::size_t from, std::size_t to) {
    return {.at = from, .resume = to};
}
Event splice(std::size_t from, std::size_t to) {
    return {.at = from, .resume = to, .join = false};
}

/// Collects the output and a log of what the listener heard: " +I0@900" is an
/// I picture with temporal_reference 0, a GOP header and a stamp; " cut2" a
/// cut that dropped two pictures.
struct Result : test::CollectedBytes, PictureListener {
    std::string log;
    std::vector<WrittenPicture> pictures;
    std::int32_t dropped = 0;

    void pictureWritten(const WrittenPicture& p) override {
        pictures.push_back(p);
        log += p.startsGop ? " +" : " ";
        log.push_back("?IPB"[p.codingType & 3]);
        log += std::to_string(p.temporalReference);
        if (!p.hasPts) return;
        log.push_back('@');
        log += std::to_string(p.pts);
    }
    void cutCompleted(std::int32_t n) override {
        log += " cut";
        log += std::to_string(n);
    }
};

void run(Result& result, const ByteVector& in, std::size_t piece, std::vector<Event> events,
         std::size_t maxPictureBytes) {
    VideoRepair repair(result, result, maxPictureBytes);
    const Bytes input(in);
    std::size_t at = 0;
    auto feedTo = [&](std::size_t end) {
        for (; at < end; at += std::min(piece, end - at))
            repair.bytes(input.subspan(at, std::min(piece, end - at)));
    };
    events.push_back(cut(in.size(), in.size()));
    for (const Event& e : events) {
        feedTo(e.at);
        if (e.at == in.size()) break;
        if (e.pts) {
            repair.pts(*e.pts);
            continue;
        }
        if (e.join) repair.join();
        at = e.resume;
    }
    repair.finish();
    result.dropped = repair.picturesDropped();
}

/// Repairs `in` fed whole, and checks that every smaller piece size, down to
/// single bytes, gives the same output and the same log.
Result repaired(const ByteVector& in, const std::vector<Event>& events = {},
                std::size_t maxPictureBytes = VideoRepair::kMaxPictureBytes) {
    Result whole;
    run(whole, in, in.size() + 1, events, maxPictureBytes);
    for (const std::size_t piece : {1, 2, 3, 5, 17, 64}) {
        Result pieces;
        run(pieces, in, piece, events, maxPictureBytes);
        EXPECT_EQ(pieces.bytes, whole.bytes) << "pieces of " << piece;
        EXPECT_EQ(pieces.log, whole.log) << "pieces of " << piece;
    }
    return whole;
}

ByteVector withEnd(VideoStream stream) {
    return stream.end().bytes;
}

PictureSpec pic(char type, std::uint16_t tref, std::vector<std::uint8_t> rows = {1, 2, 3, 4}) {
    return {.type = type, .temporalReference = tref, .rows = std::move(rows)};
}

// A GOP in coding order: I with two B pictures shown before it, then P, B, B.
const std::vector<PictureSpec> kSixPictures = {pic('I', 2), pic('B', 0), pic('B', 1),
                                               pic('P', 5), pic('B', 3), pic('B', 4)};

TEST(VideoRepair, FirstGopIsClosedOrLosesItsLeadingBPictures) {
    struct Case {
        bool closed;
        bool brokenLink;
        std::string log;
        ByteVector out;
    };
    const Case cases[] = {
        {true, false, " +I2 cut0 B0 B1 P5 B3 B4",
         withEnd(VideoStream().sequence().gop(true).pictures(kSixPictures))},
        {true, true, " +I2 cut0 B0 B1 P5 B3 B4",
         withEnd(VideoStream().sequence().gop(true).pictures(kSixPictures))},
        {false, true, " +I0 cut2 P3 B1 B2",
         withEnd(VideoStream().sequence().gop(true).pictures(
             {pic('I', 0), pic('P', 3), pic('B', 1), pic('B', 2)}))},
    };
    for (const Case& c : cases) {
        const Result r = repaired(
            VideoStream().sequence().gop(c.closed, c.brokenLink).pictures(kSixPictures).bytes);
        EXPECT_EQ(r.log, c.log);
        EXPECT_EQ(r.bytes, c.out);
    }
}

// Three GOPs of I B B P B B (in display order), the first one closed.
VideoStream threeGops() {
    VideoStream s;
    for (int g = 0; g < 3; ++g)
        s.sequence().gop(g == 0).pictures(kSixPictures);
    return s;
}

TEST(VideoRepair, ResumesAtTheNextWholeGopAfterAJoinOrALostReference) {
    const VideoStream s = threeGops();
    const auto& p = s.starts;        // pictures 0..5 in the first GOP, 6..11, 12..17
    const std::size_t headers = 30;  // sequence header, its extension, GOP header
    const std::string first = " +I2 cut0 B0 B1";
    const std::string last = " +I2 B0 B1 P5 B3 B4";
    struct Case {
        const char* what;
        Event gap;
        std::string log;
    };
    const Case cases[] = {
        // P5 held at the join, the rest of B3, B4, and B0, B1 of the next GOP.
        {"join mid-GOP", cut(p[3] + 20, p[4] + 30), first + " +I0 cut5 P3 B1 B2" + last},
        {"join before a sequence header", cut(p[3] + 20, p[6] - headers),
         first + " +I0 cut3 P3 B1 B2" + last},
        // Without its GOP header the second GOP's I picture is no place to resume.
        {"GOP header lost", cut(p[3] + 20, p[6]), first + " +I0 cut9 P3 B1 B2"},
        // P5's slices go back where the splice joins B3's of the next GOP.
        {"splice without a join", splice(p[3] + 40, p[10] + 17), first + " +I0 cut4 P3 B1 B2"},
    };
    for (const Case& c : cases) {
        const Result r = repaired(s.bytes, {c.gap});
        EXPECT_EQ(r.log, c.log) << c.what;
    }
    // A join into the sequence extension: it goes, with nothing to extend.
    const Result atHeader = repaired(s.bytes, {cases[1].gap});
    const Result atExtension = repaired(s.bytes, {cut(p[3] + 20, p[6] - headers + 12)});
    EXPECT_EQ(atExtension.log, atHeader.log);
    EXPECT_EQ(atExtension.bytes.size(), atHeader.bytes.size() - headers + 8);
    // The GOP resumed in is closed, with no broken link, and renumbered.
    const Result r = repaired(s.bytes, {cases[0].gap});
    EXPECT_EQ(r.bytes, withEnd(VideoStream()
                                   .sequence()
                                   .gop(true)
                                   .pictures({pic('I', 2), pic('B', 0), pic('B', 1)})
                                   .sequence()
                                   .gop(true)
                                   .pictures({pic('I', 0), pic('P', 3), pic('B', 1), pic('B', 2)})
                                   .sequence()
                                   .gop(false)
                                   .pictures(kSixPictures)));
    EXPECT_EQ(r.dropped, 5);
}

TEST(VideoRepair, SlicesMustCoverEveryRowOnceInOrder) {
    struct Case {
        std::vector<std::uint8_t> rows;
        bool written;
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, true},     {{1, 1, 2, 3, 3, 4}, true},
        {{1, 2, 4}, false},       {{1, 2, 3}, false},
        {{2, 3, 4}, false},       {{1, 2, 3, 2, 3, 4}, false},
        {{1, 2, 3, 4, 5}, false}, {{}, false},
    };
    for (const Case& c : cases) {
        // A broken B picture goes alone; the P picture after it stays.
        const Result r = repaired(VideoStream()
                                      .sequence()
                                      .gop(true)
                                      .pictures({pic('I', 0), pic('B', 1, c.rows), pic('P', 2)})
                                      .bytes);
        EXPECT_EQ(r.log, c.written ? " +I0 cut0 B1 P2" : " +I0 cut0 P2")
            << ::testing::PrintToString(c.rows);
    }
}

TEST(VideoRepair, FieldPairsAreOnePicture) {
    auto field = [](char type, std::uint16_t tref, std::uint8_t structure,
                    std::vector<std::uint8_t> rows = {1, 2}) {
        return PictureSpec{.type = type,
                           .temporalReference = tref,
                           .rows = std::move(rows),
                           .structure = structure};
    };
    const Result r = repaired(VideoStream()
                                  .sequence()
                                  .gop(true)
                                  .pictures({field('I', 0, 1), field('I', 0, 2),       // whole pair
                                             field('B', 1, 1), field('B', 1, 2, {1}),  // broken B
                                             field('P', 2, 2), field('P', 2, 1),       // whole pair
                                             field('B', 3, 1), pic('P', 4),  // a lone field
                                             pic('B', 5)})
                                  .sequence()
                                  .gop(true)
                                  .picture(pic('I', 0))
                                  .bytes);
    // The lone field takes the P picture after it along: the rest of the GOP goes.
    EXPECT_EQ(r.log, " +I0 cut0 P2 +I0 cut2");
    EXPECT_EQ(r.pictures.at(0).fields, 2U);
}

TEST(VideoRepair, ReportsFieldPeriodsAndFrameRate) {
    struct Case {
        bool progressive;
        std::uint8_t rateCode, rateN;
        bool topFieldFirst, repeatFirstField;
        std::uint32_t fields, num, den;
    };
    const Case cases[] = {
        {false, 4, 0, false, false, 2, 30000, 1001}, {false, 4, 0, true, true, 3, 30000, 1001},
        {true, 1, 0, false, true, 4, 24000, 1001},   {true, 1, 0, true, true, 6, 24000, 1001},
        {true, 4, 1, false, false, 2, 60000, 1001},  {false, 3, 0, false, false, 2, 25, 1},
    };
    for (const Case& c : cases) {
        const Result r = repaired(
            VideoStream()
                .sequence(c.progressive, c.rateCode, c.rateN)
                .gop(true)
                .picture({.topFieldFirst = c.topFieldFirst, .repeatFirstField = c.repeatFirstField})
                .bytes);
        ASSERT_EQ(r.pictures.size(), 1U);
        EXPECT_EQ(r.pictures[0].fields, c.fields);
        EXPECT_EQ(r.pictures[0].rate.num, c.num);
        EXPECT_EQ(r.pictures[0].rate.den, c.den);
    }
}

TEST(VideoRepair, StampGoesToThePictureWhoseStartCodeFollowsIt) {
    const VideoStream s = VideoStream()
                              .sequence()
                              .gop(true)
                              .pictures({pic('I', 0), pic('P', 3), pic('B', 1), pic('B', 2)})
                              .gop(true)
                              .pictures({pic('I', 0), pic('B', 1)});
    // A stamp inside a start code belongs to the picture after it.
    const Result r = repaired(
        s.bytes, {stamp(0, 900), stamp(s.starts[1] + 20, 1800), stamp(s.starts[3] + 2, 2700)});
    EXPECT_EQ(r.log, " +I0@900 cut0 P3 B1@1800 B2 +I0@2700 B1");
    // A stamp whose picture fell into a gap goes with it.
    const Result gap =
        repaired(s.bytes, {stamp(s.starts[1] + 20, 1800), cut(s.starts[1] + 30, s.starts[2] + 20)});
    EXPECT_EQ(gap.log, " +I0 cut0 +I0 cut3 B1");
}

TEST(VideoRepair, EndOfInputDropsAnUnfinishedPictureAndEndsTheSequence) {
    const VideoStream s = VideoStream().sequence().gop(true).pictures({pic('I', 0), pic('P', 1)});
    const ByteVector endCode = {0x00, 0x00, 0x01, 0xB7};
    const std::size_t lastSlice = s.bytes.size() - 13;
    struct Case {
        std::size_t length;
        bool endCode;
        std::string log;
    };
    const Case cases[] = {
        {s.bytes.size(), true, " +I0 cut0 P1"},
        {s.bytes.size(), false, " +I0 cut0 P1"},
        {lastSlice + 6, false, " +I0 cut0 P1"},  // its last row began: taken as whole
        {lastSlice - 6, false, " +I0 cut0"},
        {lastSlice + 2, false, " +I0 cut0"},  // the last slice's start code is cut
    };
    for (const Case& c : cases) {
        const ByteVector in = concat(
            {ByteVector(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(c.length)),
             c.endCode ? endCode : ByteVector{}});
        const Result r = repaired(in);
        EXPECT_EQ(r.log, c.log) << c.length;
        const std::size_t kept =
            c.log.ends_with("P1") ? in.size() - (c.endCode ? 4 : 0) : s.starts[1];
        EXPECT_EQ(r.bytes,
                  concat({ByteVector(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(kept)),
                          endCode}));
    }
}

TEST(VideoRepair, OversizedPictureIsDropped) {
    const VideoStream s = VideoStream()
                              .sequence()
                              .gop(true)
                              .pictures({pic('I', 0, {1, 1, 1, 2, 3, 4}), pic('P', 1)})
                              .sequence()
                              .gop(true)
                              .pictures({pic('I', 0), pic('P', 1)});
    EXPECT_EQ(repaired(s.bytes, {}, 100).log, " +I0 cut2 P1");
    EXPECT_EQ(repaired(s.bytes, {}, 200).log, " +I0 cut0 P1 +I0 P1");
}

TEST(VideoRepair, RealStreamWithoutJoinsPassesUnchanged) {
    // Its first GOP is closed: nothing to repair, only the end code to add.
    const ByteVector in = readFileBytes(KESTREL_TESTDATA_DIR "/sample.m2v");
    ASSERT_GT(in.size(), 1000000U);
    for (const std::size_t piece : {std::size_t{4093}, in.size()}) {
        Result r;
        run(r, in, piece, {}, VideoRepair::kMaxPictureBytes);
        EXPECT_EQ(r.bytes, concat({in, {0x00, 0x00, 0x01, 0xB7}}));
        EXPECT_EQ(r.pictures.size(), 300U);
        EXPECT_EQ(r.dropped, 0);
        EXPECT_EQ(r.log.find(" cut"), r.log.rfind(" cut"));  // the start's cut only
    }
}

}  // namespace
}  // namespace kestrel
