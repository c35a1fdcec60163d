// SPDX-License-Identifier: MIT
#include "recbuild/recording_writer.h"

#include <stdexcept>
#include <string>

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

/// Chunk `index` of the same recording, laid out afresh.
Chunk laterChunk(const VideoStream& video, const AudioStream& audio, const RecordingPlan& plan,
                 std::uint64_t index) {
    RecordSource source(video, audio, plan.layout);
    ChunkPacker packer(source, plan.layout.family);
    for (std::uint64_t i = 0;; ++i) {
        std::optional<Chunk> chunk = packer.next();
        if (!chunk) {
            throw std::runtime_error("the out-of-band chunk " + std::to_string(index) +
                                     " lies beyond the recording");
        }
        if (i == index) return std::move(*chunk);
    }
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
        if (expected_ != nullptr) expected_->onChunk(chunk, fate);
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
    std::optional<Chunk> outOfBand;
    if (damage.outOfBandAfter)
        outOfBand =
            laterChunk(video, audio, plan, *damage.outOfBandAfter + damage.outOfBandDistance);

    Writer w(out, expected);
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
        const ChunkImage image = chunkImage(*chunk);
        if (is(damage.cutIn, index)) {
            w.cut(image);
            ++index;
            break;
        }
        w.emit(image, *chunk, ChunkFate::Extracted);
        if (is(damage.duplicateChunk, index)) w.emit(image, *chunk, ChunkFate::Skipped);
        if (is(damage.outOfBandAfter, index))
            w.emit(chunkImage(*outOfBand), *outOfBand, ChunkFate::Skipped);
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
    w.summary.chunks = index;
    return w.summary;
}

}  // namespace recbuild
