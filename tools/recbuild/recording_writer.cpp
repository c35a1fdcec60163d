// SPDX-License-Identifier: MIT
#include "recbuild/recording_writer.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "recbuild/chunk_image.h"

namespace recbuild {
namespace {

constexpr std::uint8_t kLeadingChunkRecordType = 0x20;
constexpr char kLeadingChunkText[] = "kestrel-recbuild: leading chunk of a Standalone recording";

Chunk leadingChunk() {
    Record r;
    r.type = kLeadingChunkRecordType;
    r.head.assign(std::begin(kLeadingChunkText), std::end(kLeadingChunkText));
    Chunk chunk;
    chunk.records.push_back(std::move(r));
    return chunk;
}

/// Chunks `first` to `first + count - 1` of the same recording, laid out afresh.
std::vector<Chunk> laterChunks(const VideoStream& video, const AudioStream& audio,
                               const RecordingPlan& plan, std::uint64_t first,
                               std::uint64_t count) {
    RecordSource source(video, audio, plan.layout);
    ChunkPacker packer(source, plan.layout.family);
    std::vector<Chunk> chunks;
    for (std::uint64_t i = 0; i < first + count; ++i) {
        std::optional<Chunk> chunk = packer.next();
        if (!chunk) {
            throw std::runtime_error("the out-of-band chunk " + std::to_string(i) +
                                     " lies beyond the recording");
        }
        if (i >= first) chunks.push_back(std::move(*chunk));
    }
    return chunks;
}

bool is(const std::optional<std::uint64_t>& planned, std::uint64_t index) {
    return planned && *planned == index;
}

/// What kestrel makes of the chunks after a lost one. Dolby Digital time
/// stamps may lag, so kestrel lets Dolby Digital across the hole of a chunk
/// (its end stamps stay on the packet grid). With Layer II every later chunk
/// is out of sequence with the last one written; kestrel skips them, holds the
/// first two, and takes them all up again once a third follows them. With -R
/// it never does.
class AfterLostChunk {
  public:
    explicit AfterLostChunk(bool bridged, bool neverResync)
        : bridged_(bridged), neverResync_(neverResync) {}

    void lose() { lost_ = !bridged_; }
    /// The chunks whose fate the next chunk decides, with their fates.
    template <typename Emit>
    void onChunk(const Chunk& chunk, Emit emit) {
        if (!lost_) return emit(chunk, ChunkFate::Extracted);
        if (neverResync_) return emit(chunk, ChunkFate::Skipped);
        held_.push_back(chunk);
        if (held_.size() < kResyncRun) return;
        for (const Chunk& c : held_)
            emit(c, ChunkFate::Extracted);
        held_.clear();
        lost_ = false;
    }
    /// At the end of the recording: chunks still held are never written.
    template <typename Emit>
    void finish(Emit emit) {
        for (const Chunk& c : held_)
            emit(c, ChunkFate::Skipped);
        held_.clear();
    }

  private:
    static constexpr std::size_t kResyncRun = 3;
    bool bridged_;
    bool neverResync_;
    bool lost_ = false;
    std::vector<Chunk> held_;
};

class Writer {
  public:
    Writer(ByteSink& out, ExpectedOutput* expected) : out_(out), expected_(expected) {}

    /// A chunk that the demultiplexer is meant to jump over.
    void emitJumped(Bytes image) { write(image); }
    void emit(Bytes image, const Chunk& chunk, ChunkFate fate) {
        write(image);
        if (fate != ChunkFate::Bad) ++goodChunks_;
        tell(chunk, fate);
    }
    /// A chunk of the recording itself: its fate may depend on a lost chunk.
    void emitRunning(Bytes image, const Chunk& chunk, AfterLostChunk& hole) {
        write(image);
        ++goodChunks_;
        hole.onChunk(chunk, [this](const Chunk& c, ChunkFate fate) { tell(c, fate); });
    }
    void finish(AfterLostChunk& hole) {
        hole.finish([this](const Chunk& c, ChunkFate fate) { tell(c, fate); });
    }
    /// The first half of a chunk, ending the file.
    void cut(Bytes image) {
        // A short chunk among the start-up reads would be taken for a whole one.
        requireGoodChunks(kAnalysisChunks, "a cut");
        write(image.first(image.size() / 2));
    }
    /// Refuses damage placed before `before` good chunks have been written.
    void requireGoodChunks(std::uint64_t before, const char* what) const {
        if (goodChunks_ < before)
            throw std::runtime_error(std::string(what) + " must come after the first " +
                                     std::to_string(before) + " good chunks");
    }

