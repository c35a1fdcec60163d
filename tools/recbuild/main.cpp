// SPDX-License-Identifier: MIT
// kestrel-recbuild: builds TiVo-style chunk-stream recordings from elementary
// streams, with optional damage, and the outputs kestrel should make of them.

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "recbuild/byte_sink.h"
#include "recbuild/options.h"

namespace recbuild {
namespace {

std::unique_ptr<ByteSink> sinkFor(const std::string& path) {
    if (path.empty()) return std::make_unique<NullSink>();
    return std::make_unique<FileSink>(path);
}

void close(ByteSink& sink) {
    if (auto* file = dynamic_cast<FileSink*>(&sink)) file->close();
}

/// The time-stamp step between audio frames, which must be a whole number of
/// milliseconds for the expected audio to follow the demultiplexer's choice.
std::uint32_t audioStep(const AudioStream& audio) {
    const std::uint64_t step = audio.ticksFor(1);
    if (audio.ticksFor(audio.sampleRate) != step * audio.sampleRate || step % 90 != 0)
        throw std::runtime_error("audio: frames must last whole milliseconds (48 or 32 kHz)");
    return static_cast<std::uint32_t>(step);
}

int run(const Options& o) {
    const VideoStream video = parseVideoStream(readFile(o.videoPath));
    const AudioStream audio = parseAudioStream(readFile(o.audioPath));
    FileSink out(o.outPath);
    const std::unique_ptr<ByteSink> expectedVideo = sinkFor(o.expectedVideoPath);
    const std::unique_ptr<ByteSink> expectedAudio = sinkFor(o.expectedAudioPath);
    ExpectedOutput expected(*expectedVideo, *expectedAudio, audioStep(audio));
    const RecordingSummary s = writeRecording(video, audio, o.plan, out, &expected);
    out.close();
    close(*expectedVideo);
    close(*expectedAudio);

    std::FILE* report = o.outPath == "-" ? stderr : stdout;
    std::fprintf(report, "%s: %llu chunks (%llu written, %llu bytes)\n", o.outPath.c_str(),
                 static_cast<unsigned long long>(s.chunks),
                 static_cast<unsigned long long>(s.chunksWritten),
                 static_cast<unsigned long long>(s.bytes));
    std::fprintf(report,
                 "expected: first video PTS %u, first audio PTS %u, video %llu bytes, audio %llu "
                 "bytes\n",
                 expected.firstVideoPts(), expected.firstAudioPts(),
                 static_cast<unsigned long long>(expected.videoBytes()),
                 static_cast<unsigned long long>(expected.audioBytes()));
    return 0;
}

}  // namespace
}  // namespace recbuild

int main(int argc, char** argv) {
    const std::vector<std::string_view> words(argv + 1, argv + argc);
    try {
        const recbuild::Options options = recbuild::parseOptions(words);
        if (options.help) {
            std::fputs(recbuild::usageText().data(), stdout);
            return 0;
        }
        return recbuild::run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrel-recbuild: %s\n", e.what());
        return 2;
    }
}
