// SPDX-License-Identifier: MIT
#include "driver/file_setup.h"

#include "driver/overwrite_guard.h"

namespace kestrel {

namespace {

bool openInput(Run& run, const char* name) {
    const int error = run.input.open(name);
    if (error == 0) return true;
    run.console.print("errno = %d\n", error);
    run.console.print("Cannot open the input file: %s\n", run.input.name().c_str());
    return false;
}

// `failure` is the message format, given the file's name.
bool openOutput(Run& run, OutputFile& output, const char* name, const char* failure) {
    const bool noOutput = run.state.noOutput != 0;
    if (!output.open(name, !noOutput)) {
        run.console.print(failure, name);
        return false;
    }
    output.setDiscard(noOutput);
    return true;
}

}  // namespace

bool openFiles(Run& run, const CommandLine& line) {
    run.console.print("Processing '%s': (10 chunks per tick)\n", line.inputName);
    return openInput(run, line.inputName) &&
           outputsAreSafe(run.console, run.input.fd(), line.videoName, line.audioName) &&
           openOutput(run, run.video, line.videoName, "Cannot open the Video output file: %s\n") &&
           // A video output that did not exist before does now: a second look
           // finds an audio name that leads to the same new file.
           outputsAreSafe(run.console, run.input.fd(), line.videoName, line.audioName) &&
           openOutput(run, run.audio, line.audioName, "Cannot open the Audio output file: %s\n");
}

bool jumpIntoInput(Run& run, std::int32_t jumpChunks) {
    if (jumpChunks == 0) return true;
    // Recordings are often larger than 2 GiB: the offset needs 64 bits.
    const std::int64_t offset = std::int64_t{jumpChunks} * static_cast<std::int64_t>(kChunkSize);
    run.console.print("Jumping %d chunks into input (%lld total bytes)\n", jumpChunks,
                      static_cast<long long>(offset));
    return inputReadOk(run, run.input.skipTo(offset));
}

}  // namespace kestrel