    RecordingSummary summary;

  private:
    void tell(const Chunk& chunk, ChunkFate fate) {
        if (expected_ != nullptr) expected_->onChunk(chunk, fate);
    }
    void write(Bytes bytes) {
        out_.write(bytes);
        ++summary.chunksWritten;
        summary.bytes += bytes.size();
    }

    ByteSink& out_;
    ExpectedOutput* expected_;
    std::uint64_t goodChunks_ = 0;
};

void checkReached(const std::optional<std::uint64_t>& planned, std::uint64_t chunks,
                  const char* what) {
    if (planned && *planned >= chunks) {
        throw std::runtime_error(std::string(what) + " chunk " + std::to_string(*planned) +
                                 " lies beyond the recording's " + std::to_string(chunks) +
                                 " chunks");
    }
}

}  // namespace

RecordingSummary writeRecording(const VideoStream& video, const AudioStream& audio,
                                const RecordingPlan& plan, ByteSink& out,
                                ExpectedOutput* expected) {
    const DamagePlan& damage = plan.damage;
    std::vector<Chunk> outOfBand;
    if (damage.outOfBandAfter)
        outOfBand =
            laterChunks(video, audio, plan, *damage.outOfBandAfter + damage.outOfBandDistance,
                        damage.outOfBandCount);

    Writer w(out, expected);
    AfterLostChunk hole(audio.kind == AudioKind::Ac3, damage.neverResync);
    if (plan.layout.family == Family::Standalone) w.emitJumped(chunkImage(leadingChunk()));
    RecordSource source(video, audio, plan.layout);
    ChunkPacker packer(source, plan.layout.family);
    std::uint64_t index = 0;
    while (std::optional<Chunk> chunk = packer.next()) {
        if (is(damage.endOfDataIn, index)) {
            // All ten chunks read at start-up are extracted, so among the first
            // nine an end-of-data record would stop only the reads after them.
            w.requireGoodChunks(kAnalysisChunks - 1, "an end-of-data record");
            insertEndOfData(*chunk);
        }
        if (is(damage.lostChunk, index)) {
            w.requireGoodChunks(1, "a lost chunk");
            hole.lose();
            ++index;
            continue;
        }
        const ChunkImage image = chunkImage(*chunk);
        if (is(damage.cutIn, index)) {
            w.cut(image);
            ++index;
            break;
        }
        w.emitRunning(image, *chunk, hole);
        if (is(damage.duplicateChunk, index)) w.emit(image, *chunk, ChunkFate::Skipped);
        if (is(damage.outOfBandAfter, index))
            for (const Chunk& c : outOfBand)
                w.emit(chunkImage(c), c, ChunkFate::Skipped);
        if (is(damage.badChunkAfter, index))
            w.emit(overflowingImage(*chunk), *chunk, ChunkFate::Bad);
        ++index;
        if (plan.minSize != 0 && w.summary.bytes >= plan.minSize) break;
    }
    checkReached(damage.duplicateChunk, index, "duplicate");
    checkReached(damage.outOfBandAfter, index, "out-of-band");
    checkReached(damage.badChunkAfter, index, "bad");
    checkReached(damage.endOfDataIn, index, "end-of-data");
    checkReached(damage.cutIn, index, "cut");
    checkReached(damage.lostChunk, index, "lost");
    w.finish(hole);
    w.summary.chunks = index;
    return w.summary;
}

}  // namespace recbuild
