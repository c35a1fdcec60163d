// SPDX-License-Identifier: MIT
// The clean-cut video repairer against what it sits in front of: writing the
// video stream. Both take the committed sample video in the pieces a
// recording's records give (a few KiB); the repairer's output is discarded,
// so its figure is its own work, which must stay a small part of the write's.

#include <benchmark/benchmark.h>

#include <string>

#include "demux/output_file.h"
#include "recbuild/byte_sink.h"
#include "repair/video_repair.h"

namespace kestrel::bench {

namespace {

constexpr std::size_t kPieceBytes = 4000;

const std::vector<std::uint8_t>& sampleVideo() {
    static const std::vector<std::uint8_t> video =
        recbuild::readFile(std::string(KESTREL_TESTDATA_DIR "/sample.m2v"));
    return video;
}

void reportBytes(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(sampleVideo().size()));
}

/// Feeds the whole sample to `sink` in record-sized pieces.
template <typename Sink>
void feedPieces(Sink&& sink) {
    const Bytes video(sampleVideo());
    for (std::size_t at = 0; at < video.size(); at += kPieceBytes)
        sink(video.subspan(at, std::min(kPieceBytes, video.size() - at)));
}

struct Discard : ByteOutput, PictureListener {
    void write(Bytes bytes) override { benchmark::DoNotOptimize(bytes.data()); }
    void pictureWritten(const WrittenPicture& picture) override {
        benchmark::DoNotOptimize(&picture);
    }
    void cutCompleted(std::int32_t /*dropped*/) override {}
};

void BM_VideoRepair(benchmark::State& state) {
    Discard discard;
    for (auto _ : state) {
        VideoRepair repair(discard, discard);
        feedPieces([&](Bytes piece) { repair.bytes(piece); });
        repair.finish();
    }
    reportBytes(state);
}
BENCHMARK(BM_VideoRepair);

// Writes to a file in the working directory: the disk's page cache is what
// a run writes into.
void BM_VideoWrite(benchmark::State& state) {
    const std::string path = "repair-benchmark.m2v";
    for (auto _ : state) {
        OutputFile out;
        if (!out.open(path, true)) state.SkipWithError("cannot open the output");
        feedPieces([&](Bytes piece) { out.write(piece); });
        out.close();
    }
    std::remove(path.c_str());
    reportBytes(state);
}
BENCHMARK(BM_VideoWrite);

}  // namespace

}  // namespace kestrel::bench
