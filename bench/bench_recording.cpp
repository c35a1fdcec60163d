// SPDX-License-Identifier: MIT
#include "bench_recording.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "driver/startup_phase.h"
#include "recbuild/byte_sink.h"
#include "recbuild/recording_writer.h"

namespace kestrel::bench {

namespace {

std::string samplePath(const char* name) {
    return std::string(KESTREL_TESTDATA_DIR "/") + name;
}

std::vector<std::uint8_t> buildBytes(Recording::Audio audio, std::size_t minBytes) {
    const recbuild::VideoStream video =
        recbuild::parseVideoStream(recbuild::readFile(samplePath("sample.m2v")));
    const recbuild::AudioStream sound = recbuild::parseAudioStream(recbuild::readFile(
        samplePath(audio == Recording::Audio::Layer2 ? "sample.mp2" : "sample.ac3")));
    recbuild::RecordingPlan plan;
    plan.layout.iterations = 0;
    plan.minSize = minBytes;
    recbuild::MemorySink sink;
    recbuild::writeRecording(video, sound, plan, sink, nullptr);
    return sink.bytes();
}

void writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("cannot fill the in-memory recording");
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

Recording::Recording(Audio audio, std::size_t minBytes) {
    const std::vector<std::uint8_t> bytes = buildBytes(audio, minBytes);
    chunks_.resize(bytes.size() / kChunkSize);
    for (std::size_t i = 0; i < chunks_.size(); ++i)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * kChunkSize), kChunkSize,
                    chunks_[i].data());
    fd_ = ::memfd_create("kestrel-bench-recording", 0);
    if (fd_ < 0) throw std::runtime_error("memfd_create failed");
    writeAll(fd_, bytes);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

Recording::~Recording() {
    ::close(fd_);
}

StartedRun::StartedRun(const Recording& recording, bool noOutput)
    : console_(std::fopen("/dev/null", "w")), run_(std::make_unique<Run>(console_)) {
    Run& setup = *run_;
    setup.state.noOutput = noOutput ? 1 : 0;
    if (console_ == nullptr || setup.input.open(recording.path().c_str()) != 0 ||
        !setup.video.open("/dev/null", true) || !setup.audio.open("/dev/null", true))
        throw std::runtime_error("cannot open the benchmark's files");
    setup.video.setDiscard(noOutput);
    setup.audio.setDiscard(noOutput);
    if (!runStartupPhase(setup)) throw std::runtime_error("the start-up phase failed");
}

StartedRun::~StartedRun() {
    closeFiles(*run_);
    run_.reset();
    std::fclose(console_);
}

}  // namespace kestrel::bench
