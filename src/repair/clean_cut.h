// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "chunk/chunk_layout.h"
#include "diag/console.h"
#include "headers/decoder.h"
#include "repair/audio_clock.h"
#include "repair/byte_output.h"
#include "repair/picture_timeline.h"
#include "repair/video_repair.h"

namespace kestrel {

/// Clean cuts (-c): the stage between the extraction and the output files.
/// The extraction writes to its two inputs as it would to the files and tells
/// it where pictures and audio frames start and where the recording was cut;
/// the video output then holds only pictures a decoder can decode whole, and
/// the audio is held to the video as written.
class CleanCut : private PictureListener {
  public:
    CleanCut(Console& console, const RunState& run, ByteOutput& videoFile, ByteOutput& audioFile);
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
    void join();
    /// The end of the input: finishes both outputs.
    void finish();

    /// Prints the closing account of the cuts.
    void printTotals(Console& console) const;
    /// See AudioClock::firstFrameOffset.
    std::optional<double> firstFrameOffset() const { return clock_.firstFrameOffset(); }

  private:
    /// The video input: every byte goes to the video repair.
    class VideoInput : public ByteOutput {
      public:
        explicit VideoInput(CleanCut& owner) : owner_(owner) {}
        void write(Bytes data) override { owner_.video_.bytes(data); }

      private:
        CleanCut& owner_;
    };
    /// The audio input: bytes of the frame begun last. The zeros that pad a
    /// short frame are not taken: they stand for bytes that were lost.
    class AudioInput : public ByteOutput {
      public:
        explicit AudioInput(CleanCut& owner) : owner_(owner) {}
        void write(Bytes data) override { owner_.audioBytes(data); }
        void writeZeros(std::size_t /*count*/) override {}

      private:
        CleanCut& owner_;
    };

    void pictureWritten(const WrittenPicture& picture) override;
    void cutCompleted(std::int32_t dropped) override;
    void audioBytes(Bytes data);
    void completeFrame();
    void show(const ShownPicture& picture);

    Console quiet_{nullptr};
    Decoder decoder_;  // reads stamps without a word on the console
    StampUnwrapper unwrapper_;
    PictureTimeline timeline_{unwrapper_};
    AudioClock clock_;
    VideoRepair video_;
    VideoInput videoInput_{*this};
    AudioInput audioInput_{*this};

    std::deque<std::int32_t> cutDropped_;  // cuts whose first picture is not shown yet
    std::int32_t lastVideoCount_ = 0;

    std::vector<std::uint8_t> frame_;  // the audio frame being written
    bool frameOpen_ = false;
    std::optional<PtsTicks> framePts_;
};

}  // namespace kestrel
