// SPDX-License-Identifier: MIT
#include "demux/continuity_check.h"
#include "demux/resync_tracker.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/captured_console.h"

namespace kestrel {
namespace {

constexpr PtsTicks kPrev = 900000;  // both carried-over stamps, on a whole millisecond
constexpr PtsTicks kNone = kNoPts;
constexpr std::int32_t kVid = 0x400000, kAud = 0x500000;  // where the old counters ended
constexpr std::uint32_t kMpeg = 2160, kDolby = 2880;      // D for Layer II and Dolby Digital
const std::string kNope = "Nope... Not in sequence... Skipping it...\n\n";
constexpr Continuity kIn = Continuity::kInSequence, kHole = Continuity::kAfterHole,
                     kRej = Continuity::kRejected;

// One chunk against a run that accepted chunks before. The video stamps run
// from kPrev + vidStep for 3003 ticks; audio stamps and counters are absolute
// offsets from kPrev and new counter starts (0: none; ranges 1000 and 500 long).
struct Case {
    const char* what;
    std::int32_t audioType;
    PtsTicks vidStep, audStart, audEnd;
    std::int32_t vidCounter, audCounter;
    Continuity verdict;
    bool videoMoves, audioMoves;  // prevVideoPTS := eVid, prevAudioPTS := eAud
    std::string tail;             // how the output ends; empty: nothing printed
    bool noOldCounters = false;   // no chunk with counters was accepted before
};

const Case kCases[] = {
    // Video step: 0.3 s either way is in step; beyond, the counters or the audio decide.
    {"video 27000 back", kLayer2Audio, 0u - 27000, kNone, kNone, kVid, 0, kIn, true, false, ""},
    {"video 27001 on, no counters", kLayer2Audio, 27001, kNone, kNone, 0, kAud, kIn, false, false,
     "The Video Diff is: 00:00:00.300\n"},
    {"video jump, a new counter but no old one", kLayer2Audio, 900000, kNone, kNone, kVid, 0, kIn,
     false, false, "The Video Diff is: 00:00:10.000\n", true},
    {"video jump, counters aligned", kLayer2Audio, 900000, kNone, kNone, kVid, 0, kIn, true, false,
     "33333 -> + WE ARE ALIGNED on the Video so it is good!!!\n"},
    {"video jump, counters a known jump ahead", kLayer2Audio, 900000, kNone, kNone,
     kVid - 1000 + 838656, 0, kIn, true, false, "WE ARE ALIGNED on the Video so it is good!!!\n"},
    {"video jump, counters off, audio in step", kLayer2Audio, 900000, 2 * kMpeg, 2 * kMpeg,
     kVid + 1, 0, kIn, true, true, "It is in sequence... Everything is fine...\n"},
    // Audio rows A and D for Layer II, whose end stamp never matters.
    {"3 steps and 89 ticks: in step on whole ms", kLayer2Audio, kNone, 3 * kMpeg + 89,
     3 * kMpeg + 89, kVid, 0, kIn, false, true, ""},
    {"hole off the step grid", kLayer2Audio, kNone, 4 * kMpeg + 90, 4 * kMpeg + 90, kVid, 0, kRej,
     false, false, "Let's see if it lines up.\n" + kNope},
    {"hole of 208 steps, under 5 s", kLayer2Audio, kNone, 208 * kMpeg, 260 * kMpeg, kVid, 0, kHole,
     true, true,
     "It is OFF by exactly 208.000000 frames.\nIt is in the right range. Let's see if it lines "
     "up.\nIt is in sequence. Starting back up after the 'hole'...\n"},
    {"hole of 5 s", kLayer2Audio, kNone, 450000, 450000, kVid, 0, kRej, false, false,
     "It is OFF by exactly 208.333333 frames.\n" + kNope},
    {"audio jump, counters aligned", kLayer2Audio, kNone, 10 * kMpeg, 10 * kMpeg, kVid, kAud, kIn,
     true, true, "55555 -> + WE ARE ALIGNED on the Audio so it is good!!!\n"},
    {"audio jump, counters a known jump behind", kLayer2Audio, kNone, 10 * kMpeg, 10 * kMpeg, kVid,
     kAud - 500 - 128736, kRej, false, false,
     "NOT ALIGNED on the Audio... It is an OOB chunk!\n" + kNope},
    // Dolby Digital rows B, C and D.
    {"Dolby end 260 steps on", kDolbyAudio, kNone, 4 * kDolby, 260 * kDolby, kVid, 0, kHole, false,
     true, "Caught the DD error with the end audio PTS...\n"},
    {"Dolby end 261 steps on", kDolbyAudio, kNone, 4 * kDolby, 261 * kDolby, kVid, 0, kIn, false,
     false, "In checking dolby errors we need more than 1 audio packet!\n"},
    // An out-of-band chunk lies on the packet grid too: its video jump decides.
    {"Dolby end on the grid, video jump off the counters", kDolbyAudio, 900000, 4 * kDolby,
     100 * kDolby, kVid + 1, 0, kRej, false, false,
     "In checking dolby errors we need more than 1 audio packet!\n" + kNope},
    {"one Dolby packet off the grid", kDolbyAudio, kNone, 4 * kDolby + 90, 4 * kDolby + 90, kVid, 0,
     kRej, false, false, "Let's see if it lines up.\n" + kNope},
    // No stamps at all: only exact continuation of the counters present counts.
    {"both counters continue", kLayer2Audio, kNone, kNone, kNone, kVid, kAud, kIn, false, false,
     "-1x4: We are aligned on the audio so it is good!!!\n"
     "-1x4: We are aligned on the Video so it is good!!!\n\n"},
    {"audio counter off", kLayer2Audio, kNone, kNone, kNone, kVid, kAud + 1, kRej, false, false,
     "-1x4: We are aligned on the Video so it is good!!!\n" + kNope},
    {"only an audio counter", kLayer2Audio, kNone, kNone, kNone, 0, kAud, kIn, false, false,
     "-1x4: We are aligned on the audio so it is good!!!\n\n"},
};

TEST(ContinuityCheck, DecisionTable) {
    for (const Case& c : kCases) {
        test::CapturedConsole out(kVerbose);
        const RunState run{.audioType = c.audioType,
                           .standardAudioDiff = c.audioType == kDolbyAudio ? kDolby : kMpeg};
        ContinuityState state{kPrev, kPrev, {kVid - 1000, kVid}, {kAud - 500, kAud}};
        if (c.noOldCounters) state.oldVidByteCount = state.oldAudByteCount = {};
        const auto at = [](PtsTicks step) { return step == kNone ? kNone : kPrev + step; };
        ChunkTiming t{at(c.vidStep), at(c.vidStep) + (c.vidStep == kNone ? 0 : 3003),
                      at(c.audStart), at(c.audEnd)};
        if (c.vidCounter != 0) t.vidByteCount = {c.vidCounter, c.vidCounter + 1000};
        if (c.audCounter != 0) t.audByteCount = {c.audCounter, c.audCounter + 500};

        EXPECT_EQ(continuityCheck(out.console(), run, state, t), c.verdict) << c.what;
        const std::string text = out.text();
        EXPECT_TRUE(c.tail.empty() ? text.empty() : text.ends_with(c.tail)) << c.what << ":\n"
                                                                            << text;
        EXPECT_EQ(state.prevVideoPTS, c.videoMoves ? t.eVid : kPrev) << c.what;
        EXPECT_EQ(state.prevAudioPTS, c.audioMoves ? t.eAud : kPrev) << c.what;
        // Only accepted chunks move the old counters on, and only those they hold.
        const bool accepted = c.verdict != kRej;
        const bool vidMoves = accepted && c.vidCounter != 0;
        const bool audMoves = accepted && c.audCounter != 0;
        const std::int32_t vidOld = c.noOldCounters ? 0 : kVid - 1000;
        const std::int32_t audOld = c.noOldCounters ? 0 : kAud - 500;
        EXPECT_EQ(state.oldVidByteCount.start, vidMoves ? c.vidCounter : vidOld) << c.what;
        EXPECT_EQ(state.oldAudByteCount.start, audMoves ? c.audCounter : audOld) << c.what;
    }
}

// Chunk k of a stream whose chunks follow one another: 0.4 s of video and 17
// Layer II packets each, byte counters running on. Its bytes are all k.
ChunkTiming streamChunk(std::int32_t k) {
    const PtsTicks video = kPrev + static_cast<PtsTicks>(k) * 36000;
    const PtsTicks audio = kPrev + static_cast<PtsTicks>(k) * 17 * kMpeg;
    return {video,
            video + 33000,
            audio,
            audio + 16 * kMpeg,
            {kVid + k * 0x8000, kVid + (k + 1) * 0x8000},
            {kAud + k * 0x1000, kAud + (k + 1) * 0x1000}};
}

// Chunks that the stream's continuity check rejected, one after the other: how
// many are held after each ('R': they and the last one resume the stream).
struct SkippedRun {
    const char* what;
    std::vector<std::int32_t> chunks;  // -1: a chunk without stamps or counters
    std::string held;
};

const SkippedRun kRuns[] = {
    {"three in a row resume the stream", {5, 6, 7}, "12R"},
    {"a chunk out of the run starts a new one", {5, 30, 31, 32}, "112R"},
    {"a pair ends with a new run", {5, 6, 40, 41}, "1212"},
    {"a chunk that continues nothing cannot start a run", {5, -1, 6, 7, 8}, "1012R"},
};

TEST(ResyncTracker, HoldsRunsOfSkippedChunksUntilThreeFollowOneAnother) {
    const RunState run{.standardAudioDiff = kMpeg};
    std::vector<std::uint8_t> bytes(kChunkSize + kChunkPadding);
    for (const SkippedRun& r : kRuns) {
        ResyncState state;
        std::string held;
        for (const std::int32_t k : r.chunks) {
            std::fill_n(bytes.begin(), kChunkSize, static_cast<std::uint8_t>(k));
            const bool resume =
                trackSkippedChunk(state, run, bytes, k < 0 ? ChunkTiming{} : streamChunk(k));
            held += resume ? 'R' : static_cast<char>('0' + state.heldCount);
        }
        EXPECT_EQ(held, r.held) << r.what;
        if (!held.ends_with('R')) continue;
        // The first two of the run are held in order, and the stream goes on
        // from the state that the last one leaves.
        const std::size_t n = r.chunks.size();
        for (std::int32_t i = 0; i < 2; ++i) {
            const Bytes copy = heldChunk(state, i);
            EXPECT_EQ(copy[kChunkSize - 1], static_cast<std::uint8_t>(r.chunks[n - 3 + i]))
                << r.what;
            EXPECT_EQ(copy[kChunkSize], 0) << r.what;
        }
        const ChunkTiming last = streamChunk(r.chunks[n - 1]);
        EXPECT_EQ(state.shadow.prevVideoPTS, last.eVid) << r.what;
        EXPECT_EQ(state.shadow.prevAudioPTS, last.eAud) << r.what;
        EXPECT_EQ(state.shadow.oldVidByteCount.end, last.vidByteCount.end) << r.what;
    }
}

// Without byte counters a run may itself skip a chunk: the gap in its audio
// is marked, so that the audio restarts at a packet start there too.
TEST(ResyncTracker, MarksAHoleInsideTheRun) {
    const RunState run{.standardAudioDiff = kMpeg};
    const std::vector<std::uint8_t> bytes(kChunkSize + kChunkPadding);
    const auto uncounted = [](std::int32_t k) {
        ChunkTiming t = streamChunk(k);
        t.vidByteCount = t.audByteCount = {};
        return t;
    };
    ResyncState state;
    EXPECT_FALSE(trackSkippedChunk(state, run, bytes, streamChunk(5)));
    EXPECT_FALSE(trackSkippedChunk(state, run, bytes, uncounted(7)));
    EXPECT_TRUE(trackSkippedChunk(state, run, bytes, uncounted(8)));
    EXPECT_EQ(state.holeBefore, (std::array<bool, kResyncRunLength>{false, true, false}));
}

}  // namespace
}  // namespace kestrel
