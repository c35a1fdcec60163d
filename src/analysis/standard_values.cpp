// SPDX-License-Identifier: MIT
#include "analysis/standard_values.h"

#include <algorithm>
#include <optional>

#include "chunk/record_walk.h"
#include "headers/audio_frame.h"
#include "headers/byte_patterns.h"
#include "headers/pes.h"

namespace kestrel {

namespace {

// Standalone recorders put the 16-byte audio packet header in a record of its
// own; the audio records that follow start with frame data, so the frame sync
// stands at one of the first few payload bytes.
constexpr std::uint32_t kStandaloneHeaderRecord = 16;
constexpr std::size_t kStandaloneSyncPositions = 5;

constexpr std::uint32_t kTicksPerMs = 90;
// A chunk's smallest step starts at 128 ms; a step of exactly that counts.
constexpr std::uint32_t kStartingStep = 11520;
// A step seen fewer times than this may be a glitch rather than the spacing.
constexpr std::int32_t kStepsNeeded = 3;

// Frame length of the Standalone audio record, when its sync is found.
std::optional<std::uint32_t> standaloneFrameLength(Decoder& decoder, const RecordWalk& walk) {
    const Bytes payload = walk.payload();
    for (std::size_t j = 0; j < kStandaloneSyncPositions && j + 1 < payload.size(); ++j) {
        if (isLayer2SyncAt(payload, j))
            return static_cast<std::uint32_t>(
                layer2FrameLength(decoder, bytesFrom(walk.fromPayload(), j)));
    }
    return std::nullopt;
}

// Frame length of the first frame of a DTivo audio record, when its packet
// header and frame sync are found.
std::optional<std::uint32_t> dtivoFrameLength(Decoder& decoder, const RecordWalk& walk) {
    std::int32_t pesOffset = 0;
    std::int32_t syncOffset = 0;
    const Bytes from = walk.fromPayload();
    if (findAudioFrame(decoder.run, from, static_cast<std::int32_t>(walk.header().size()),
                       pesOffset, syncOffset) != 2)
        return std::nullopt;
    return static_cast<std::uint32_t>(
        audioFrameLength(decoder, bytesFrom(from, static_cast<std::size_t>(syncOffset))));
}

// The time stamp of an audio record's packet header, if it has one.
std::optional<PtsTicks> audioRecordPts(Decoder& decoder, const RecordWalk& walk) {
    const Bytes from = walk.fromPayload();
    const std::uint32_t size = walk.header().size();
    std::int32_t pesOffset = -1;
    if (decoder.run.saMode != 0) {
        if (size == kStandaloneHeaderRecord)
            pesOffset = findAudioPesStart(from, static_cast<std::int32_t>(size));
    } else {
        std::int32_t syncOffset = 0;
        if (findAudioFrame(decoder.run, from, static_cast<std::int32_t>(size), pesOffset,
                           syncOffset) != 2)
            pesOffset = -1;
    }
    if (pesOffset < 0) return std::nullopt;
    return audioHeaderPts(decoder, bytesFrom(from, static_cast<std::size_t>(pesOffset)));
}

// Keeps the smallest positive step and how often it occurred in a row of
// larger-or-equal steps.
struct StepTally {
    std::uint32_t best = kStartingStep;
    std::int32_t count = 0;

    void add(PtsTicks previous, PtsTicks current) {
        // Whole milliseconds only; a backward step wraps to a huge value and is ignored.
        const auto d = static_cast<std::uint32_t>((current / kTicksPerMs) * kTicksPerMs -
                                                  (previous / kTicksPerMs) * kTicksPerMs);
        if (d == 0 || d > best) return;
        if (d < best) {
            best = d;
            count = 1;
        } else {
            ++count;
        }
    }
};

bool isVideoPesRecord(const RecordHeader& h) {
    return h.size() == kPesRecordSize && h.subtype() == kVideoPesSubtype;
}

}  // namespace

std::uint32_t chunkAudioSize(Decoder& decoder, std::uint32_t& standardFrameLength, Bytes chunk) {
    const bool standalone = decoder.run.saMode != 0;
    std::uint32_t largest = 0;
    for (RecordWalk walk(chunk); walk.next();) {
        const RecordHeader header = walk.header();
        if (header.type() != kAudioType) continue;
        const std::uint32_t size = header.size();
        // Standalone sizes count the packet header record that precedes the audio.
        largest = std::max(largest, standalone ? size + kStandaloneHeaderRecord : size);
        std::optional<std::uint32_t> frameLength;
        if (!standalone)
            frameLength = dtivoFrameLength(decoder, walk);
        else if (size > kStandaloneHeaderRecord)
            frameLength = standaloneFrameLength(decoder, walk);
        if (frameLength && *frameLength >= standardFrameLength) standardFrameLength = *frameLength;
    }
    return largest;
}

std::uint32_t chunkAudioDiff(Decoder& decoder, Bytes chunk) {
    StepTally tally;
    PtsTicks previous = 0;
    PtsTicks current = 0;
    for (RecordWalk walk(chunk); walk.next();) {
        if (walk.header().type() != kAudioType) continue;
        // A record without a time stamp keeps the last one read.
        current = audioRecordPts(decoder, walk).value_or(current);
        if (previous != 0) tally.add(previous, current);
        previous = current;
    }
    return tally.count >= kStepsNeeded ? tally.best : 0;
}

PtsTicks chunkFirstVideoPts(Decoder& decoder, std::int32_t& seqStartSeen, Bytes chunk) {
    for (RecordWalk walk(chunk); walk.next();) {
        const RecordHeader header = walk.header();
        if (header.type() != kVideoType) continue;
        if (seqStartSeen == 0) {
            if (header.subtype() == kSeqStartSubtype) {
                decoder.console.verbose("We found the SEQ header start!\n");
                seqStartSeen = 1;
            }
        } else if (isVideoPesRecord(header)) {
            return parsePesHeader(decoder, walk.fromPayload());
        }
    }
    return 0;
}

}  // namespace kestrel
