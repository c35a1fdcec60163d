// Feeds chunks to ParseChunk after a start-up that left typical values: the
// fuzzer's bytes are cut into chunks (the last one zero-filled), each is
// validated like the pump does and handed on. The first byte picks the
// verbosity and the recorder and audio modes, so every path is reachable.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "chunk/check_num_recs.h"
#include "chunk/chunk_buffer.h"
#include "demux/parse_chunk.h"

using namespace kestrel;

namespace {

std::FILE* nullFile() {
    static std::FILE* file = std::fopen("/dev/null", "w");
    return file;
}

RunState startupValues(std::uint8_t mode) {
    RunState run;
    run.audioType = (mode >> 2) & 1;
    run.saMode = run.audioType == kDolbyAudio ? 0 : (mode >> 3) & 1;
    run.audioPesHeaderLength = run.saMode ? 16 : 11;
    run.noOutput = (mode >> 4) & 1;
    run.standardAudioSize = run.audioType == kDolbyAudio ? 1806 : 779;
    run.standardFrameLength = run.audioType == kDolbyAudio ? 1792 : 768;
    run.standardAudioDiff = run.audioType == kDolbyAudio ? 2880 : 2160;
    run.firstVideoPTS = (mode >> 5) & 1 ? kNoPts : 90000;
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t mode = data[0];
    Console console(nullFile(), mode & 3);
    RunState run = startupValues(mode);
    Decoder decoder{console, run};
    OutputFile video;
    OutputFile audio;
    video.adopt(std::fopen("/dev/null", "w"), "video");
    audio.adopt(std::fopen("/dev/null", "w"), "audio");
    std::unique_ptr<Demuxer> demuxer(new Demuxer{decoder, run, video, audio});
    auto chunk = std::make_unique<ChunkBuffer>();
    for (std::size_t at = 1; at < size && run.keepPumping; at += kChunkSize) {
        const std::size_t n = std::min(kChunkSize, size - at);
        std::memcpy(chunk->data(), data + at, n);
        std::memset(chunk->data() + n, 0, kChunkSize - n);
        if (checkNumRecs(console, chunk->view()) != 0) ParseChunk(*demuxer, chunk->view());
    }
    return 0;
}
