// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "chunk/chunk_layout.h"
#include "repair/byte_output.h"
#include "repair/cut_tracker.h"
#include "repair/picture_listener.h"
#include "repair/picture_unit.h"
#include "repair/video_syntax.h"

namespace kestrel {

/// Writes only pictures a decoder can decode whole. It holds one picture at a
/// time, with the headers in front of it, until the next picture or header
/// shows where it ends; a picture whose slices do not cover its rows in order
/// is dropped, and after a join or a lost reference picture the output
/// resumes at the next GOP that starts with an I picture (CutTracker).
class VideoRepair {
  public:
    /// A picture that grows past this is taken for damaged: no picture of a
    /// broadcast stream comes near it, and a lost start code must not make
    /// the repairer hold the rest of a recording.
    static constexpr std::size_t kMaxPictureBytes = std::size_t{4} << 20;

    VideoRepair(ByteOutput& out, PictureListener& listener,
                std::size_t maxPictureBytes = kMaxPictureBytes);
    /// The time stamp of the next picture to start (a video packet header's PTS).
    void pts(PtsTicks stamp);
    /// The next bytes of the elementary stream, cut anywhere.
    void bytes(Bytes data);
    /// What comes next does not follow, in the recording, what came before.
    /// A stamp whose picture has not begun goes with the bytes before the
    /// gap: call it before the stamp and bytes that follow the gap.
    void join();
    /// End of input: drops an unfinished picture, writes 00 00 01 B7.
    void finish();
    /// Pictures dropped over the whole run.
    std::int32_t picturesDropped() const { return cuts_.dropped(); }

  private:
    void makeRoom(std::size_t incoming);
    void visit(std::size_t at);
    void overflow(std::size_t end);
    void startCodeAt(std::size_t at);
    /// The held bytes from the unit's first on.
    std::span<std::uint8_t> unitBytes() { return std::span(held_).subspan(begin_); }
    void closeSegment(std::size_t end);
    void takePts(std::size_t at);
    void finishUnit(std::size_t end);
    PictureFacts facts() const;
    void writeUnit(std::size_t end, const Decision& decision);
    void queueWrite(std::size_t end);
    void flushWrites();
    void forgetHeld(std::size_t count) { begin_ += count; }
    void restart();

    ByteOutput& out_;
    PictureListener& listener_;
    std::size_t maxPictureBytes_;
    CutTracker cuts_;
    SequenceInfo sequence_;
    PictureUnit unit_;
    // The bytes come in once and stay where they landed until the buffer is
    // full: the unit, its offsets counted from its first start code, starts
    // at begin_, and the pictures written before it wait in front of it.
    std::vector<std::uint8_t> held_;
    std::size_t begin_ = 0;                 // the unit's first byte
    std::uint64_t heldOffset_ = 0;          // stream offset of held_'s first byte
    std::size_t scanFrom_ = 0;              // no start code left to find before this
    std::size_t writeFrom_ = 0;             // written pictures not passed on yet
    std::size_t writeTo_ = 0;               // (held_ indexes)
    std::optional<std::size_t> segmentAt_;  // start code of the part in progress
    bool synced_ = false;                   // the unit starts at a start code (not after a join)
    std::optional<std::uint64_t> ptsFrom_;  // a stamp waits for a picture from here
    PtsTicks pendingPts_ = 0;
    std::optional<PtsTicks> unitPts_;
    bool endCodeLast_ = false;  // the last bytes written are a sequence end code
};

}  // namespace kestrel
