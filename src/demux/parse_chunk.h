// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "chunk/chunk_layout.h"
#include "demux/audio_extraction.h"
#include "demux/chunk_timing.h"
#include "demux/continuity_check.h"
#include "demux/duplicate_check.h"
#include "demux/output_file.h"
#include "demux/resync_tracker.h"
#include "demux/video_extraction.h"
#include "diag/record_dump.h"
#include "headers/decoder.h"
#include "repair/clean_cut.h"

namespace kestrel {

/// Everything ParseChunk works with: the run's console, settings, decoder and
/// output files, and the state it keeps from chunk to chunk.
struct Demuxer {
    Demuxer(Decoder& decoder, RunState& run, OutputFile& video, OutputFile& audio)
        : decoder(decoder), run(run), video(video), audio(audio) {}

    Decoder& decoder;
    RunState& run;
    OutputFile& video;
    OutputFile& audio;

    DuplicateState duplicates;
    VideoCountState videoCount;
    AudioScratch audioScratch;
    ContinuityState continuity;
    ResyncState resync;
    DumpCounters dump;
    VideoExtraction videoOut;
    AudioExtraction audioOut;
    /// With clean cuts (-c): the stage both streams go through to their files.
    std::unique_ptr<CleanCut> cleanCut;
};

/// Sends both streams through a clean-cut stage from now on (-c).
void startCleanCuts(Demuxer& demuxer);

/// The end of the input: a clean-cut stage finishes both outputs.
void finishDemux(Demuxer& demuxer);

/// A clean-cut stage has written all it was given, finished or not: the
/// output files may be closed.
void settleDemux(Demuxer& demuxer);

/// Demultiplexes one chunk that checkNumRecs accepted: skips duplicates and
/// out-of-band chunks, then writes its video and audio records. Out-of-band
/// chunks that turn out to continue one another (the stream lost a chunk) are
/// written after all, unless run.neverResync. Clears run.keepPumping at the
/// end-of-data record.
void ParseChunk(Demuxer& demuxer, Bytes chunk);

}  // namespace kestrel
