// SPDX-License-Identifier: MIT
#include "avcheck/av_check.h"

#include <cmath>
#include <limits>
#include <vector>

#include "avcheck/audio_frames.h"
#include "avcheck/content_match.h"
#include "avcheck/picture_timeline.h"
#include "avcheck/recording.h"
#include "avcheck/video_pictures.h"

namespace avcheck {

namespace {

// Each picture's time stamp: that of the last video packet header since the
// picture before it started.
std::vector<std::optional<Ticks>> pictureStamps(const VideoPictures& video,
                                                const std::vector<VideoStamp>& stamps,
                                                kestrel::PtsTicks origin) {
    std::vector<std::optional<Ticks>> result(video.pictures.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < video.pictures.size(); ++i) {
        for (; next < stamps.size() && stamps[next].offset <= video.pictures[i].offset; ++next)
            result[i] = ticksAfter(stamps[next].pts, origin);
    }
    return result;
}

template <typename Item, typename Content>
std::vector<kestrel::Bytes> contents(const std::vector<Item>& items, Content content) {
    std::vector<kestrel::Bytes> result;
    result.reserve(items.size());
    for (const Item& item : items)
        result.push_back(content(item));
    return result;
}

// The source picture of every output picture, in coding order; the first one
// is the first picture with its content.
std::vector<std::optional<std::size_t>> matchPictures(const VideoPictures& output,
                                                      const VideoPictures& source) {
    const std::vector<kestrel::Bytes> sourceContents =
        contents(source.pictures, [](const Picture& p) { return p.content; });
    const ContentIndex index(sourceContents);
    std::vector<std::optional<std::size_t>> matches;
    std::optional<std::size_t> previous;
    for (const Picture& picture : output.pictures) {
        matches.push_back(pickSource(index.find(picture.content), previous,
                                     [](std::size_t i) { return static_cast<double>(i); }));
        if (matches.back()) previous = matches.back();
    }
    return matches;
}

// Everything one check works with.
class Check {
  public:
    Check(const CheckInput& input, VideoPictures source, VideoPictures output,
          const RecordingStreams& streams)
        : input_(input), sourceVideo_(std::move(source)), outputVideo_(std::move(output)) {
        const kestrel::PtsTicks origin =
            streams.videoStamps.empty() ? 0 : streams.videoStamps.front().pts;
        sourceTimes_ =
            displayTimes(sourceVideo_, pictureStamps(sourceVideo_, streams.videoStamps, origin));
        sourceFrames_ = sourceAudioFrames(streams.audioPackets, input.standalone, origin);
    }

    CheckReport run() {
        pairPictures();
        const PictureTimeline timeline(pairs_);
        measureAudio(timeline);
        return report_;
    }

  private:
    void pairPictures() {
        const std::vector<Ticks> outputTimes = displayTimes(
            outputVideo_,
            std::vector<std::optional<Ticks>>(outputVideo_.pictures.size(), std::nullopt));
        const std::vector<std::optional<std::size_t>> matches =
            matchPictures(outputVideo_, sourceVideo_);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            if (!matches[i]) {
                ++report_.picturesUnmatched;
                continue;
            }
            ++report_.picturesMatched;
            const std::size_t s = *matches[i];
            const Ticks duration = sourceVideo_.pictures[s].fields * sourceVideo_.fieldPeriod;
            pairs_.push_back({sourceTimes_[s], sourceTimes_[s] + duration, outputTimes[i]});
        }
    }

    void measureAudio(const PictureTimeline& timeline) {
        const std::vector<kestrel::Bytes> sourceContents =
            contents(sourceFrames_, [](const SourceFrame& f) { return f.bytes; });
        const ContentIndex index(sourceContents);
        std::optional<std::size_t> previous;
        Ticks outputTime = 0;
        for (const kestrel::Bytes frame : splitAudio(input_.audio)) {
            const std::optional<std::size_t> match =
                nearestSource(index.find(frame), previous, expectedNear(timeline, outputTime));
            if (match) {
                previous = match;
                measureFrame(timeline, sourceFrames_[*match].pts, outputTime);
            } else {
                ++report_.framesUnmatched;
            }
            outputTime += frameShape(frame).value_or(FrameShape{}).duration;
        }
    }

    // The A/V error the output frame would have if it came from a source
    // frame: of frames with equal bytes, the one it came from is the one
    // that puts it nearest its pictures (up to half the tone's period).
    std::function<double(std::size_t)> expectedNear(const PictureTimeline& timeline,
                                                    Ticks outputTime) const {
        return [this, &timeline, outputTime](std::size_t i) {
            const Ticks source = sourceFrames_[i].pts;
            const std::optional<PicturePair> picture = timeline.atSource(source);
            return picture ? std::abs(avError(*picture, source, outputTime))
                           : std::numeric_limits<double>::max();
        };
    }

    void measureFrame(const PictureTimeline& timeline, Ticks source, Ticks output) {
        ++report_.framesMatched;
        const std::optional<PicturePair> picture = timeline.atSource(source);
        if (!picture) return;
        const Ticks error = avError(*picture, source, output);
        if (!report_.largestError || std::abs(error) > std::abs(*report_.largestError))
            report_.largestError = error;
        report_.endError = error;
    }

    const CheckInput& input_;
    VideoPictures sourceVideo_;
    VideoPictures outputVideo_;
    std::vector<Ticks> sourceTimes_;
    std::vector<SourceFrame> sourceFrames_;
    std::vector<PicturePair> pairs_;
    CheckReport report_;
};

// Milliseconds to a tenth; no "-0.0" for an error that rounds to nothing.
double roundedMs(Ticks ticks) {
    const double ms = std::round(toMs(ticks) * 10) / 10;
    return ms == 0 ? 0 : ms;
}

void printError(std::FILE* out, const char* label, std::optional<Ticks> error) {
    if (error)
        std::fprintf(out, "%s: %.1f ms\n", label, roundedMs(*error));
    else
        std::fprintf(out, "%s: none\n", label);
}

}  // namespace

std::optional<CheckReport> checkAvSync(const CheckInput& input) {
    const RecordingStreams streams = readRecording(input.recording, input.standalone);
    std::optional<VideoPictures> source = splitVideo(streams.video);
    std::optional<VideoPictures> output = splitVideo(input.video);
    if (!source || !output) return std::nullopt;
    return Check(input, std::move(*source), std::move(*output), streams).run();
}

void printReport(const CheckReport& report, std::FILE* out) {
    std::fprintf(out, "audio frames: %zu matched, %zu unmatched\n", report.framesMatched,
                 report.framesUnmatched);
    std::fprintf(out, "pictures: %zu matched, %zu unmatched\n", report.picturesMatched,
                 report.picturesUnmatched);
    printError(out, "largest A/V error", report.largestError);
    printError(out, "A/V error at the end", report.endError);
}

}  // namespace avcheck
