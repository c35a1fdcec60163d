// SPDX-License-Identifier: MIT
#include "driver/startup_phase.h"

#include <array>
#include <span>
#include <vector>

#include "analysis/recorder_detection.h"
#include "analysis/standard_values.h"
#include "chunk/check_num_recs.h"
#include "driver/startup_values.h"

namespace kestrel {

namespace {

using AnalysisViews = std::array<Bytes, kAnalysisChunkCount>;

// A read that came out short is the end of the input, cut off inside a chunk.
// Unlike the pump, the start-up phase keeps it when its record table passes
// (the rest of the buffer was zero-filled by the read), so it is parsed if it
// completes the ten chunks; it must not go by unannounced.
void reportKeptPartialChunk(Console& console, std::size_t bytesRead) {
    if (bytesRead >= kChunkSize) return;
    console.print(
        "\nWarning: the input ends with a partial chunk of %d bytes; the rest of it was "
        "zero-filled.\n",
        static_cast<int>(bytesRead));
}

// Reads until ten chunks passed validation, each copied into its own buffer.
// The copies are made into reserved room, so the 1.25 MiB are written once
// rather than zeroed first.
bool readAnalysisChunks(Run& run, std::vector<ChunkBuffer>& chunks) {
    constexpr auto kCount = static_cast<std::size_t>(kAnalysisChunkCount);
    chunks.clear();
    chunks.reserve(kCount);
    while (chunks.size() < kCount) {
        const ReadResult result = readChunk(run);
        if (result.failed()) return false;
        if (result.bytes == 0) {
            run.console.print(
                "Sorry... Failed to get the first %d initial chunks...\nHave to have at least "
                "that many to start the analysis phase...\n",
                kAnalysisChunkCount);
            return false;
        }
        if (checkNumRecs(run.console, run.readBuffer.view()) != 0) {
            chunks.push_back(run.readBuffer);
            reportKeptPartialChunk(run.console, result.bytes);
        } else {
            run.console.verbose(
                "Startup: Found a bad chunk in the first Analysis-%d. Skipping until there are "
                "%d good ones.\n",
                kAnalysisChunkCount, kAnalysisChunkCount);
        }
    }
    return true;
}

// The measurements run in this order: chunkAudioSize settles the frame length
// and chunkFirstVideoPts may remember a sequence-header start for later chunks.
void learnStandardValues(Run& run, const AnalysisViews& chunks) {
    for (const Bytes chunk : chunks) {
        ChunkMeasurements measured;
        measured.audioSize = chunkAudioSize(run.decoder, run.state.standardFrameLength, chunk);
        measured.firstVideoPts = chunkFirstVideoPts(run.decoder, run.seqStartSeen, chunk);
        measured.audioDiff = chunkAudioDiff(run.decoder, chunk);
        combineStandardValues(run.console, run.state, measured);
    }
}

// Chunks after one that holds the end-of-data record are no longer part of
// the recording, here as in the pump.
bool demultiplexAll(Run& run, const AnalysisViews& chunks) {
    for (const Bytes chunk : chunks) {
        if (run.state.keepPumping == 0) break;
        if (!demultiplex(run, chunk)) return false;
    }
    return true;
}

}  // namespace

bool recordingSupported(Console& console, const RunState& run) {
    if (run.saMode == 0 || run.audioType != kDolbyAudio) return true;
    console.print("Aborting... The is no chance of a DD5.1 in standalone mode...\n");
    return false;
}

bool runStartupPhase(Run& run) {
    std::vector<ChunkBuffer>& chunks = run.analysisChunks;
    if (!readAnalysisChunks(run, chunks)) return false;
    run.console.verbose("Read the first %d chunk's for analysis...\n", kAnalysisChunkCount);

    AnalysisViews views;
    for (std::size_t i = 0; i < views.size(); ++i)
        views[i] = chunks[i].view();
    decideRecorderType(run.console, run.state, views);
    decideAudioType(run.console, run.state, run.audioCounts, views);
    if (!recordingSupported(run.console, run.state)) return false;

    learnStandardValues(run, views);
    reportStandardValues(run.console, run.state);
    if (!demultiplexAll(run, views)) return false;
    run.console.print(".");
    return true;
}

}  // namespace kestrel
