// SPDX-License-Identifier: MIT
#include "demux/continuity_check.h"

#include <algorithm>
#include <span>

#include "diag/time_display.h"

namespace kestrel {

namespace {

// A chunk in sequence starts its video at most 0.3 s from where the video of
// the chunk before ended, and its audio at most three packets from it.
constexpr PtsTicks kMaxVideoDiff = 27000;
constexpr std::uint32_t kMaxAudioStartPackets = 3;
// A hole in the audio of up to 5 s is bridged when it is a whole number of packets.
constexpr std::uint32_t kMaxAudioHoleMs = 5000;
// How far the Dolby Digital end stamp may run ahead and still be in step.
constexpr std::uint32_t kMaxDolbyEndPackets = 260;

constexpr const char* kRejected = "Nope... Not in sequence... Skipping it...\n\n";

std::int32_t bytesAligned(std::int32_t newStart, std::int32_t newEnd, std::int32_t oldEnd,
                          std::span<const std::uint32_t> jumps) {
    if (newStart == 0 || oldEnd == 0) return -1;
    const auto ahead = static_cast<std::uint32_t>(newEnd) - static_cast<std::uint32_t>(oldEnd);
    const bool aligned =
        newStart == oldEnd || std::find(jumps.begin(), jumps.end(), ahead) != jumps.end();
    return aligned ? 1 : 0;
}

bool present(PtsTicks start, PtsTicks end) {
    return start != kNoPts && end != kNoPts;
}

PtsTicks distance(PtsTicks a, PtsTicks b) {
    return a >= b ? a - b : b - a;
}

// Time stamps cut down to whole milliseconds.
PtsTicks wholeMs(PtsTicks t) {
    return t / 90 * 90;
}

void showDiff(Console& console, const char* label, PtsTicks diff) {
    console.print("%s", label);
    showTimeLine(console, ticksToMs(diff));
}

void showRange(Console& console, const char* label, const ByteCountRange& range) {
    showByteCountRange(console, label, range.start, range.end);
}

// One continuity check: the chunk's figures, the carried-over state and the
// suspicion the video step may raise for the audio step to clear.
struct Check {
    Console& console;
    const RunState& run;
    ContinuityState& state;
    const ChunkTiming& timing;
    bool videoSuspect = false;
    // Accepted across a gap in the audio stamps: what lay between was lost.
    bool hole = false;

