// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "headers/decoder.h"
#include "repair/byte_output.h"
#include "repair/repair_calls.h"
#include "repair/repair_stage.h"
#include "repair/stage_thread.h"

namespace kestrel {

/// Clean cuts (-c): the stage between the extraction and the output files.
/// The extraction writes to its two inputs as it would to the files and tells
/// it where pictures and audio frames start and where the recording was cut;
/// the video output then holds only pictures a decoder can decode whole, and
/// the audio is held to the video as written.
///
/// The work runs on a thread of its own, beside the extraction, except at -v
/// and -V (there it reports each cut as it completes, and runs on the
/// caller's thread so that those lines fall where they belong among the rest)
/// and on a machine with a single processor.
/// The stage then writes the audio file from its thread, and the caller's
/// thread writes the video file.
class CleanCut {
  public:
    CleanCut(Console& console, const RunState& run, ByteOutput& videoFile, ByteOutput& audioFile);
    ~CleanCut() { stop(); }
    CleanCut(const CleanCut&) = delete;
    CleanCut& operator=(const CleanCut&) = delete;

    /// Where the extraction writes the video elementary stream.
    ByteOutput& videoInput() { return videoInput_; }
    /// Where it writes the audio frames (and the padding of short ones).
    ByteOutput& audioInput() { return audioInput_; }

    /// A video packet header record: its stamp is the next picture's.
    void videoPacketHeader(Bytes record);
    /// An audio frame starts with the next bytes written; `packetHeader` is
    /// its packet's header, whose stamp is the frame's.
    void audioFrameStart(Bytes packetHeader);
    /// The video byte counters of a chunk written: a gap from the last chunk
    /// written means the video was cut there.
    void videoCounters(std::int32_t start, std::int32_t end);
    /// What comes next does not follow what was written before.
    void join() { calls_.join(); }
    /// The end of the input: finishes both outputs.
    void finish() { calls_.finish(); }
    /// Everything given so far has reached the stage, which is left
    /// unfinished (a run that failed): the files may be closed.
    void stop();

    /// After finish(): prints the closing account of the cuts.
    void printTotals(Console& console) const { stage_.printTotals(console); }
    /// After finish(): see AudioClock::firstFrameOffset.
    std::optional<double> firstFrameOffset() const { return stage_.firstFrameOffset(); }

  private:
    /// The video input: every byte goes to the video repair.
    class VideoInput : public ByteOutput {
      public:
        explicit VideoInput(RepairCalls& calls) : calls_(calls) {}
        void write(Bytes data) override { calls_.videoBytes(data); }

      private:
        RepairCalls& calls_;
    };
    /// The audio input: bytes of the frame begun last. The zeros that pad a
    /// short frame are not taken: they stand for bytes that were lost.
    class AudioInput : public ByteOutput {
      public:
        explicit AudioInput(RepairCalls& calls) : calls_(calls) {}
        void write(Bytes data) override { calls_.audioBytes(data); }
        void writeZeros(std::size_t /*count*/) override {}

      private:
        RepairCalls& calls_;
    };

    Console quiet_{nullptr};
    Decoder decoder_;  // reads stamps without a word on the console
    std::unique_ptr<StageThread> thread_;
    RepairStage stage_;
    RepairCalls& calls_;  // stage_, or thread_ on its way to it
    VideoInput videoInput_{calls_};
    AudioInput audioInput_{calls_};
    std::int32_t lastVideoCount_ = 0;
};

}  // namespace kestrel
