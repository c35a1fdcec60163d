// SPDX-License-Identifier: MIT
#include "recbuild/options.h"

#include <charconv>
#include <functional>
#include <map>
#include <stdexcept>

namespace recbuild {
namespace {

template <typename Number>
Number parseNumber(std::string_view text, std::string_view option) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw std::runtime_error(std::string(option) + ": not a number: " + std::string(text));
    return value;
}

using Setter = std::function<void(Options&, std::string_view)>;

/// Options that take a value, by name.
const std::map<std::string_view, Setter>& valueOptions() {
    static const std::map<std::string_view, Setter> options = {
        {"--video", [](Options& o, std::string_view v) { o.videoPath = v; }},
        {"--audio", [](Options& o, std::string_view v) { o.audioPath = v; }},
        {"--out", [](Options& o, std::string_view v) { o.outPath = v; }},
        {"--expected-video", [](Options& o, std::string_view v) { o.expectedVideoPath = v; }},
        {"--expected-audio", [](Options& o, std::string_view v) { o.expectedAudioPath = v; }},
        {"--video-pts",
         [](Options& o, std::string_view v) {
             o.plan.layout.videoPts = parseNumber<std::uint32_t>(v, "--video-pts");
         }},
        {"--audio-offset",
         [](Options& o, std::string_view v) {
             o.plan.layout.audioOffset = parseNumber<std::int32_t>(v, "--audio-offset");
         }},
        {"--max-video-record",
         [](Options& o, std::string_view v) {
             o.plan.layout.maxVideoRecord = parseNumber<std::uint32_t>(v, "--max-video-record");
         }},
        {"--split-audio",
         [](Options& o, std::string_view v) {
             o.plan.layout.splitAudioEvery = parseNumber<std::uint32_t>(v, "--split-audio");
         }},
        {"--start-picture",
         [](Options& o, std::string_view v) {
             o.plan.layout.startPicture = parseNumber<std::uint32_t>(v, "--start-picture");
         }},
        {"--loops",
         [](Options& o, std::string_view v) {
             o.plan.layout.iterations = parseNumber<std::uint64_t>(v, "--loops");
             if (o.plan.layout.iterations == 0) throw std::runtime_error("--loops: at least 1");
         }},
        {"--min-size",
         [](Options& o, std::string_view v) {
             o.plan.minSize = parseSize(v);
             o.plan.layout.iterations = 0;
         }},
        {"--duplicate-chunk",
         [](Options& o, std::string_view v) {
             o.plan.damage.duplicateChunk = parseNumber<std::uint64_t>(v, "--duplicate-chunk");
         }},
        {"--oob-after",
         [](Options& o, std::string_view v) {
             o.plan.damage.outOfBandAfter = parseNumber<std::uint64_t>(v, "--oob-after");
         }},
        {"--oob-distance",
         [](Options& o, std::string_view v) {
             o.plan.damage.outOfBandDistance = parseNumber<std::uint64_t>(v, "--oob-distance");
         }},
        {"--oob-count",
         [](Options& o, std::string_view v) {
             o.plan.damage.outOfBandCount = parseNumber<std::uint64_t>(v, "--oob-count");
         }},
        {"--bad-chunk-after",
         [](Options& o, std::string_view v) {
             o.plan.damage.badChunkAfter = parseNumber<std::uint64_t>(v, "--bad-chunk-after");
         }},
        {"--end-of-data",
         [](Options& o, std::string_view v) {
             o.plan.damage.endOfDataIn = parseNumber<std::uint64_t>(v, "--end-of-data");
         }},
        {"--cut",
         [](Options& o, std::string_view v) {
             o.plan.damage.cutIn = parseNumber<std::uint64_t>(v, "--cut");
         }},
        {"--lose-chunk",
         [](Options& o, std::string_view v) {
             o.plan.damage.lostChunks.insert(parseNumber<std::uint64_t>(v, "--lose-chunk"));
         }},
    };
    return options;
}

}  // namespace

