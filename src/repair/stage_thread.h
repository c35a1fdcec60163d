// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "chunk/chunk_layout.h"
#include "repair/byte_output.h"
#include "repair/repair_calls.h"

namespace kestrel {

/// Runs a stage's work on a thread of its own, beside the reading and
/// demultiplexing instead of after it, while the caller's thread keeps the
/// file work: it reads the recording and writes the video the stage passes
/// back. The calls are recorded, in order, into blocks of bytes that the
/// thread replays, and the stage's video comes back in blocks too: the stage
/// gets exactly the calls it would have got from the caller, and the outputs
/// are the same byte for byte. A few blocks each way bound the memory; a
/// side that finds them all full waits for the other.
///
/// The stage belongs to the thread from start() until finish() or stop()
/// return; the caller must not touch it in between.
class StageThread final : public RepairCalls {
  public:
    /// The stage's video is written to `videoFile` on the caller's thread.
    explicit StageThread(ByteOutput& videoFile);
    ~StageThread() override { stop(); }
    StageThread(const StageThread&) = delete;
    StageThread& operator=(const StageThread&) = delete;

    /// Where the stage writes its video.
    ByteOutput& videoOutput() { return videoOutput_; }
    /// Starts the thread that passes the calls on to `stage`. False if the
    /// system would not start one: the stage's video then goes straight to
    /// the file, and the stage must be called directly.
    bool start(RepairCalls& stage);

    void videoBytes(Bytes data) override { recordBytes(Call::kVideoBytes, data); }
    void videoPts(PtsTicks stamp) override;
    void audioFrameStart(std::optional<PtsTicks> stamp) override;
    void audioBytes(Bytes data) override { recordBytes(Call::kAudioBytes, data); }
    void join() override { record(Call::kJoin, {}); }
    /// Waits until the stage has taken every call and finished, and its
    /// video is written.
    void finish() override { end(true); }
    /// The same, except that the stage is not finished (a run that failed).
    /// Does nothing once the thread has ended.
    void stop() { end(false); }

  private:
    using Block = std::vector<std::uint8_t>;
    enum class Call : std::uint8_t { kVideoBytes, kVideoPts, kAudioFrame, kAudioBytes, kJoin };
    /// A recorded call: what it is and how many bytes of argument follow.
    struct CallHeader {
        Call call;
        std::uint32_t size;
    };
    /// The stage's video output: blocks on their way back to the caller.
    class VideoOutput : public ByteOutput {
      public:
        explicit VideoOutput(StageThread& owner) : owner_(owner) {}
        void write(Bytes data) override { owner_.returnVideo(data); }

      private:
        StageThread& owner_;
    };

    // The caller's side.
    void recordBytes(Call call, Bytes data);
    void record(Call call, Bytes argument);
    std::size_t room() const;
    void handOver();
    void end(bool finish);
    template <typename Ready>
    void writeVideoUntil(std::unique_lock<std::mutex>& lock, Ready ready);

    // The thread's side.
    void work();
    void awaitCalls(std::unique_lock<std::mutex>& lock);
    void replay(Bytes block);
    void returnVideo(Bytes data);
    void sendVideo();

    ByteOutput& videoFile_;
    VideoOutput videoOutput_{*this};
    RepairCalls* stage_ = nullptr;
    bool working_ = false;  // the thread was started (set before it starts)
    Block calls_;           // the caller's: calls are recorded into it
    Block video_;           // the thread's: the stage's video goes into it

    std::mutex mutex_;  // guards the members below it
    std::condition_variable callerWakes_;
    std::condition_variable threadWakes_;
    std::deque<Block> callsFull_;  // to replay, in order
    std::vector<Block> callsEmpty_;
    std::deque<Block> videoFull_;  // to write, in order
    std::vector<Block> videoEmpty_;
    bool ending_ = false;                        // no calls after those in callsFull_
    bool finishing_ = false;                     // ... and the stage is to finish then
    bool done_ = false;                          // the thread has handed back its last video
    std::atomic<std::uint32_t> handedOver_ = 0;  // blocks handed over; watched unlocked
    std::thread worker_;
};

}  // namespace kestrel
