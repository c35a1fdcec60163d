// SPDX-License-Identifier: MIT
#include "driver/run.h"

#include <memory>
#include <optional>

#include "driver/file_setup.h"
#include "driver/final_report.h"
#include "driver/main_pump.h"
#include "driver/options.h"
#include "driver/startup_phase.h"

namespace kestrel {

namespace {

void applySettings(Run& run, const CommandLine& line) {
    run.console.setVerboseLevel(line.verboseLevel);
    run.state.saMode = line.saMode;
    run.state.audioPesHeaderLength = line.audioPesHeaderLength;
    run.state.noOutput = line.noOutput;
    run.state.neverResync = line.neverResync;
    if (line.cleanCuts != 0) startCleanCuts(run.demuxer);
}

int execute(Run& run, std::span<const char* const> args) {
    const std::optional<CommandLine> line = readCommandLine(args);
    if (!line) {
        printUsage(run.console);
        return kExitFailure;
    }
    applySettings(run, *line);
    const bool completed = openFiles(run, *line) && jumpIntoInput(run, line->jumpChunks) &&
                           runStartupPhase(run) && runMainPump(run, line->chunkLimit);
    return completed ? finishRun(run) : kExitFailure;
}

}  // namespace

ReadResult readChunk(Run& run) {
    const ReadResult result = run.input.read(std::span(run.readBuffer.bytes).first(kChunkSize));
    inputReadOk(run, result);
    return result;
}

bool inputReadOk(Run& run, const ReadResult& result) {
    if (!result.failed()) return true;
    run.console.print("Cannot read the input file: %s\n", run.input.name().c_str());
    return false;
}

bool demultiplex(Run& run, Bytes chunk) {
    ParseChunk(run.demuxer, chunk);
    return outputsWritten(run);
}

bool outputsWritten(Run& run) {
    if (run.video.failed())
        run.console.print("Cannot write the Video output file: %s\n", run.video.name().c_str());
    if (run.audio.failed())
        run.console.print("Cannot write the Audio output file: %s\n", run.audio.name().c_str());
    return !run.video.failed() && !run.audio.failed();
}

void closeFiles(Run& run) {
    settleDemux(run.demuxer);
    run.audio.close();
    run.video.close();
    run.input.close();
}

int runInvocation(Run& run, std::span<const char* const> args) {
    const int code = execute(run, args);
    closeFiles(run);
    run.console.flush();
    return code;
}

int kestrelMain(std::span<const char* const> args, std::FILE* consoleOut) {
    // A run holds a few MiB of buffers: keep it off the stack.
    const auto run = std::make_unique<Run>(consoleOut);
    return runInvocation(*run, args);
}

}  // namespace kestrel
