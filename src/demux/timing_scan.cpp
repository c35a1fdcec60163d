// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstring>
#include <span>

#include "chunk/record_header.h"
#include "demux/chunk_timing.h"
#include "diag/time_display.h"
#include "headers/audio_frame.h"
#include "headers/pes.h"

namespace kestrel {

namespace {

constexpr const char* kVidBodyOff =
    "### The Vid Body is off! %2X %2X %2X -> %2X %2X %2X  diff == 0x%X (%d)\n";
constexpr const char* kAudBodyOff =
    "$$$ The Aud Body is off! %2X %2X %2X -> %2X %2X %2X  diff == 0x%X (%d)\n";

// After a sequence-header record the recorder's video counter runs its own
// way for the next 88 bytes of counted video (the sequence-header window):
// small uncounted records take more counter space than outside it, and 16
// bytes are counted for a PES header even when no record for it shows up.
constexpr std::int32_t kSeqWindowBytes = 88;
// No header decoder reads more than 16 bytes from where it starts, and every
// read of the audio walk starts inside the gathered bytes.
constexpr std::uint32_t kScratchReadTail = 16;
// Dolby Digital packets carry a full PES header of this length before the sync.
constexpr std::uint32_t kAc3PesHeaderLength = 14;

// Counter arithmetic wraps like the recorder's 32-bit registers.
std::int32_t plus(std::int32_t value, std::uint32_t n) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + n);
}

// Everything one scan works with.
struct Scan {
    Decoder& decoder;
    VideoCountState& state;
    AudioScratch& scratch;
    Bytes chunk;  // the 131072 bytes of the chunk, without padding
    ChunkTiming& timing;
};

void showStamp(Console& console, const char* format, PtsTicks pts) {
    console.print(format, static_cast<std::int32_t>(pts));
    showTimeLine(console, ticksToMs(pts));
}

bool payloadInChunk(Bytes chunk, std::size_t offset, std::uint32_t size) {
    return offset <= chunk.size() && size <= chunk.size() - offset;
}

// A counted record continues its stream when its counter is where the last
// one ended, or where it ended minus one of the recorder's known jumps. A gap
// is reported; either way the stream goes on from this record.
void followCounter(Console& console, const char* offMessage, std::span<const std::uint32_t> jumps,
                   const RecordHeader& header, ByteCountRange& range) {
    const std::int32_t c = header.byteCount();
    const bool continues =
        c == range.end || std::any_of(jumps.begin(), jumps.end(),
                                      [&](auto jump) { return c == plus(range.end, 0 - jump); });
    if (!continues) {
        const std::int32_t diff = plus(c, 0 - static_cast<std::uint32_t>(range.end));
        console.print(offMessage, header.byte(5), header.byte(6), header.byte(7),
                      (range.end >> 16) & 0xFF, (range.end >> 8) & 0xFF, range.end & 0xFF,
                      static_cast<std::uint32_t>(diff), diff);
    }
    range.end = plus(c, header.size());
}

void openSeqWindow(VideoCountState& state, std::uint32_t size) {
    state.seqWindowOpen = 1;
    state.seqWindowLeft = plus(kSeqWindowBytes, 0 - size);
    state.windowShortParity = 0;
    state.seqWindowPesSeen = 0;
}

// Pairs of 4-byte records: the first of each pair adds `first`, the second `second`.
std::uint32_t shortPairStep(std::int32_t& parity, std::uint32_t first, std::uint32_t second) {
    if (++parity < 2) return first;
    parity = 0;
    return second;
}

