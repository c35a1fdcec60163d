// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

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
/// Closes the audio output, the video output and the input, in that order.
void closeFiles(Run& run);

/// Runs a whole invocation of kestrel in-process: `args` as main() gets them
/// (word 0 the program's name), console text to `consoleOut`. Returns the exit
/// code.
int kestrelMain(std::span<const char* const> args, std::FILE* consoleOut);

}  // namespace kestrel