    // The audio lines the chunk up after all: its video jump is forgiven.
    void acceptJump() {
        state.prevVideoPTS = timing.eVid;
        state.prevAudioPTS = timing.eAud;
        videoSuspect = false;
    }
};

void videoStep(Check& check) {
    const ChunkTiming& t = check.timing;
    ContinuityState& s = check.state;
    Console& console = check.console;
    if (s.prevVideoPTS == 0) s.prevVideoPTS = t.sVid;
    const PtsTicks diff = distance(t.sVid, s.prevVideoPTS);
    if (diff <= kMaxVideoDiff) {
        if (console.isVeryVerbose()) showDiff(console, "The Video Diff is: ", diff);
        s.prevVideoPTS = t.eVid;
        return;
    }
    console.print("\nFound an OOB packet... ");
    showDiff(console, "The Video Diff is: ", diff);
    switch (videoBytesAligned(t.vidByteCount.start, t.vidByteCount.end, s.oldVidByteCount.end)) {
        case 1:
            showRange(console, "33333 -> + old Vid ByteCount = ", s.oldVidByteCount);
            showRange(console, "33333 -> + new Vid ByteCount = ", t.vidByteCount);
            console.print("33333 -> + WE ARE ALIGNED on the Video so it is good!!!\n");
            s.prevVideoPTS = t.eVid;
            return;
        case 0:
            showRange(console, "33333 -> - old Vid ByteCount = ", s.oldVidByteCount);
            showRange(console, "33333 -> - new Vid ByteCount = ", t.vidByteCount);
            console.print("33333 -> - NOT ALIGNED on the Video... It is an OOB chunk!\n");
            check.videoSuspect = true;
            return;
        default:  // nothing to compare: let it through
            return;
    }
}

// The audio is in step; it also vouches for a suspect video jump.
void audioInStep(Check& check, PtsTicks startDiff) {
    check.state.prevAudioPTS = check.timing.eAud;
    if (!check.videoSuspect) return;
    Console& console = check.console;
    console.print("Found an OOB packet... ");
    showDiff(console, "The Audio Diff is: ", startDiff);
    console.print("It is in sequence... Everything is fine...\n");
    check.state.prevVideoPTS = check.timing.eVid;
    check.videoSuspect = false;
}

// The audio jumped. Accepted when the byte counters line up, or,
// without counters, when the hole is short and a whole number of packets.
bool audioJump(Check& check, PtsTicks startDiff) {
    Console& console = check.console;
    const ContinuityState& s = check.state;
    const ByteCountRange& range = check.timing.audByteCount;
    const std::uint32_t step = check.run.standardAudioDiff;
    console.print("Found an OOB packet... ");
    showDiff(console, "The Audio Diff is: ", startDiff);
    console.print("Is it in sequence??? It is OFF by exactly %lf frames.\n",
                  static_cast<double>(startDiff) / step);
    const std::int32_t aligned = audioBytesAligned(range.start, range.end, s.oldAudByteCount.end);
    if (aligned != -1) {
        showRange(console, "\n\n#1 55555 -> + old Aud ByteCount = ", s.oldAudByteCount);
        showRange(console, "#1 55555 -> + new Aud ByteCount = ", range);
        if (aligned == 0) {
            console.print("55555 -> - NOT ALIGNED on the Audio... It is an OOB chunk!\n");
            return false;
        }
        console.print("55555 -> + WE ARE ALIGNED on the Audio so it is good!!!\n");
        check.acceptJump();
        return true;
    }
    if (startDiff / 90 >= kMaxAudioHoleMs) return false;
    console.print("It is in the right range. Let's see if it lines up.\n");
    if (startDiff % step != 0) return false;
    console.print("It is in sequence. Starting back up after the 'hole'...\n");
    check.acceptJump();
    check.hole = true;
    return true;
}

// Returns false when the chunk is to be rejected.
bool audioStep(Check& check) {
    const ChunkTiming& t = check.timing;
    ContinuityState& s = check.state;
    Console& console = check.console;
    const std::uint32_t step = check.run.standardAudioDiff;
    const bool dolby = check.run.audioType == kDolbyAudio;
    if (s.prevAudioPTS == 0) s.prevAudioPTS = t.sAud;
    const PtsTicks startDiff = distance(wholeMs(t.sAud), wholeMs(s.prevAudioPTS));
    const PtsTicks endDiff = distance(wholeMs(t.eAud), wholeMs(s.prevAudioPTS));
    if (startDiff <= kMaxAudioStartPackets * step) {
        if (console.isVeryVerbose()) showDiff(console, "The Audio Diff is: ", startDiff);
        audioInStep(check, startDiff);
        return true;
    }
    // Dolby Digital packets may carry a first stamp that lags; the last one
    // then still shows the audio in step. Only for a chunk whose video is in
    // step too: out-of-band chunks of the same recording lie on the packet
    // grid as well, and their video jump must not be forgiven here.
    if (dolby && !check.videoSuspect && endDiff % step == 0 &&
        endDiff <= kMaxDolbyEndPackets * step) {
        console.print("Caught the DD error with the end audio PTS...\n");
        if (console.isVeryVerbose()) {
            console.print("The Audio End Diff is: (%d) == ",
                          static_cast<std::int32_t>(endDiff / 90 / step / 90));
            showTimeLine(console, ticksToMs(endDiff));
        }
        audioInStep(check, startDiff);
        check.hole = true;
        return true;
    }
    if (dolby && startDiff != endDiff) {
        console.print("In checking dolby errors we need more than 1 audio packet!\n");
        return true;
    }
    return audioJump(check, startDiff);
}

// A chunk without any time stamp is judged by its byte counters alone, which
// must continue exactly where the last accepted chunk's ended.
bool byteCountFallback(Check& check) {
    Console& console = check.console;
    const ContinuityState& s = check.state;
    const ByteCountRange& vid = check.timing.vidByteCount;
    const ByteCountRange& aud = check.timing.audByteCount;
    console.print(
        "\n-1x4 - No Audio or Video timestamps in this chunk... Checking byte counts...\n");
    showRange(console, "-1x4:\t New Vid ByteCount =", vid);
    showRange(console, "-1x4:\t New Aud ByteCount =", aud);
    showRange(console, "-1x4:\t Old Vid ByteCount =", s.oldVidByteCount);
    showRange(console, "-1x4:\t Old Aud ByteCount =", s.oldAudByteCount);
    bool audioFailed = false;
    if (aud.start != 0) {
        if (aud.start == s.oldAudByteCount.end) {
            console.print("-1x4: We are aligned on the audio so it is good!!!\n");
        } else {
            console.print("-1x4: We are NOT aligned on the audio... It is an OOB chunk!\n");
            audioFailed = true;
        }
    }
    if (aud.start == 0 && vid.start == 0) {
        console.print(
            "-1x4 - The chunk contains neither audio nor video data... It is an OOB chunk!\n");
        return false;
    }
    if (vid.start != 0) {
        if (vid.start != s.oldVidByteCount.end) {
            console.print("-1x4: We are NOT aligned on the Video... It is an OOB chunk!\n");
            return false;
        }
        console.print("-1x4: We are aligned on the Video so it is good!!!\n");
    }
    if (audioFailed) return false;
    console.print("\n");
    return true;
}

Continuity reject(Console& console) {
    console.print("%s", kRejected);
    return Continuity::kRejected;
}

}  // namespace

std::int32_t videoBytesAligned(std::int32_t newStart, std::int32_t newEnd, std::int32_t oldEnd) {
    return bytesAligned(newStart, newEnd, oldEnd, kVideoCounterJumps);
}

std::int32_t audioBytesAligned(std::int32_t newStart, std::int32_t newEnd, std::int32_t oldEnd) {
    return bytesAligned(newStart, newEnd, oldEnd, kAudioCounterJumps);
}

Continuity continuityCheck(Console& console, const RunState& run, ContinuityState& state,
                           const ChunkTiming& timing) {
    const ByteCountRange& vid = timing.vidByteCount;
    const ByteCountRange& aud = timing.audByteCount;
    if (vid.start == 0 && aud.start == 0)
        console.print("\n11111 -> Chunk contains neither audio nor video data. Stop here...\n\n");
    Check check{console, run, state, timing};
    const bool hasVideo = present(timing.sVid, timing.eVid);
    const bool hasAudio = present(timing.sAud, timing.eAud);
    if (hasVideo) videoStep(check);
    if (hasAudio && !audioStep(check)) return reject(console);
    if (check.videoSuspect) return reject(console);
    const bool noStamps = timing.sVid == kNoPts && timing.eVid == kNoPts && timing.sAud == kNoPts &&
                          timing.eAud == kNoPts;
    if (noStamps && !byteCountFallback(check)) return reject(console);
    if (aud.start != 0) state.oldAudByteCount = aud;
    if (vid.start != 0) state.oldVidByteCount = vid;
    return check.hole ? Continuity::kAfterHole : Continuity::kInSequence;
}

}  // namespace kestrel
