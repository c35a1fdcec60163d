// SPDX-License-Identifier: MIT
#include "demux/parse_chunk.h"

#include "chunk/record_walk.h"

namespace kestrel {

namespace {

// Where the extraction writes: the files, or with clean cuts the stage
// between it and them.
ByteOutput& videoOutput(Demuxer& d) {
    if (d.cleanCut) return d.cleanCut->videoInput();
    return d.video;
}
ByteOutput& audioOutput(Demuxer& d) {
    if (d.cleanCut) return d.cleanCut->audioInput();
    return d.audio;
}

// Walks the record table in order, handing video and audio records to their
// extraction; stops at the end-of-data record, after which the recorder wrote
// nothing worth reading.
void walkRecords(Demuxer& d, Bytes chunk) {
    CleanCut* clean = d.cleanCut.get();
    ByteOutput& video = videoOutput(d);
    ByteOutput& audio = audioOutput(d);
    for (RecordWalk walk(chunk); walk.next();) {
        const RecordHeader header = walk.header();
        if (header.isEndOfData()) {
            d.run.keepPumping = 0;
            return;
        }
        if (header.type() == kVideoType) {
            if (clean != nullptr && isPesHeaderRecord(header) &&
                d.videoOut.videoState != VideoExtraction::kWaiting)
                clean->videoPacketHeader(walk.payload());
            handleVideoRecord(d.decoder.console, d.videoOut, video, header, walk.payload());
        } else if (header.type() == kAudioType) {
            handleAudioRecord(d.decoder, d.run, d.audioOut, audio, walk.fromPayload(),
                              header.size());
        }
    }
}

// What becomes of a chunk that is in sequence.
void extractChunk(Demuxer& d, Bytes chunk) {
    if (d.decoder.console.isVeryVerbose()) dumpRecordTable(d.decoder, d.dump, "ParseChunk", chunk);
    walkRecords(d, chunk);
}

// The stream goes on after data was lost.
void afterHole(Demuxer& d) {
    resumeAfterHole(d.audioOut);
    if (d.cleanCut) d.cleanCut->join();
}

// A gap in the video byte counters cuts the video too, where no time stamp
// showed it (a short loss, a chunk with a broken table).
void noteVideoCounters(Demuxer& d, const ChunkTiming& timing) {
    if (d.cleanCut) d.cleanCut->videoCounters(timing.vidByteCount.start, timing.vidByteCount.end);
}

// The skipped chunks held and `chunk` continue one another: the stream goes on
// with them, from where they leave it, after a hole.
void resynchronise(Demuxer& d, Bytes chunk, const ChunkTiming& timing) {
    d.decoder.console.print(
        "Back in sync: the last %d skipped chunks follow one another, so the recording goes on "
        "with them. Writing them after all...\n\n",
        kResyncRunLength);
    d.continuity = d.resync.shadow;
    noteVideoCounters(d, timing);
    // The held chunks, then this one; a hole may lie between them too.
    const std::int32_t held = d.resync.heldCount;
    for (std::int32_t i = 0; i <= held && d.run.keepPumping != 0; ++i) {
        if (i == 0 || d.resync.holeBefore[static_cast<std::size_t>(i)]) afterHole(d);
        extractChunk(d, i < held ? heldChunk(d.resync, i) : chunk);
    }
    dropHeldChunks(d.resync);
}

}  // namespace

void ParseChunk(Demuxer& d, Bytes chunk) {
    const std::int32_t count = recordCount(chunk);
    if (count == 0) return;
    if (!duplicateCheck(d.decoder.console, d.duplicates, chunk, count)) return;
    ChunkTiming timing;
    scanChunkTiming(d.decoder, d.videoCount, d.audioScratch, chunk, timing);
    const Continuity verdict = continuityCheck(d.decoder.console, d.run, d.continuity, timing);
    if (verdict == Continuity::kRejected) {
        if (d.run.neverResync == 0 && trackSkippedChunk(d.resync, d.run, chunk, timing))
            resynchronise(d, chunk, timing);
        return;
    }
    // Whatever was held was out of band after all.
    dropHeldChunks(d.resync);
    if (verdict == Continuity::kAfterHole) afterHole(d);
    noteVideoCounters(d, timing);
    extractChunk(d, chunk);
}

void startCleanCuts(Demuxer& d) {
    d.cleanCut = std::make_unique<CleanCut>(d.decoder.console, d.run, d.video, d.audio);
    d.audioOut.cleanCut = d.cleanCut.get();
}

void finishDemux(Demuxer& d) {
    if (d.cleanCut) d.cleanCut->finish();
}

void settleDemux(Demuxer& d) {
    if (d.cleanCut) d.cleanCut->stop();
}

}  // namespace kestrel
