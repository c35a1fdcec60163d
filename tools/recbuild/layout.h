// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

#include "recbuild/audio_es.h"
#include "recbuild/record.h"
#include "recbuild/video_es.h"

namespace recbuild {

enum class Family { DTivo, Standalone };

/// How the material is turned into records.
struct LayoutOptions {
    Family family = Family::DTivo;
    /// Time stamp of the stream's first picture in display order.
    std::uint64_t videoPts = 1234567;
    /// Audio frame 0 is stamped videoPts + audioOffset.
    std::int64_t audioOffset = 0;
    /// Largest video data record; pictures are cut into records of this size.
    std::uint32_t maxVideoRecord = 4096;
    /// Every this many audio frames one frame's record is split in two, the
    /// first part small; 0 never.
    std::uint32_t splitAudioEvery = 0;
    /// An audio record that does not fit the rest of a chunk is split: its
    /// front fills the chunk, the rest opens the next one.
    bool splitAudioAcrossChunks = false;
    /// Start in the middle of a GOP: leave out this many coded pictures, and the
    /// audio before a short lead-in ahead of the first picture kept.
    std::uint32_t startPicture = 0;
    /// How often the material is repeated; 0 without end.
    std::uint64_t iterations = 1;
};

/// Audio that starts a recording in mid-GOP begins this long before the first
/// picture, so that the recording opens with audio that has no video yet.
inline constexpr std::uint64_t kMidGopAudioLead = 9000;

/// The records of a recording in the order a recorder writes them: video
/// pictures in coding order and audio frames merged by time, each picture as
/// [sequence header (7)] [GOP header (8)] packet header (6) data..., each audio
/// frame as one record (DTivo) or a Standalone header record and a frame record.
/// Repeats of the material continue the time stamps. Records come one at a
/// time, so a recording of any length needs no more memory than one picture.
class RecordSource {
  public:
    RecordSource(const VideoStream& video, const AudioStream& audio, LayoutOptions options);

    /// The next record, or nothing once the material is used up.
    std::optional<Record> next();

  private:
    std::int64_t videoKey(std::uint64_t picture) const;
    std::int64_t audioKey(std::uint64_t frame) const;
    std::uint64_t firstAudioFrame() const;
    void queuePicture(std::uint64_t picture);
    void queueAudioFrame(std::uint64_t frame);

    const VideoStream& video_;
    const AudioStream& audio_;
    LayoutOptions options_;
    std::uint64_t nextPicture_;
    std::uint64_t nextFrame_;
    std::deque<Record> queue_;
};

}  // namespace recbuild
