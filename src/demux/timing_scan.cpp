#include "demux/chunk_timing.h"

namespace kestrel {

// Placeholder until the timing scan lands: a chunk shows no time stamps.
void scanChunkTiming(Decoder&, VideoCountState&, AudioScratch&, Bytes, ChunkTiming& timing) {
    timing.sVid = timing.eVid = timing.sAud = timing.eAud = kNoPts;
}

}  // namespace kestrel
