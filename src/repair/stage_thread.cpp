// SPDX-License-Identifier: MIT
#include "repair/stage_thread.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

namespace kestrel {

namespace {

// Four blocks each way: one being filled, one being emptied, and two spare
// for the moments when one side is slower. A block of two chunks' size makes
// few handovers and, written whole, is one write to the file.
constexpr std::size_t kBlocks = 4;
constexpr std::size_t kBlockBytes = std::size_t{256} << 10;

// Longer than the caller takes to fill a block from a recording in the page
// cache, short enough not to matter when it reads from a slow disk.
constexpr std::chrono::microseconds kWatchTime{300};

}  // namespace

StageThread::StageThread(ByteOutput& videoFile) : videoFile_(videoFile) {
    calls_.reserve(kBlockBytes);
    video_.reserve(kBlockBytes);
    for (std::size_t i = 1; i < kBlocks; ++i) {
        callsEmpty_.emplace_back().reserve(kBlockBytes);
        videoEmpty_.emplace_back().reserve(kBlockBytes);
    }
}

bool StageThread::start(RepairCalls& stage) {
    stage_ = &stage;
    working_ = true;
    try {
        worker_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        working_ = false;  // out of threads or memory for one
    }
    return working_;
}

void StageThread::videoPts(PtsTicks stamp) {
    record(Call::kVideoPts, Bytes(reinterpret_cast<const std::uint8_t*>(&stamp), sizeof stamp));
}

void StageThread::audioFrameStart(std::optional<PtsTicks> stamp) {
    // A frame without a stamp is recorded without an argument.
    const PtsTicks value = stamp.value_or(0);
    record(Call::kAudioFrame,
           Bytes(reinterpret_cast<const std::uint8_t*>(&value), stamp ? sizeof value : 0));
}

// Byte runs may be split: the stage takes its bytes cut anywhere.
void StageThread::recordBytes(Call call, Bytes data) {
    while (!data.empty()) {
        if (room() == 0) handOver();
        const std::size_t n = std::min(data.size(), room());
        record(call, data.first(n));
        data = data.subspan(n);
    }
}

void StageThread::record(Call call, Bytes argument) {
    if (calls_.size() + sizeof(CallHeader) + argument.size() > kBlockBytes) handOver();
    const CallHeader header{call, static_cast<std::uint32_t>(argument.size())};
    const auto* headerBytes = reinterpret_cast<const std::uint8_t*>(&header);
    calls_.insert(calls_.end(), headerBytes, headerBytes + sizeof header);
    calls_.insert(calls_.end(), argument.begin(), argument.end());
}

// The argument bytes that fit in the block after one more call header.
std::size_t StageThread::room() const {
    return kBlockBytes - std::min(kBlockBytes, calls_.size() + sizeof(CallHeader));
}

void StageThread::handOver() {
    std::unique_lock lock(mutex_);
    callsFull_.push_back(std::move(calls_));
    handedOver_.fetch_add(1, std::memory_order_relaxed);
    threadWakes_.notify_one();
    writeVideoUntil(lock, [this] { return !callsEmpty_.empty(); });
    calls_ = std::move(callsEmpty_.back());
    callsEmpty_.pop_back();
}

void StageThread::end(bool finish) {
    if (!worker_.joinable()) return;
    std::unique_lock lock(mutex_);
    if (!calls_.empty()) callsFull_.push_back(std::move(calls_));
    ending_ = true;
    finishing_ = finish;
    handedOver_.fetch_add(1, std::memory_order_relaxed);
    threadWakes_.notify_one();
    writeVideoUntil(lock, [this] { return done_; });
    lock.unlock();
    worker_.join();
}

// Waits until `ready`, writing the video the thread hands back meanwhile: a
// thread waiting for room for its video must never wait for the caller's
// waiting for room for its calls.
template <typename Ready>
void StageThread::writeVideoUntil(std::unique_lock<std::mutex>& lock, Ready ready) {
    for (;;) {
        while (!videoFull_.empty()) {
            Block block = std::move(videoFull_.front());
            videoFull_.pop_front();
            lock.unlock();
            videoFile_.writeBlock(block);
            block.clear();
            lock.lock();
            videoEmpty_.push_back(std::move(block));
            threadWakes_.notify_one();
        }
        if (ready()) return;
        callerWakes_.wait(lock);
    }
}

void StageThread::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        awaitCalls(lock);
        if (callsFull_.empty()) break;
        Block block = std::move(callsFull_.front());
        callsFull_.pop_front();
        lock.unlock();
        replay(block);
        block.clear();
        lock.lock();
        callsEmpty_.push_back(std::move(block));
        callerWakes_.notify_one();
    }
    const bool finishStage = finishing_;
    lock.unlock();
    if (finishStage) stage_->finish();
    lock.lock();
    if (!video_.empty()) videoFull_.push_back(std::move(video_));
    done_ = true;
    callerWakes_.notify_one();
}

// Waits for a block of calls, or the end. A thread that sleeps costs the
// caller a wake-up at every block handed over, and the system tends to wake
// it on the caller's processor, where the two then take turns: the thread
// watches for the next block for a while before it goes to sleep.
void StageThread::awaitCalls(std::unique_lock<std::mutex>& lock) {
    const auto ready = [this] { return !callsFull_.empty() || ending_; };
    if (!ready()) {
        const std::uint32_t seen = handedOver_.load(std::memory_order_relaxed);
        lock.unlock();
        const auto until = std::chrono::steady_clock::now() + kWatchTime;
        while (handedOver_.load(std::memory_order_relaxed) == seen &&
               std::chrono::steady_clock::now() < until) {
        }
        lock.lock();
    }
    threadWakes_.wait(lock, ready);
}

void StageThread::replay(Bytes block) {
    while (!block.empty()) {
        CallHeader header;
        std::memcpy(&header, block.data(), sizeof header);
        const Bytes argument = block.subspan(sizeof header, header.size);
        block = block.subspan(sizeof header + header.size);
        switch (header.call) {
            case Call::kVideoBytes:
                stage_->videoBytes(argument);
                break;
            case Call::kVideoPts: {
                PtsTicks stamp = 0;
                std::memcpy(&stamp, argument.data(), sizeof stamp);
                stage_->videoPts(stamp);
                break;
            }
            case Call::kAudioFrame: {
                std::optional<PtsTicks> stamp;
                if (!argument.empty())
                    std::memcpy(&stamp.emplace(), argument.data(), sizeof *stamp);
                stage_->audioFrameStart(stamp);
                break;
            }
            case Call::kAudioBytes:
                stage_->audioBytes(argument);
                break;
            case Call::kJoin:
                stage_->join();
                break;
        }
    }
}

void StageThread::returnVideo(Bytes data) {
    if (!working_) return videoFile_.write(data);
    while (!data.empty()) {
        if (video_.size() == kBlockBytes) sendVideo();
        const std::size_t n = std::min(data.size(), kBlockBytes - video_.size());
        video_.insert(video_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        data = data.subspan(n);
    }
}

void StageThread::sendVideo() {
    std::unique_lock lock(mutex_);
    videoFull_.push_back(std::move(video_));
    callerWakes_.notify_one();
    threadWakes_.wait(lock, [this] { return !videoEmpty_.empty(); });
    video_ = std::move(videoEmpty_.back());
    videoEmpty_.pop_back();
}

}  // namespace kestrel
