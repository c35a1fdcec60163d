// SPDX-License-Identifier: MIT
#include "harness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>

#include "chunk/check_num_recs.h"
#include "driver/run.h"

namespace kestrel::fuzzing {

namespace {

constexpr std::size_t kMaxBytes = kMaxChunks * kChunkSize;

// A file descriptor closed when it goes out of scope.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

bool writeAll(int fd, Bytes bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Bits 6-7 of the mode: which values the start-up phase learnt.
enum class LearntValues { kTypical, kNothing, kLargest, kTypicalToo };

// What the start-up phase learns from ordinary DTivo / Standalone recordings;
// from recordings without audio; or at the limits of what it can learn.
void setStartupValues(RunState& run, std::uint8_t mode) {
    run.audioType = (mode & 4) != 0 ? kDolbyAudio : kLayer2Audio;
    const bool dolby = run.audioType == kDolbyAudio;
    run.saMode = !dolby && (mode & 8) != 0 ? 1 : 0;
    run.audioPesHeaderLength = run.saMode != 0 ? 16 : 11;
    run.noOutput = (mode & 16) != 0 ? 1 : 0;
    run.firstVideoPTS = (mode & 32) != 0 ? kNoPts : 90000;
    switch (static_cast<LearntValues>(mode >> 6)) {
        case LearntValues::kNothing:  // the starting values stay
            break;
        case LearntValues::kLargest:
            run.standardAudioSize = 0xFFFFF + 16;  // a 20-bit size plus a Standalone header
            run.standardFrameLength = 3840;        // AC-3 at 640 kbit/s, 32 kHz
            run.standardAudioDiff = 1;
            break;
        default:
            run.standardAudioSize = dolby ? 1806 : 779;
            run.standardFrameLength = dolby ? 1792 : 768;
            run.standardAudioDiff = dolby ? 2880 : 2160;
    }
}

// With -n the output is open but nothing reaches it, as in a real run.
void openNullOutput(OutputFile& output, const char* name, const RunState& run) {
    output.adopt(std::fopen("/dev/null", "wb"), name);
    output.setDiscard(run.noOutput != 0);
}

}  // namespace

std::vector<std::uint8_t> expandRecording(Bytes body) {
    const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    std::vector<std::uint8_t> recording;
    for (std::size_t from = 0; recording.size() < kMaxBytes;) {
        const std::size_t marker = text.find(kChunkEndMarker, from);
        const std::size_t end = marker == std::string_view::npos ? text.size() : marker;
        recording.insert(recording.end(), body.begin() + static_cast<std::ptrdiff_t>(from),
                         body.begin() + static_cast<std::ptrdiff_t>(end));
        if (marker == std::string_view::npos) break;
        const std::size_t inChunk = recording.size() % kChunkSize;
        if (inChunk != 0) recording.resize(recording.size() + kChunkSize - inChunk);
        from = marker + kChunkEndMarker.size();
    }
    if (recording.size() > kMaxBytes) recording.resize(kMaxBytes);
    return recording;
}

std::vector<std::string> runOptions(std::uint8_t mode) {
    static constexpr std::array<const char*, 4> kVerbosity = {nullptr, "-v", "-V", nullptr};
    static constexpr std::array<const char*, 4> kLimit = {nullptr, "-l11", "-l12", "-l5"};
    static constexpr std::array<const char*, 4> kJump = {nullptr, "-j1", "-j-1", "-j2"};
    std::vector<std::string> options;
    const auto add = [&options](const char* option) {
        if (option != nullptr) options.emplace_back(option);
    };
    add(kVerbosity[mode & 3]);
    add((mode & 4) != 0 ? "-s" : nullptr);
    add((mode & 8) != 0 ? "-n" : nullptr);
    add(kLimit[(mode >> 4) & 3]);
    add(kJump[(mode >> 6) & 3]);
    return options;
}

int runWholeInput(Bytes input, std::FILE* console) {
    const std::uint8_t mode = input.empty() ? 0 : input[0];
    const std::vector<std::uint8_t> recording =
        expandRecording(input.subspan(input.empty() ? 0 : 1));
    const FdCloser file{::memfd_create("recording", MFD_CLOEXEC)};
    if (file.fd < 0 || !writeAll(file.fd, recording)) return kExitFailure;

    // kestrel opens the recording by name, as it would any file.
    const std::string name = "/proc/self/fd/" + std::to_string(file.fd);
    std::vector<std::string> words = {"kestrel"};
    for (std::string& option : runOptions(mode))
        words.push_back(std::move(option));
    words.insert(words.end(), {name, "/dev/null", "/dev/null"});
    std::vector<const char*> args;
    args.reserve(words.size());
    for (const std::string& word : words)
        args.push_back(word.c_str());
    return kestrelMain(args, console);
}

void parseChunkInput(Bytes input, std::FILE* console) {
    if (input.empty()) return;
    // A run object, so that the chunks take the same path as in the pump.
    const auto run = std::make_unique<Run>(console);
    run->console.setVerboseLevel(input[0] & 3);
    setStartupValues(run->state, input[0]);
    openNullOutput(run->video, "video", run->state);
    openNullOutput(run->audio, "audio", run->state);

    const std::vector<std::uint8_t> recording = expandRecording(input.subspan(1));
    for (std::size_t at = 0; at < recording.size() && run->state.keepPumping != 0;
         at += kChunkSize) {
        const std::size_t n = std::min(kChunkSize, recording.size() - at);
        std::uint8_t* chunk = run->readBuffer.data();
        std::copy_n(recording.begin() + static_cast<std::ptrdiff_t>(at), n, chunk);
        std::fill(chunk + n, chunk + kChunkSize, 0);
        if (checkNumRecs(run->console, run->readBuffer.view()) != 0 &&
            !demultiplex(*run, run->readBuffer.view()))
            break;
    }
}

}  // namespace kestrel::fuzzing
