// SPDX-License-Identifier: MIT
#include "recbuild/layout.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "recbuild/pes_writer.h"

namespace recbuild {
namespace {

Record videoRecord(std::uint8_t subtype, Bytes body) {
    Record r;
    r.type = kestrel::kVideoType;
    r.subtype = subtype;
    r.body = body;
    r.counted = true;
    return r;
}

Record audioRecord(std::uint8_t subtype, std::uint64_t pts) {
    Record r;
    r.type = kestrel::kAudioType;
    r.subtype = subtype;
    r.counted = true;
    r.pts = pts;
    return r;
}

/// Size of the small first part of a split audio record: the packet header
/// (if the record has one) and 13 to 44 bytes of the frame, enough for its
/// sync word and header, far below a whole frame.
std::uint32_t smallPartSize(std::size_t headLength, std::uint64_t frame) {
    constexpr std::uint32_t kLeastFrameBytes = 13;
    return static_cast<std::uint32_t>(headLength + kLeastFrameBytes + frame % 32);
}

}  // namespace

RecordSource::RecordSource(const VideoStream& video, const AudioStream& audio,
                           LayoutOptions options)
    : video_(video), audio_(audio), options_(options) {
    if (options_.maxVideoRecord == 0) throw std::runtime_error("the video record size is 0");
    if (options_.family == Family::Standalone && audio_.kind != AudioKind::Layer2)
        throw std::runtime_error("Standalone recordings carry Layer II audio only");
    if (options_.videoPts == 0 ||
        static_cast<std::int64_t>(options_.videoPts) + options_.audioOffset < 0)
        throw std::runtime_error("time stamps must start above 0");
    // DTivo recorders split an audio packet over two records at most.
    if (options_.family == Family::DTivo && options_.splitAudioEvery != 0 &&
        options_.splitAudioAcrossChunks)
        throw std::runtime_error(
            "DTivo: --split-audio and --split-audio-across-chunks exclude each other");
    if (options_.startPicture >= video_.pictures.size())
        throw std::runtime_error("the start picture lies beyond the video");
    nextPicture_ = options_.startPicture;
    nextFrame_ = firstAudioFrame();
}

std::int64_t RecordSource::videoKey(std::uint64_t picture) const {
    // Pictures arrive in coding order, one picture time apart, led by a picture
    // time (a reference picture is sent before the B pictures shown ahead of it).
    return static_cast<std::int64_t>(options_.videoPts + video_.rate.ticksFor(picture)) -
           static_cast<std::int64_t>(video_.rate.ticksFor(1));
}

std::int64_t RecordSource::audioKey(std::uint64_t frame) const {
    return static_cast<std::int64_t>(options_.videoPts + audio_.ticksFor(frame)) +
           options_.audioOffset;
}

std::uint64_t RecordSource::firstAudioFrame() const {
    if (options_.startPicture == 0) return 0;
    const std::int64_t from =
        videoKey(options_.startPicture) - static_cast<std::int64_t>(kMidGopAudioLead);
    std::uint64_t frame = 0;
    while (frame < audio_.frames.size() && audioKey(frame) < from)
        ++frame;
    return frame;
}

std::optional<Record> RecordSource::next() {
    const std::uint64_t iterations =
        options_.iterations == 0 ? std::numeric_limits<std::uint64_t>::max() : options_.iterations;
    while (queue_.empty()) {
        const bool videoLeft = nextPicture_ / video_.pictures.size() < iterations;
        const bool audioLeft = nextFrame_ / audio_.frames.size() < iterations;
        if (!videoLeft && !audioLeft) return std::nullopt;
        if (videoLeft && (!audioLeft || videoKey(nextPicture_) <= audioKey(nextFrame_)))
            queuePicture(nextPicture_++);
        else
            queueAudioFrame(nextFrame_++);
    }
    Record r = std::move(queue_.front());
    queue_.pop_front();
    return r;
}

void RecordSource::queuePicture(std::uint64_t picture) {
    const std::uint64_t count = video_.pictures.size();
    const CodedPicture& p = video_.pictures[picture % count];
    const Bytes bytes(video_.bytes);
    const std::uint64_t shown = picture / count * count + p.displayIndex;
    const bool startsSequence = p.sequenceHeaderLength != 0;
    if (startsSequence) {
        queue_.push_back(videoRecord(kestrel::kSeqStartSubtype,
                                     bytes.subspan(p.offset, p.sequenceHeaderLength)));
        queue_.back().keepWithNext = true;
    }
    if (p.gopHeaderLength != 0) {
        queue_.push_back(videoRecord(
            kGopSubtype, bytes.subspan(p.offset + p.sequenceHeaderLength, p.gopHeaderLength)));
        queue_.back().keepWithNext = startsSequence;
    }
    Record pes = videoRecord(kestrel::kVideoPesSubtype, {});
    pes.pts = options_.videoPts + video_.rate.ticksFor(shown);
    pes.head = videoPesHeader(pes.pts);
    // A sequence header's group reaches into the picture data, so that the
    // records the demultiplexer's byte-count window looks at share a chunk.
    pes.keepWithNext = startsSequence;
    queue_.push_back(std::move(pes));
    Bytes data = bytes.subspan(p.pictureOffset(), p.pictureLength);
    while (!data.empty()) {
        const std::size_t length = std::min<std::size_t>(data.size(), options_.maxVideoRecord);
        queue_.push_back(videoRecord(kPictureSubtype, data.first(length)));
        queue_.back().splittable = true;
        data = data.subspan(length);
    }
}

void RecordSource::queueAudioFrame(std::uint64_t frame) {
    const AudioFrame& f = audio_.frames[frame % audio_.frames.size()];
    const Bytes bytes = Bytes(audio_.bytes).subspan(f.offset, f.length);
    const auto pts = static_cast<std::uint64_t>(audioKey(frame));
    Record data = audioRecord(kAudioDataSubtype, pts);
    data.body = bytes;
    data.completedFrame = bytes;
    if (options_.family == Family::Standalone) {
        Record header = audioRecord(kestrel::kAudioPesSubtype, pts);
        header.head = standaloneAudioHeader(pts, f.length);
        header.standaloneMarker = true;
        queue_.push_back(std::move(header));
        data.continuesFrame = true;
    } else {
        data.head = audio_.kind == AudioKind::Ac3 ? ac3PesHeader(pts, f.length)
                                                  : shortAudioHeader(pts, f.length);
    }
    const bool split = options_.splitAudioEvery != 0 &&
                       frame % options_.splitAudioEvery == options_.splitAudioEvery - 1;
    if (split) queue_.push_back(splitFront(data, smallPartSize(data.head.size(), frame)));
    queue_.push_back(std::move(data));
}

}  // namespace recbuild
