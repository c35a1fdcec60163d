// SPDX-License-Identifier: MIT
#include "recbuild/continuity_model.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace recbuild {
namespace {

// The demultiplexer's limits: a chunk in sequence starts its video within
// 0.3 s and its audio within three frames of where the last one ended; a
// Dolby Digital end stamp may run 260 frames ahead.
constexpr std::uint32_t kMaxVideoJump = 27000;
constexpr std::uint32_t kMaxAudioStartSteps = 3;
constexpr std::uint32_t kMaxDolbyEndSteps = 260;
// Chunks in sequence with one another that take the stream up again.
constexpr std::size_t kResyncRun = 3;

std::uint32_t distance(std::uint32_t a, std::uint32_t b) {
    return a >= b ? a - b : b - a;
}

/// The demultiplexer compares audio stamps in whole milliseconds.
std::uint32_t wholeMs(std::uint32_t pts) {
    return pts / 90 * 90;
}

std::runtime_error unseenHole(std::uint64_t index) {
    return std::runtime_error("the hole before chunk " + std::to_string(index) +
                              " is one kestrel takes without a break in the audio; the outputs it "
                              "makes of such a recording are not modelled");
}

}  // namespace

ContinuityModel::ContinuityModel(std::uint32_t audioStep, bool dolby, bool neverResync,
                                 FateSink sink)
    : audioStep_(audioStep), dolby_(dolby), neverResync_(neverResync), tell_(std::move(sink)) {}

ContinuityModel::Sequence ContinuityModel::judge(const Trail& trail, std::uint64_t index,
                                                 const ChunkStamps& stamps) const {
    const bool stamped = stamps.video || stamps.audio;
    if (!trail.index) return stamped ? Sequence::Next : Sequence::Out;
    if (index == *trail.index + 1) return Sequence::Next;
    if (!stamped) return Sequence::Out;  // judged by byte counters alone
    const bool videoJumped =
        stamps.video && trail.video && distance(stamps.video->first, *trail.video) > kMaxVideoJump;
    if (!stamps.audio || !trail.audio) return videoJumped ? Sequence::Out : Sequence::InStep;
    return audioSequence(trail, *stamps.audio, videoJumped);
}

ContinuityModel::Sequence ContinuityModel::audioSequence(const Trail& trail,
                                                         const StampRange& audio,
                                                         bool videoJumped) const {
    const std::uint32_t from = wholeMs(*trail.audio);
    const std::uint32_t startDiff = distance(wholeMs(audio.first), from);
    const std::uint32_t endDiff = distance(wholeMs(audio.last), from);
    // Audio in step vouches for a video jump.
    if (startDiff <= kMaxAudioStartSteps * audioStep_) return Sequence::InStep;
    if (!dolby_ || videoJumped) return Sequence::Out;
    if (endDiff % audioStep_ == 0 && endDiff <= kMaxDolbyEndSteps * audioStep_)
        return Sequence::AcrossGap;
    // Taken for a lagging first stamp, not for a hole.
    return startDiff != endDiff ? Sequence::InStep : Sequence::Out;
}

void ContinuityModel::follow(Trail& trail, std::uint64_t index, const ChunkStamps& stamps) {
    trail.index = index;
    if (stamps.video) trail.video = stamps.video->last;
    if (stamps.audio) trail.audio = stamps.audio->last;
}

void ContinuityModel::onChunk(const Chunk& chunk, std::uint64_t index) {
    const ChunkStamps stamps = stampsOf(chunk);
    const Sequence sequence = judge(stream_, index, stamps);
    if (sequence == Sequence::InStep) throw unseenHole(index);
    if (sequence != Sequence::Out) {
        dropHeld();  // they were out of band after all
        follow(stream_, index, stamps);
        tell_(chunk, sequence == Sequence::AcrossGap ? ChunkFate::Resumed : ChunkFate::Extracted);
        return;
    }
    if (neverResync_) return tell_(chunk, ChunkFate::Skipped);
    if (!held_.empty()) {
        const Sequence inRun = judge(run_, index, stamps);
        if (inRun == Sequence::InStep) throw unseenHole(index);
        if (inRun != Sequence::Out) return hold(chunk, index, stamps, inRun == Sequence::AcrossGap);
    }
    // A new run, judged as the first chunk of a stream is.
    dropHeld();
    run_ = Trail{};
    if (judge(run_, index, stamps) == Sequence::Out) return tell_(chunk, ChunkFate::Skipped);
    hold(chunk, index, stamps, true);
}

void ContinuityModel::hold(const Chunk& chunk, std::uint64_t index, const ChunkStamps& stamps,
                           bool acrossGap) {
    follow(run_, index, stamps);
    held_.emplace_back(chunk, acrossGap ? ChunkFate::Resumed : ChunkFate::Extracted);
    if (held_.size() < kResyncRun) return;
    // The run takes the stream up again, across the hole before it and any
    // inside it.
    for (const auto& [c, fate] : held_)
        tell_(c, fate);
    held_.clear();
    stream_ = run_;
}

void ContinuityModel::dropHeld() {
    for (const auto& held : held_)
        tell_(held.first, ChunkFate::Skipped);
    held_.clear();
}

void ContinuityModel::finish() {
    dropHeld();
}

}  // namespace recbuild
