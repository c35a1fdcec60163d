// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "recbuild/chunk_stamps.h"
#include "recbuild/expected_output.h"

namespace recbuild {

/// How the demultiplexer's continuity check places the chunks of a recording
/// with holes and out-of-band copies in it, and so which of them it extracts.
/// A chunk continues the last one accepted when it is that chunk's successor
/// in the recording (the byte counters line up; they never do across a hole).
/// Otherwise it continues it only by its time stamps: when its audio starts
/// within three frame steps of where the last accepted audio ended, or, for
/// Dolby Digital, when its video did not jump more than 0.3 s and its last
/// audio stamp lies on the frame grid within 260 steps. A chunk that does not
/// continue the stream is skipped; the first two of a run of skipped chunks
/// that continue one another are held, and a third takes the stream up again
/// with all three (never with -R). Audio resumes at a packet start wherever
/// the stream is taken up across a hole.
class ContinuityModel {
  public:
    /// Receives each chunk with its fate, in the order the fates are decided.
    using FateSink = std::function<void(const Chunk&, ChunkFate)>;

    /// `audioStep`: ticks between audio frames.
    ContinuityModel(std::uint32_t audioStep, bool dolby, bool neverResync, FateSink sink);

    /// A chunk as the demultiplexer meets it in the file, numbered as in the
    /// recording (an out-of-band copy by the chunk it copies). Throws
    /// std::runtime_error for a hole the demultiplexer cannot see in the audio,
    /// whose outputs this model does not predict.
    void onChunk(const Chunk& chunk, std::uint64_t index);
    /// At the end of the recording: chunks still held are never written.
    void finish();

  private:
    /// Where a run of accepted chunks ended: the continuity check's state.
    struct Trail {
        std::optional<std::uint64_t> index;
        std::optional<std::uint32_t> video;  // the last video stamp
        std::optional<std::uint32_t> audio;  // the last audio stamp
    };
    enum class Sequence { Next, InStep, AcrossGap, Out };

    Sequence judge(const Trail& trail, std::uint64_t index, const ChunkStamps& stamps) const;
    Sequence audioSequence(const Trail& trail, const StampRange& audio, bool videoJumped) const;
    static void follow(Trail& trail, std::uint64_t index, const ChunkStamps& stamps);
    /// Holds a chunk of the run, `acrossGap` when data was lost before it;
    /// the third one takes the stream up again.
    void hold(const Chunk& chunk, std::uint64_t index, const ChunkStamps& stamps, bool acrossGap);
    void dropHeld();

    std::uint32_t audioStep_;
    bool dolby_;
    bool neverResync_;
    FateSink tell_;
    Trail stream_;                                   // the chunks extracted
    Trail run_;                                      // the chunks held
    std::vector<std::pair<Chunk, ChunkFate>> held_;  // with their fates once taken up
};

}  // namespace recbuild
