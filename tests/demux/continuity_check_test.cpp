#include "demux/continuity_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "demux/parse_chunk.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/timed_payloads.h"

namespace kestrel {
namespace {

using test::CapturedConsole;
using test::ChunkBuilder;

constexpr std::int32_t kBase = 0x400000;
constexpr PtsTicks kPrevVideo = 900000;
constexpr PtsTicks kPrevAudio = 900090;
constexpr const char* kNope = "Nope... Not in sequence... Skipping it...\n\n";

ChunkTiming videoOnly(PtsTicks sVid, ByteCountRange vid = {kBase, kBase + 1000}) {
    return {.sVid = sVid, .eVid = sVid + 3003, .vidByteCount = vid};
}
ChunkTiming audioOnly(PtsTicks sAud, PtsTicks eAud, ByteCountRange aud) {
    return {.sAud = sAud, .eAud = eAud, .audByteCount = aud};
}

// The continuity check with the state of a run that has accepted chunks before.
struct Checker {
    explicit Checker(int verbosity = kVerbose) : out(verbosity) {
        state.prevVideoPTS = kPrevVideo;
        state.prevAudioPTS = kPrevAudio;
    }
    bool check(const ChunkTiming& timing) {
        return continuityCheck(out.console(), run, state, timing);
    }
    CapturedConsole out;
    RunState run;
    ContinuityState state;
};

TEST(ContinuityCheck, ByteAlignmentAcceptsTheOldEndOrAKnownJumpAhead) {
    struct Case {
        std::int32_t newStart, newEnd, oldEnd;
        std::int32_t video, audio;
    };
    const Case cases[] = {
        {0, kBase, kBase, -1, -1},        {kBase, kBase, 0, -1, -1},
        {kBase, kBase + 7, kBase, 1, 1},  {1, kBase + 1139712, kBase, 1, 0},
        {1, kBase + 838656, kBase, 1, 0}, {1, kBase + 838624, kBase, 1, 0},
        {1, kBase + 162432, kBase, 0, 1}, {1, kBase + 128736, kBase, 0, 1},
        {1, kBase - 838656, kBase, 0, 0}, {1, kBase - 128736, kBase, 0, 0},
        {1, kBase + 1, kBase, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(videoBytesAligned(c.newStart, c.newEnd, c.oldEnd), c.video)
            << c.newEnd - c.oldEnd;
        EXPECT_EQ(audioBytesAligned(c.newStart, c.newEnd, c.oldEnd), c.audio)
            << c.newEnd - c.oldEnd;
    }
}

TEST(ContinuityCheck, VideoMayMoveUpTo27000TicksQuietly) {
    for (const PtsTicks diff : {27000u, 27001u}) {
        Checker checker;  // no old counters: a jump cannot be judged and passes
        EXPECT_TRUE(checker.check(videoOnly(kPrevVideo - diff)));
        const bool jumped = diff > 27000;
        EXPECT_EQ(checker.out.take(),
                  jumped ? "\nFound an OOB packet... The Video Diff is: 00:00:00.300\n" : "");
        EXPECT_EQ(checker.state.prevVideoPTS, jumped ? kPrevVideo : kPrevVideo - diff + 3003);
        EXPECT_EQ(checker.state.oldVidByteCount.end, kBase + 1000);
    }
}

TEST(ContinuityCheck, VideoJumpIsJudgedByTheByteCountersThenByTheAudio) {
    const std::string jump = "\nFound an OOB packet... The Video Diff is: 00:00:10.000\n";
    const std::string notAligned =
        "33333 -> - old Vid ByteCount =  40  0  0 to 40  3 E8\n"
        "33333 -> - new Vid ByteCount =  40  3 E7 to 40  7 D0\n"
        "33333 -> - NOT ALIGNED on the Video... It is an OOB chunk!\n";
    struct Case {
        std::int32_t newStart;
        bool audioInStep;
        bool accepted;
        std::string output;
    };
    const Case cases[] = {
        {kBase + 1000, false, true,
         "33333 -> + old Vid ByteCount =  40  0  0 to 40  3 E8\n"
         "33333 -> + new Vid ByteCount =  40  3 E8 to 40  7 D0\n"
         "33333 -> + WE ARE ALIGNED on the Video so it is good!!!\n"},
        {kBase + 999, false, false, notAligned + kNope},
        {kBase + 999, true, true,
         notAligned + "Found an OOB packet... The Audio Diff is: 00:00:00.072\n" +
             "It is in sequence... Everything is fine...\n"},
    };
    for (const Case& c : cases) {
        Checker checker(kQuiet);
        checker.state.oldVidByteCount = {kBase, kBase + 1000};
        ChunkTiming t = videoOnly(kPrevVideo + 900000, {c.newStart, kBase + 2000});
        if (c.audioInStep) t.sAud = t.eAud = kPrevAudio + 6480;
        EXPECT_EQ(checker.check(t), c.accepted);
        EXPECT_EQ(checker.out.take(), jump + c.output);
        EXPECT_EQ(checker.state.prevVideoPTS, c.accepted ? t.eVid : kPrevVideo);
        EXPECT_EQ(checker.state.oldVidByteCount.start, c.accepted ? c.newStart : kBase);
    }
}

TEST(ContinuityCheck, AudioIsInStepBridgesAHoleOrIsOutOfBand) {
    const std::string oob = "Found an OOB packet... The Audio Diff is: ";
    const std::string range = "It is in the right range. Let's see if it lines up.\n";
    const std::string hole = "It is in sequence. Starting back up after the 'hole'...\n";
    const std::string byteLines =
        "\n\n#1 55555 -> + old Aud ByteCount =  40  0  0 to 40  1 F4\n"
        "#1 55555 -> + new Aud ByteCount =  40  1 F4 to 40  3 84\n";
    constexpr std::uint32_t kMpeg = 6480;
    constexpr std::uint32_t kDolby = 2880;
    struct Case {
        const char* what;
        std::int32_t audioType;
        std::uint32_t startDiff, endDiff;
        bool accepted, movesPrevAudio;
        std::string output;
        std::int32_t oldAudEnd = 0;  // 0: no counters to compare
    };
    const Case cases[] = {
        {"in step at 3 packets", kLayer2Audio, 3 * kMpeg, 4 * kMpeg, true, true, ""},
        {"in step in whole ms", kLayer2Audio, 3 * kMpeg + 89, 3 * kMpeg + 89, true, true, ""},
        {"hole of 4 packets", kLayer2Audio, 4 * kMpeg, 5 * kMpeg, true, true,
         oob + "00:00:00.288\nIs it in sequence??? It is OFF by exactly 4.000000 frames.\n" +
             range + hole},
        {"hole off the packet grid", kLayer2Audio, 4 * kMpeg + 90, 5 * kMpeg, false, false,
         oob + "00:00:00.289\nIs it in sequence??? It is OFF by exactly 4.013889 frames.\n" +
             range + kNope},
        {"hole just under 5 s", kLayer2Audio, 69 * kMpeg, 70 * kMpeg, true, true,
         oob + "00:00:04.968\nIs it in sequence??? It is OFF by exactly 69.000000 frames.\n" +
             range + hole},
        {"hole of 5 s", kLayer2Audio, 450000, 450000, false, false,
         oob + "00:00:05.000\nIs it in sequence??? It is OFF by exactly 69.444444 frames.\n" +
             kNope},
        {"jump, counters aligned", kLayer2Audio, 10 * kMpeg, 10 * kMpeg, true, true,
         oob + "00:00:00.720\nIs it in sequence??? It is OFF by exactly 10.000000 frames.\n" +
             byteLines + "55555 -> + WE ARE ALIGNED on the Audio so it is good!!!\n",
         kBase + 500},
        {"jump, counters off", kLayer2Audio, 10 * kMpeg, 10 * kMpeg, false, false,
         oob + "00:00:00.720\nIs it in sequence??? It is OFF by exactly 10.000000 frames.\n" +
             "\n\n#1 55555 -> + old Aud ByteCount =  40  0  0 to 40  1 F3\n" +
             "#1 55555 -> + new Aud ByteCount =  40  1 F4 to 40  3 84\n" +
             "55555 -> - NOT ALIGNED on the Audio... It is an OOB chunk!\n" + kNope,
         kBase + 499},
        {"Dolby end 260 packets on", kDolbyAudio, 4 * kDolby, 260 * kDolby, true, true,
         "Caught the DD error with the end audio PTS...\n"},
        {"Dolby end 261 packets on", kDolbyAudio, 4 * kDolby, 261 * kDolby, true, false,
         "In checking dolby errors we need more than 1 audio packet!\n"},
        {"one Dolby packet off the grid", kDolbyAudio, 4 * kDolby + 90, 4 * kDolby + 90, false,
         false,
         oob + "00:00:00.129\nIs it in sequence??? It is OFF by exactly 4.031250 frames.\n" +
             range + kNope},
    };
    for (const Case& c : cases) {
        Checker checker;
        checker.run.audioType = c.audioType;
        checker.run.standardAudioDiff = c.audioType == kDolbyAudio ? kDolby : kMpeg;
        checker.state.oldAudByteCount = {kBase, c.oldAudEnd};
        const ChunkTiming t =
            audioOnly(kPrevAudio + c.startDiff, kPrevAudio + c.endDiff, {kBase + 500, kBase + 900});
        EXPECT_EQ(checker.check(t), c.accepted) << c.what;
        EXPECT_EQ(checker.out.take(), c.output) << c.what;
        EXPECT_EQ(checker.state.prevAudioPTS, c.movesPrevAudio ? t.eAud : kPrevAudio) << c.what;
        EXPECT_EQ(checker.state.oldAudByteCount.start, c.accepted ? kBase + 500 : kBase) << c.what;
    }
}

TEST(ContinuityCheck, ChunkWithoutStampsIsJudgedByExactCounterContinuation) {
    const std::string head =
        "\n-1x4 - No Audio or Video timestamps in this chunk... Checking byte counts...\n";
    const std::string oldLines =
        "-1x4:\t Old Vid ByteCount = 40  0  0 to 40  3 E8\n"
        "-1x4:\t Old Aud ByteCount = 50  0  0 to 50  1 F4\n";
    constexpr std::int32_t kAud = 0x500000;
    struct Case {
        const char* what;
        ByteCountRange vid, aud;
        bool accepted;
        std::string output;
    };
    const Case cases[] = {
        {"both continue",
         {kBase + 1000, kBase + 1100},
         {kAud + 500, kAud + 600},
         true,
         head + "-1x4:\t New Vid ByteCount = 40  3 E8 to 40  4 4C\n" +
             "-1x4:\t New Aud ByteCount = 50  1 F4 to 50  2 58\n" + oldLines +
             "-1x4: We are aligned on the audio so it is good!!!\n" +
             "-1x4: We are aligned on the Video so it is good!!!\n\n"},
        {"audio off",
         {kBase + 1000, kBase + 1100},
         {kAud + 501, kAud + 600},
         false,
         head + "-1x4:\t New Vid ByteCount = 40  3 E8 to 40  4 4C\n" +
             "-1x4:\t New Aud ByteCount = 50  1 F5 to 50  2 58\n" + oldLines +
             "-1x4: We are NOT aligned on the audio... It is an OOB chunk!\n" +
             "-1x4: We are aligned on the Video so it is good!!!\n" + kNope},
        {"only audio, continues",
         {},
         {kAud + 500, kAud + 600},
         true,
         head + "-1x4:\t New Vid ByteCount =  0  0  0 to  0  0  0\n" +
             "-1x4:\t New Aud ByteCount = 50  1 F4 to 50  2 58\n" + oldLines +
             "-1x4: We are aligned on the audio so it is good!!!\n\n"},
        {"no counters",
         {},
         {},
         false,
         "\n11111 -> Chunk contains neither audio nor video data. Stop here...\n\n" + head +
             "-1x4:\t New Vid ByteCount =  0  0  0 to  0  0  0\n" +
             "-1x4:\t New Aud ByteCount =  0  0  0 to  0  0  0\n" + oldLines +
             "-1x4 - The chunk contains neither audio nor video data... It is an OOB chunk!\n" +
             kNope},
    };
    for (const Case& c : cases) {
        Checker checker(kQuiet);
        checker.state.oldVidByteCount = {kBase, kBase + 1000};
        checker.state.oldAudByteCount = {kAud, kAud + 500};
        EXPECT_EQ(checker.check({.vidByteCount = c.vid, .audByteCount = c.aud}), c.accepted)
            << c.what;
        EXPECT_EQ(checker.out.take(), c.output) << c.what;
        // Only accepted chunks, and only the streams they count, move the old counters on.
        const bool vidMoves = c.accepted && c.vid.start != 0;
        const bool audMoves = c.accepted && c.aud.start != 0;
        EXPECT_EQ(checker.state.oldVidByteCount.start, vidMoves ? c.vid.start : kBase) << c.what;
        EXPECT_EQ(checker.state.oldAudByteCount.start, audMoves ? c.aud.start : kAud) << c.what;
    }
}

// A memory-backed output file.
class MemoryOutput {
  public:
    MemoryOutput() { file_.adopt(open_memstream(&buffer_, &size_), "memory"); }
    ~MemoryOutput() {
        file_.close();
        std::free(buffer_);
    }
    OutputFile& file() { return file_; }
    std::string contents() {
        file_.close();
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    OutputFile file_;
};

struct Demux {
    std::string feed(const std::vector<ChunkBuilder>& chunks) {
        run.firstVideoPTS = 90000;
        run.standardAudioSize = 107;
        run.standardFrameLength = test::kSmallLayer2Frame;
        for (const ChunkBuilder& chunk : chunks)
            ParseChunk(demuxer, chunk.build()->view());
        return out.take();
    }
    CapturedConsole out{kVerbose};
    RunState run;
    Decoder decoder{out.console(), run};
    MemoryOutput video, audio;
    Demuxer demuxer{decoder, run, video.file(), audio.file()};
};

// Chunk k of a recording: two pictures (PES header record and data) and one
// audio packet, both streams counted on from the chunk before.
ChunkBuilder recordingChunk(std::uint32_t k, PtsTicks shift = 0, std::uint32_t counterShift = 0) {
    const PtsTicks pts = 90000 + k * 6006 + shift;
    const std::uint32_t vid = kBase + k * 232 + counterShift;
    const std::uint32_t aud = 0x500000 + k * 107 + counterShift;
    const auto data = [&](std::uint8_t fill) { return std::vector<std::uint8_t>(100, fill); };
    ChunkBuilder chunk;
    if (k == 0) {
        std::vector<std::uint8_t> seq = {0, 0, 1, 0xB3};
        seq.resize(32, 0x42);
        chunk.add({.subtype = kSeqStartSubtype,
                   .type = kVideoType,
                   .byteCount = kBase - 32,
                   .payload = seq});
    }
    const auto fill = static_cast<std::uint8_t>(k + (shift != 0 ? 0x80 : 0));
    return chunk
        .add({.subtype = kVideoPesSubtype,
              .type = kVideoType,
              .byteCount = vid,
              .payload = test::videoPesPayload(pts)})
        .add({.type = kVideoType, .byteCount = vid + 16, .payload = data(fill)})
        .add({.subtype = kVideoPesSubtype,
              .type = kVideoType,
              .byteCount = vid + 116,
              .payload = test::videoPesPayload(pts + 3003)})
        .add({.type = kVideoType, .byteCount = vid + 132, .payload = data(fill)})
        .add({.type = kAudioType,
              .byteCount = aud,
              .payload = test::layer2Packet(90000 + k * 6480 + shift)});
}

TEST(IntegrityThroughParseChunk, RepeatedAndOutOfBandChunksLeaveTheStreamsAsTheCleanOnes) {
    // The damaged recording repeats chunk 2 and has a chunk from 30 s later,
    // with its counters elsewhere, between chunks 3 and 4.
    std::vector<ChunkBuilder> clean, damaged;
    for (std::uint32_t k = 0; k < 6; ++k) {
        clean.push_back(recordingChunk(k));
        damaged.push_back(recordingChunk(k));
        if (k == 2) damaged.push_back(recordingChunk(k));
        if (k == 3) damaged.push_back(recordingChunk(4, 30 * 90000, 0x1000));
    }
    Demux cleanRun, damagedRun;
    const std::string cleanLog = cleanRun.feed(clean);
    const std::string damagedLog = damagedRun.feed(damaged);
    EXPECT_EQ(cleanLog.find("OOB"), std::string::npos);
    EXPECT_EQ(cleanLog.find("Body is off"), std::string::npos);
    EXPECT_NE(damagedLog.find("We got a duplicate CHUNK"), std::string::npos);
    EXPECT_NE(
        damagedLog.find("NOT ALIGNED on the Audio... It is an OOB chunk!\n" + std::string(kNope)),
        std::string::npos);
    const std::string cleanVideo = cleanRun.video.contents();
    EXPECT_EQ(cleanVideo.size(), 32u + 6 * 200);
    EXPECT_EQ(damagedRun.video.contents(), cleanVideo);
    EXPECT_EQ(damagedRun.audio.contents(), cleanRun.audio.contents());
}

}  // namespace
}  // namespace kestrel