std::string_view usageText() {
    return "usage: kestrel-recbuild --video FILE --audio FILE --out FILE [options]\n"
           "Builds a recording in 131072-byte chunks from an MPEG-2 video elementary\n"
           "stream and a Layer II (.mp2) or AC-3 (.ac3) stream. --out - writes to\n"
           "standard output. Chunk numbers N count the recording's own chunks from 0.\n"
           "  --standalone            Standalone recorder (Layer II only): a 16-byte\n"
           "                          header record before each audio frame record, and\n"
           "                          a leading chunk for kestrel -s to jump\n"
           "  --expected-video FILE   write the video kestrel should extract\n"
           "  --expected-audio FILE   write the audio kestrel should extract\n"
           "  --video-pts TICKS       time stamp of the first picture shown (1234567)\n"
           "  --audio-offset TICKS    audio time stamps relative to the video (0)\n"
           "  --max-video-record N    largest video data record in bytes (4096)\n"
           "  --split-audio N         split every Nth audio record in two, the first\n"
           "                          part small\n"
           "  --split-audio-across-chunks\n"
           "                          split an audio record that does not fit the rest\n"
           "                          of a chunk: its front ends the chunk, the rest\n"
           "                          opens the next one\n"
           "  --start-picture K       start mid-GOP: leave out the first K coded pictures\n"
           "                          and the audio until shortly before the first one kept\n"
           "  --loops N               repeat the material N times, time stamps and byte\n"
           "                          counters running on (1)\n"
           "  --min-size SIZE         repeat the material until the file holds SIZE bytes\n"
           "                          (suffix K, M or G)\n"
           "  --duplicate-chunk N     write chunk N twice\n"
           "  --oob-after N           after chunk N insert a copy of a chunk from further on\n"
           "  --oob-distance M        ... of chunk N+M (15, about 5 s of the samples)\n"
           "  --oob-count K           ... and of the K-1 chunks after it (1)\n"
           "  --bad-chunk-after N     after chunk N insert a copy of it whose table claims\n"
           "                          more than 131072 bytes\n"
           "  --end-of-data N         put an end-of-data record in the middle of chunk N\n"
           "                          (N >= 9)\n"
           "  --cut N                 end the file half-way through chunk N (N >= 10)\n"
           "  --lose-chunk N          leave chunk N out of the file (N >= 1); repeatable\n"
           "  --never-resync          expect the outputs of kestrel -R\n"
           "  --help                  this text\n";
}

std::uint64_t parseSize(std::string_view text) {
    std::uint64_t scale = 1;
    if (!text.empty()) {
        switch (text.back()) {
            case 'K':
                scale = 1ULL << 10;
                break;
            case 'M':
                scale = 1ULL << 20;
                break;
            case 'G':
                scale = 1ULL << 30;
                break;
        }
    }
    if (scale != 1) text.remove_suffix(1);
    return parseNumber<std::uint64_t>(text, "--min-size") * scale;
}

Options parseOptions(std::span<const std::string_view> words) {
    Options o;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (word == "--help") {
            o.help = true;
        } else if (word == "--standalone") {
            o.plan.layout.family = Family::Standalone;
        } else if (word == "--split-audio-across-chunks") {
            o.plan.layout.splitAudioAcrossChunks = true;
        } else if (word == "--never-resync") {
            o.plan.damage.neverResync = true;
        } else if (const auto option = valueOptions().find(word); option != valueOptions().end()) {
            if (i + 1 == words.size())
                throw std::runtime_error(std::string(word) + " needs a value");
            option->second(o, words[++i]);
        } else {
            throw std::runtime_error("unknown option " + std::string(word));
        }
    }
    if (!o.help && (o.videoPath.empty() || o.audioPath.empty() || o.outPath.empty()))
        throw std::runtime_error("--video, --audio and --out are required");
    return o;
}

}  // namespace recbuild
