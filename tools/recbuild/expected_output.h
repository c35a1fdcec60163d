// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "recbuild/byte_sink.h"
#include "recbuild/chunk_packer.h"

namespace recbuild {

/// What the demultiplexer does with a chunk the builder wrote.
enum class ChunkFate {
    Extracted,  // a chunk of the recording: read at start-up and extracted
    Resumed,    // extracted, the first after a hole: audio resumes at a packet start
    Skipped,    // a duplicate or out-of-band copy: read at start-up, never extracted
    Bad,        // fails validation: neither read at start-up nor extracted
};

/// Number of good chunks the demultiplexer reads before it extracts anything.
inline constexpr std::size_t kAnalysisChunks = 10;

/// Follows the chunks of a recording as the builder writes them and produces
/// the two outputs the demultiplexer must write for it (the builder knows
/// which chunks are damage, so it needs none of the demultiplexer's checks):
///  - video: the payloads of the video records from the first sequence-header
///    start record on, except the 16-byte packet-header records; the bytes from
///    the start record up to the first packet-header record after it are
///    written when that record arrives, so a recording that ends before it has
///    written none of them;
///  - audio: every audio frame whose records have all been extracted in a row
///    (not one cut by a hole: where the stream resumes, the records that
///    continue a frame are dropped, and so is a frame whose front came before
///    the hole), from the first frame that is not too early on. A frame is too early when its time
///    stamp (modulo 2^32) plus the frame step lies before the first video time
///    stamp, or when it lies more than half a frame step before it. The first
///    video time stamp is the one of the first packet-header record after the
///    first sequence-header start within the first ten good chunks.
/// Extraction stops at an end-of-data record. A recording with fewer than ten
/// good chunks yields nothing.
class ExpectedOutput {
  public:
    /// `audioStep`: ticks between audio frames, a whole number of milliseconds.
    ExpectedOutput(ByteSink& video, ByteSink& audio, std::uint32_t audioStep);

    /// Takes the chunks in the order the demultiplexer decides their fates.
    void onChunk(const Chunk& chunk, ChunkFate fate);

    std::uint32_t firstVideoPts() const { return firstVideoPts_; }
    std::uint32_t firstAudioPts() const { return firstAudioPts_; }
    std::uint64_t videoBytes() const { return videoBytes_; }
    std::uint64_t audioBytes() const { return audioBytes_; }

  private:
    enum class VideoState { Waiting, Collecting, Streaming };
    struct Held {
        Chunk chunk;
        ChunkFate fate;
    };

    void analyse();
    void extract(const Chunk& chunk, ChunkFate fate);
    void extractVideo(const Record& r);
    void extractAudio(const Record& r);
    bool tooEarly(std::uint32_t pts) const;
    void writeVideo(Bytes bytes);

    ByteSink& video_;
    ByteSink& audio_;
    std::uint32_t audioStep_;
    std::vector<Held> analysis_;
    bool analysed_ = false;
    bool ended_ = false;
    VideoState videoState_ = VideoState::Waiting;
    std::vector<std::uint8_t> sequenceHeader_;
    bool audioStarted_ = false;
    bool frameWhole_ = false;  // the current frame's records so far were all extracted
    std::uint32_t firstVideoPts_ = kestrel::kNoPts;
    std::uint32_t firstAudioPts_ = kestrel::kNoPts;
    std::uint64_t videoBytes_ = 0;
    std::uint64_t audioBytes_ = 0;
};

}  // namespace recbuild
