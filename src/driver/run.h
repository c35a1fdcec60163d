// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "analysis/recorder_detection.h"
#include "chunk/chunk_buffer.h"
#include "demux/output_file.h"
#include "demux/parse_chunk.h"
#include "diag/console.h"
#include "driver/input_file.h"
#include "headers/decoder.h"
#include "headers/run_state.h"

namespace kestrel {

/// Exit codes: 0 after the final report, 1 for every way a run can fail.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

/// One invocation of kestrel: its console, settings, files, the one read
/// buffer and all state that lives from chunk to chunk. Nothing of a run lives
/// outside this object, so runs can be made in-process one after another.
struct Run {
    explicit Run(std::FILE* consoleOut) : console(consoleOut) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    Console console;
    RunState state;
    Decoder decoder{console, state};
    InputFile input;
    OutputFile video;
    OutputFile audio;
    Demuxer demuxer{decoder, state, video, audio};
    AudioTypeCounts audioCounts;
    std::int32_t seqStartSeen = 0;  // a sequence-header start was met during start-up
    ChunkBuffer readBuffer;         // every chunk is read into this
    /// The start-up phase's copies of the first chunks. They belong to the
    /// run rather than to the phase so that a run object used for one
    /// invocation after another (the fuzz targets) allocates them only once.
    std::vector<ChunkBuffer> analysisChunks;
};

/// Reads the next chunk into the read buffer; reports a read error.
ReadResult readChunk(Run& run);
/// Reports an input read error, if `result` holds one; false then.
bool inputReadOk(Run& run, const ReadResult& result);
/// Hands an accepted chunk to ParseChunk. False when an output file could not
/// be written (reported): the run must stop.
bool demultiplex(Run& run, Bytes chunk);
/// Reports each output file that could not be written; false if any.
bool outputsWritten(Run& run);
/// Closes the audio output, the video output and the input, in that order,
/// once a clean-cut stage has written all it was given.
void closeFiles(Run& run);

/// Runs one invocation of kestrel on `run`, which must hold what a new run
/// object holds (its buffers may have been used before): `args` as main()
/// gets them (word 0 the program's name). Closes the files and flushes the
/// console; returns the exit code.
int runInvocation(Run& run, std::span<const char* const> args);

/// Runs a whole invocation of kestrel in-process on a new run object: `args`
/// as main() gets them, console text to `consoleOut`. Returns the exit code.
int kestrelMain(std::span<const char* const> args, std::FILE* consoleOut);

}  // namespace kestrel
