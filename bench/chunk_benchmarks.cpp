// SPDX-License-Identifier: MIT
// Per-chunk costs of the demultiplexer on typical chunks: ParseChunk as a
// whole (outputs to /dev/null, or discarded as under -n) and the timing scan
// alone. The chunks come from a recording of the committed samples built in
// memory; ParseChunk sees them in recording order, as in a real run.

#include <benchmark/benchmark.h>

#include "bench_recording.h"
#include "demux/chunk_timing.h"
#include "demux/parse_chunk.h"
#include "driver/startup_phase.h"

namespace kestrel::bench {

namespace {

// Long enough that starting a run afresh (untimed) is rare.
constexpr std::size_t kRecordingBytes = 32 << 20;

const Recording& recording(std::int64_t audio) {
    static const Recording layer2(Recording::Audio::Layer2, kRecordingBytes);
    static const Recording ac3(Recording::Audio::Ac3, kRecordingBytes);
    return audio == 0 ? layer2 : ac3;
}

void reportPerChunk(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kChunkSize));
}

// Args: audio (0 Layer II, 1 AC-3), outputs written (1) or discarded (0).
void BM_ParseChunk(benchmark::State& state) {
    const Recording& rec = recording(state.range(0));
    const bool noOutput = state.range(1) == 0;
    auto started = std::make_unique<StartedRun>(rec, noOutput);
    std::size_t next = kAnalysisChunkCount;
    for (auto _ : state) {
        if (next == rec.chunks().size()) {
            // The recording is used up: its time stamps cannot start over in
            // the same run.
            state.PauseTiming();
            started.reset();
            started = std::make_unique<StartedRun>(rec, noOutput);
            next = kAnalysisChunkCount;
            state.ResumeTiming();
        }
        ParseChunk(started->run().demuxer, rec.chunks()[next++].view());
    }
    // A figure for chunks that were thrown out instead of demultiplexed
    // would mean nothing.
    const Demuxer& demuxer = started->run().demuxer;
    if (demuxer.videoOut.videoState != VideoExtraction::kStreaming ||
        demuxer.audioOut.audioState != AudioExtraction::kStreaming)
        state.SkipWithError("the recording was not demultiplexed");
    reportPerChunk(state);
}
BENCHMARK(BM_ParseChunk)->ArgNames({"ac3", "write"})->ArgsProduct({{0, 1}, {0, 1}});

// Arg: audio (0 Layer II, 1 AC-3).
void BM_ScanChunkTiming(benchmark::State& state) {
    const Recording& rec = recording(state.range(0));
    StartedRun started(rec, true);
    VideoCountState counts;
    AudioScratch scratch;
    std::size_t next = 0;
    for (auto _ : state) {
        ChunkTiming timing;
        scanChunkTiming(started.run().decoder, counts, scratch, rec.chunks()[next].view(), timing);
        benchmark::DoNotOptimize(timing);
        next = next + 1 == rec.chunks().size() ? 0 : next + 1;
    }
    reportPerChunk(state);
}
BENCHMARK(BM_ScanChunkTiming)->ArgName("ac3")->Arg(0)->Arg(1);

}  // namespace

}  // namespace kestrel::bench
