#include "demux/parse_chunk.h"

#include "chunk/record_header.h"

namespace kestrel {

namespace {

// Walks the record table in order, handing video and audio records to their
// extraction; stops at the end-of-data record.
void walkRecords(Demuxer& d, Bytes chunk, std::int32_t count) {
    std::size_t payloadStart = tableEnd(count);
    for (std::int32_t i = 0; i < count; ++i) {
        const RecordHeader header = recordAt(chunk, i);
        if (header.isEndOfData()) {
            d.run.keepPumping = 0;
            return;
        }
        const std::uint32_t size = header.size();
        if (header.type() == kVideoType) {
            handleVideoRecord(d.decoder.console, d.videoOut, d.video, header,
                              bytesAt(chunk, payloadStart, size));
        } else if (header.type() == kAudioType) {
            handleAudioRecord(d.decoder, d.run, d.audioOut, d.audio, bytesFrom(chunk, payloadStart),
                              size);
        }
        payloadStart += header.payloadLength();
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
    walkRecords(d, chunk, count);
}

}  // namespace kestrel
