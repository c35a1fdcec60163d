// SPDX-License-Identifier: MIT
#include "recbuild/expected_output.h"

namespace recbuild {
namespace {

bool isPacketHeaderRecord(const Record& r) {
    return r.subtype == kestrel::kVideoPesSubtype && r.size() == kestrel::kPesRecordSize;
}

}  // namespace

ExpectedOutput::ExpectedOutput(ByteSink& video, ByteSink& audio, std::uint32_t audioStep)
    : video_(video), audio_(audio), audioStep_(audioStep) {}

void ExpectedOutput::onChunk(const Chunk& chunk, ChunkFate fate) {
    if (fate == ChunkFate::Bad) return;
    if (analysed_) {
        extract(chunk, fate);
        return;
    }
    analysis_.push_back({chunk, fate});
    if (analysis_.size() == kAnalysisChunks) analyse();
}

void ExpectedOutput::analyse() {
    bool sequenceSeen = false;
    for (const Held& held : analysis_) {
        for (const Record& r : held.chunk.records) {
            if (r.type != kestrel::kVideoType || firstVideoPts_ != kestrel::kNoPts) continue;
            if (r.subtype == kestrel::kSeqStartSubtype) sequenceSeen = true;
            if (sequenceSeen && isPacketHeaderRecord(r))
                firstVideoPts_ = static_cast<std::uint32_t>(r.pts);
        }
    }
    analysed_ = true;
    for (const Held& held : analysis_)
        extract(held.chunk, held.fate);
    analysis_.clear();
}

void ExpectedOutput::extract(const Chunk& chunk, ChunkFate fate) {
    if (fate != ChunkFate::Extracted && fate != ChunkFate::Resumed) return;
    if (fate == ChunkFate::Resumed) frameWhole_ = false;
    for (const Record& r : chunk.records) {
        if (ended_ || r.isEndOfData()) {
            ended_ = true;
            return;
        }
        if (r.type == kestrel::kVideoType) extractVideo(r);
        if (r.type == kestrel::kAudioType) extractAudio(r);
    }
}

void ExpectedOutput::writeVideo(Bytes bytes) {
    video_.write(bytes);
    videoBytes_ += bytes.size();
}

void ExpectedOutput::extractVideo(const Record& r) {
    const std::vector<std::uint8_t> payload = r.payload();
    switch (videoState_) {
        case VideoState::Waiting:
            if (r.subtype != kestrel::kSeqStartSubtype) return;
            sequenceHeader_ = payload;
            videoState_ = VideoState::Collecting;
            return;
        case VideoState::Collecting:
            if (!isPacketHeaderRecord(r)) {
                sequenceHeader_.insert(sequenceHeader_.end(), payload.begin(), payload.end());
                return;
            }
            writeVideo(sequenceHeader_);
            sequenceHeader_.clear();
            videoState_ = VideoState::Streaming;
            return;
        case VideoState::Streaming:
            if (!isPacketHeaderRecord(r)) writeVideo(payload);
    }
}

bool ExpectedOutput::tooEarly(std::uint32_t pts) const {
    const std::uint32_t first = firstVideoPts_;
    return static_cast<std::uint32_t>(pts + audioStep_) < first ||
           (pts < first && first - pts > audioStep_ / 2);
}

void ExpectedOutput::extractAudio(const Record& r) {
    if (!r.continuesFrame) frameWhole_ = true;
    if (r.completedFrame.empty()) return;
    const bool whole = frameWhole_;
    frameWhole_ = false;
    if (!whole) return;
    const auto pts = static_cast<std::uint32_t>(r.pts);
    if (!audioStarted_) {
        if (tooEarly(pts)) return;
        audioStarted_ = true;
        firstAudioPts_ = pts;
    }
    audio_.write(r.completedFrame);
    audioBytes_ += r.completedFrame.size();
}

}  // namespace recbuild