void countedVideoStep(Scan& scan, const RecordHeader& header) {
    VideoCountState& state = scan.state;
    ByteCountRange& range = scan.timing.vidByteCount;
    const std::uint32_t size = header.size();
    state.shortParity = 0;
    if (state.seqWindowOpen == 1) {
        if (state.seqWindowLeft != 0) {
            state.seqWindowLeft = plus(state.seqWindowLeft, 0 - size);
        } else {
            // The window closed without the recorder's PES header record: its
            // 16 bytes were counted all the same.
            state.seqWindowOpen = 0;
            if (state.seqWindowPesSeen == 0) range.end = plus(range.end, kPesRecordSize);
        }
    }
    if (header.subtype() == kSeqStartSubtype && scan.decoder.run.saMode == 0)
        openSeqWindow(state, size);
    if (range.start == 0) {
        // Uncounted records before this one already added their share to end.
        range.start = plus(header.byteCount(), 0 - static_cast<std::uint32_t>(range.end));
        range.end = plus(header.byteCount(), size);
        return;
    }
    followCounter(scan.decoder.console, kVidBodyOff, kVideoCounterJumps, header, range);
}

// Counter space taken by an uncounted video record: not always its own size,
// and different inside and outside a sequence-header window.
std::uint32_t uncountedVideoBytes(VideoCountState& state, const RecordHeader& header) {
    const std::uint32_t size = header.size();
    if (state.seqWindowOpen == 0) {
        if (size == 4) return shortPairStep(state.shortParity, 0, 4);
        return size == 8 ? 8 : 0;
    }
    switch (size) {
        case 16:
            if (header.subtype() == kVideoPesSubtype) state.seqWindowPesSeen = 1;
            return 16;
        case 4:
            return header.subtype() == kSeqStartSubtype
                       ? 4
                       : shortPairStep(state.windowShortParity, 8, 4);
        case 8:
            return 16;
        default:
            return size;
    }
}

void uncountedVideoStep(Scan& scan, const RecordHeader& header) {
    if (header.subtype() == kSeqStartSubtype && scan.decoder.run.saMode == 0)
        openSeqWindow(scan.state, header.size());
    ByteCountRange& range = scan.timing.vidByteCount;
    range.end = plus(range.end, uncountedVideoBytes(scan.state, header));
}

void widenVideoStamps(ChunkTiming& timing, PtsTicks pts) {
    if (timing.sVid == kNoPts && timing.eVid == kNoPts) {
        timing.sVid = timing.eVid = pts;
        return;
    }
    timing.sVid = std::min(timing.sVid, pts);
    timing.eVid = std::max(timing.eVid, pts);
}

void scanVideoRecord(Scan& scan, const RecordHeader& header, std::size_t offset) {
    if (header.byteCount() >= kCounterThreshold)
        countedVideoStep(scan, header);
    else
        uncountedVideoStep(scan, header);
    if (header.size() != kPesRecordSize || header.subtype() != kVideoPesSubtype) return;
    if (!payloadInChunk(scan.chunk, offset, kPesRecordSize)) return;
    const PtsTicks pts = parsePesHeader(scan.decoder, bytesFrom(scan.chunk, offset));
    Console& console = scan.decoder.console;
    if (console.isVeryVerbose()) showStamp(console, "PTS CHECK: Video == (%d) ", pts);
    widenVideoStamps(scan.timing, pts);
}

void scanAudioRecord(Scan& scan, const RecordHeader& header, std::size_t offset) {
    const std::uint32_t size = header.size();
    if (header.byteCount() >= kCounterThreshold) {
        ByteCountRange& range = scan.timing.audByteCount;
        if (range.start == 0) {
            range.start = header.byteCount();
            range.end = plus(header.byteCount(), size);
        } else {
            followCounter(scan.decoder.console, kAudBodyOff, kAudioCounterJumps, header, range);
        }
    }
    AudioScratch& scratch = scan.scratch;
    if (!payloadInChunk(scan.chunk, offset, size) || size > kChunkSize - scratch.gatheredAudio)
        return;
    std::memcpy(scratch.bytes.data() + scratch.gatheredAudio, scan.chunk.data() + offset, size);
    scratch.gatheredAudio += size;
}

