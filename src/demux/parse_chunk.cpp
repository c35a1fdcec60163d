// SPDX-License-Identifier: MIT
#include "demux/parse_chunk.h"

#include "chunk/record_walk.h"

namespace kestrel {

namespace {

// Walks the record table in order, handing video and audio records to their
// extraction; stops at the end-of-data record, after which the recorder wrote
// nothing worth reading.
void walkRecords(Demuxer& d, Bytes chunk) {
    for (RecordWalk walk(chunk); walk.next();) {
        const RecordHeader header = walk.header();
        if (header.isEndOfData()) {
            d.run.keepPumping = 0;
            return;
        }
        if (header.type() == kVideoType) {
            handleVideoRecord(d.decoder.console, d.videoOut, d.video, header, walk.payload());
        } else if (header.type() == kAudioType) {
            handleAudioRecord(d.decoder, d.run, d.audioOut, d.audio, walk.fromPayload(),
                              header.size());
        }
    }
}

}  // namespace

void ParseChunk(Demuxer& d, Bytes chunk) {
    const std::int32_t count = recordCount(chunk);
    if (count == 0) return;
    if (!duplicateCheck(d.decoder.console, d.duplicates, chunk, count)) return;
    ChunkTiming timing;
    scanChunkTiming(d.decoder, d.videoCount, d.audioScratch, chunk, timing);
    if (!continuityCheck(d.decoder.console, d.run, d.continuity, timing)) return;
    if (d.decoder.console.isVeryVerbose()) dumpRecordTable(d.decoder, d.dump, "ParseChunk", chunk);
    walkRecords(d, chunk);
}

}  // namespace kestrel
