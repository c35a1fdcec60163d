// SPDX-License-Identifier: MIT
#include "analysis/recorder_detection.h"

#include <algorithm>
#include <cstddef>

#include "chunk/record_walk.h"
#include "headers/byte_patterns.h"

namespace kestrel {

namespace {

// A Dolby Digital packet header is always 14 bytes long.
constexpr std::size_t kDolbyHeaderLength = 14;
constexpr std::int32_t kStandaloneHeaderLength = 16;

bool isStandaloneMarker(const RecordHeader& h) {
    return h.type() == kAudioType && h.size() == kPesRecordSize &&
           h.subtype() == kAudioPesSubtype && h.byte(12) != 0 && h.byte(13) != 0 &&
           h.byte(14) != 0 && h.byte(15) != 0;
}

// True when the payload holds a packet start code 00 00 01 `streamId` whose
// frame sync follows at `distance`; only the payload's own bytes are read.
bool hasPacketWithSync(Bytes payload, std::uint8_t streamId, std::size_t distance,
                       bool (*isSync)(Bytes, std::size_t)) {
    const std::size_t span = std::max<std::size_t>(distance + 2, 4);  // bytes one match covers
    for (std::size_t k = findStartCodePrefix(payload, 0); k + span <= payload.size();
         k = findStartCodePrefix(payload, k + 1)) {
        if (isStartCodeAt(payload, k, streamId) && isSync(payload, k + distance)) return true;
    }
    return false;
}

}  // namespace

std::int32_t detectStandalone(Bytes chunk) {
    for (RecordWalk walk(chunk); walk.next();)
        if (isStandaloneMarker(walk.header())) return 1;
    return 0;
}

std::int32_t countAudioHeaders(const RunState& run, Bytes chunk, std::int32_t& layer2Count,
                               std::int32_t& dd51Count) {
    if (recordCount(chunk) == 0) return 0;
    const auto layer2Distance = static_cast<std::size_t>(run.audioPesHeaderLength);
    for (RecordWalk walk(chunk); walk.next();) {
        if (walk.header().type() != kAudioType) continue;
        const Bytes payload = walk.payload();
        if (hasPacketWithSync(payload, kMpegAudioStreamId, layer2Distance, isLayer2SyncAt))
            ++layer2Count;
        if (hasPacketWithSync(payload, kPrivateStream1Id, kDolbyHeaderLength, isAc3SyncAt))
            ++dd51Count;
    }
    return 1;
}

void decideRecorderType(Console& console, RunState& run, std::span<const Bytes> chunks) {
    if (std::ranges::any_of(chunks, [](Bytes chunk) { return detectStandalone(chunk) != 0; })) {
        run.saMode = 1;
        run.audioPesHeaderLength = kStandaloneHeaderLength;
    }
    // Without a marker, -s still makes the recording Standalone.
    console.print("Detected Tivo Type: %s\n", run.saMode != 0 ? "Standalone" : "DTivo");
}

void decideAudioType(Console& console, RunState& run, AudioTypeCounts& counts,
                     std::span<const Bytes> chunks) {
    for (const Bytes chunk : chunks) {
        std::int32_t layer2 = 0;
        std::int32_t dd51 = 0;
        countAudioHeaders(run, chunk, layer2, dd51);
        if (layer2 != 0 && dd51 != 0) {
            // A recording carries one audio type; a chunk showing both is damaged.
            console.print(
                "Woah... We saw both LayerII headers and DD5.1 headers. Should never happen...\n"
                "Ignoring this chunk...\n");
        } else {
            counts.layer2HeaderTotal += layer2;
            counts.dd51HeaderTotal += dd51;
        }
        run.audioType =
            counts.dd51HeaderTotal > counts.layer2HeaderTotal ? kDolbyAudio : kLayer2Audio;
    }
    console.print("Detected Audio Stream Type: %s\n",
                  run.audioType == kDolbyAudio ? "Dolby Digital 5.1" : "MPEG Layer II");
}

}  // namespace kestrel