// The scan's own payload walk: records of types 1 and 2 never take a payload
// and records of types 3 to 5 always take `size`, whatever their header-only
// bit says. Payloads that this puts outside the chunk are not read.
void scanRecords(Scan& scan, std::int32_t count) {
    std::size_t offset = tableEnd(count);
    for (std::int32_t i = 0; i < count; ++i) {
        const RecordHeader header = recordAt(scan.chunk, i);
        const std::uint8_t type = header.type();
        if (type == kVideoType)
            scanVideoRecord(scan, header, offset);
        else if (type == kAudioType)
            scanAudioRecord(scan, header, offset);
        if (type != 1 && type != 2) offset += header.size();
    }
}

// Steps from packet header to packet header through the gathered audio,
// assuming every frame follows a header of `headerLength` bytes;
// findAudioFrame re-synchronises where that does not hold.
void walkGatheredAudio(Scan& scan) {
    const RunState& run = scan.decoder.run;
    Console& console = scan.decoder.console;
    const Bytes audio(scan.scratch.bytes);
    const std::uint32_t gathered = scan.scratch.gatheredAudio;
    const std::uint32_t headerLength = run.audioType == kLayer2Audio
                                           ? static_cast<std::uint32_t>(run.audioPesHeaderLength)
                                           : kAc3PesHeaderLength;
    const std::uint32_t limit = gathered - headerLength;  // wraps when little was gathered
    if (limit == 0) return;
    std::uint32_t pos = 0;
    do {
        std::int32_t pesOffset = 0;
        std::int32_t syncOffset = 0;
        if (findAudioFrame(run, bytesFrom(audio, pos), static_cast<std::int32_t>(gathered - pos),
                           pesOffset, syncOffset) != 2)
            return;
        const auto sync = pos + static_cast<std::uint32_t>(syncOffset);
        if (gathered - sync < 4) {
            console.veryVerbose("\nHad the end-of-buffer Audio Boundry occur...\n");
            return;
        }
        const PtsTicks pts = audioHeaderPts(
            scan.decoder, bytesFrom(audio, pos + static_cast<std::uint32_t>(pesOffset)));
        if (console.isVeryVerbose()) showStamp(console, "PTS CHECK: Audio == (%d) ", pts);
        ChunkTiming& timing = scan.timing;
        if (timing.sAud == kNoPts && timing.eAud == kNoPts)
            timing.sAud = timing.eAud = pts;
        else
            timing.eAud = std::max(timing.eAud, pts);
        pos += headerLength +
               static_cast<std::uint32_t>(audioFrameLength(scan.decoder, bytesFrom(audio, sync)));
    } while (pos < limit);
}

void showSummary(Console& console, const ChunkTiming& timing) {
    showStamp(console, "sVid = %d ", timing.sVid);
    showStamp(console, "eVid = %d ", timing.eVid);
    showStamp(console, "sAud = %d ", timing.sAud);
    showStamp(console, "eAud = %d ", timing.eAud);
    showByteCountRange(console, "Vid ByteCount =", timing.vidByteCount.start,
                       timing.vidByteCount.end);
    showByteCountRange(console, "Aud ByteCount =", timing.audByteCount.start,
                       timing.audByteCount.end);
}

}  // namespace

void scanChunkTiming(Decoder& decoder, VideoCountState& state, AudioScratch& scratch, Bytes chunk,
                     ChunkTiming& timing) {
    const std::int32_t count = recordCount(chunk);
    if (count == 0) return;
    timing.sVid = timing.eVid = timing.sAud = timing.eAud = kNoPts;
    Scan scan{decoder, state, scratch, chunk.first(std::min(chunk.size(), kChunkSize)), timing};
    scratch.gatheredAudio = 0;
    scanRecords(scan, count);
    // The gathered bytes were just written; only the few bytes past them that
    // a header read can reach need to read as zeros, as in a cleared buffer.
    const std::size_t tail =
        std::min<std::size_t>(kScratchReadTail, scratch.bytes.size() - scratch.gatheredAudio);
    std::fill_n(scratch.bytes.begin() + scratch.gatheredAudio, tail, std::uint8_t{0});
    Console& console = decoder.console;
    console.veryVerbose("\n");
    walkGatheredAudio(scan);
    if (console.isVeryVerbose()) showSummary(console, timing);
}

}  // namespace kestrel
