// SPDX-License-Identifier: MIT
#include "recbuild/recording_writer.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "recbuild/chunk_image.h"
#include "recbuild/continuity_model.h"

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
    ChunkPacker packer(source, plan.layout);
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
    /// Chunk `index` of the recording, or an out-of-band copy of it: the
    /// continuity check decides its fate.
    void emitJudged(Bytes image, const Chunk& chunk, std::uint64_t index,
                    ContinuityModel& continuity) {
        write(image);
        ++goodChunks_;
        continuity.onChunk(chunk, index);
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

    /// Passes a chunk's fate on to the expected outputs.
    void tell(const Chunk& chunk, ChunkFate fate) {
        if (expected_ != nullptr) expected_->onChunk(chunk, fate);
    }

    RecordingSummary summary;

  private:
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
    ContinuityModel continuity(static_cast<std::uint32_t>(audio.ticksFor(1)),
                               audio.kind == AudioKind::Ac3, damage.neverResync,
                               [&w](const Chunk& c, ChunkFate fate) { w.tell(c, fate); });
    if (plan.layout.family == Family::Standalone) w.emitJumped(chunkImage(leadingChunk()));
    RecordSource source(video, audio, plan.layout);
    ChunkPacker packer(source, plan.layout);
    std::uint64_t index = 0;
    while (std::optional<Chunk> chunk = packer.next()) {
        if (is(damage.endOfDataIn, index)) {
            // All ten chunks read at start-up are extracted, so among the first
            // nine an end-of-data record would stop only the reads after them.
            w.requireGoodChunks(kAnalysisChunks - 1, "an end-of-data record");
            insertEndOfData(*chunk);
        }
        if (damage.lostChunks.contains(index)) {
            w.requireGoodChunks(1, "a lost chunk");
            ++index;
            continue;
        }
        const ChunkImage image = chunkImage(*chunk);
        if (is(damage.cutIn, index)) {
            w.cut(image);
            ++index;
            break;
        }
        w.emitJudged(image, *chunk, index, continuity);
        // Dropped as a repeat before the continuity check sees it.
        if (is(damage.duplicateChunk, index)) w.emit(image, *chunk, ChunkFate::Skipped);
        if (is(damage.outOfBandAfter, index)) {
            std::uint64_t copied = index + damage.outOfBandDistance;
            for (const Chunk& c : outOfBand)
                w.emitJudged(chunkImage(c), c, copied++, continuity);
        }
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
    if (!damage.lostChunks.empty()) checkReached(*damage.lostChunks.rbegin(), index, "lost");
    continuity.finish();
    w.summary.chunks = index;
    return w.summary;
}

}  // namespace recbuild
