// SPDX-License-Identifier: MIT
#include "recbuild/chunk_stamps.h"

#include <algorithm>

namespace recbuild {
namespace {

constexpr std::size_t kFrameBytesForStamp = 4;

void widen(std::optional<StampRange>& range, std::uint32_t pts) {
    if (!range) {
        range = StampRange{pts, pts};
        return;
    }
    range->first = std::min(range->first, pts);
    range->last = std::max(range->last, pts);
}

}  // namespace

ChunkStamps stampsOf(const Chunk& chunk) {
    ChunkStamps stamps;
    // The packet whose header was seen in this chunk, and its frame bytes so far.
    std::optional<std::uint32_t> packetPts;
    std::size_t frameBytes = 0;
    for (const Record& r : chunk.records) {
        const auto pts = static_cast<std::uint32_t>(r.pts);
        if (r.type == kestrel::kVideoType && r.subtype == kestrel::kVideoPesSubtype &&
            r.size() == kestrel::kPesRecordSize)
            widen(stamps.video, pts);
        if (r.type != kestrel::kAudioType) continue;
        if (!r.continuesFrame) {
            packetPts = pts;
            frameBytes = 0;
        }
        if (!packetPts) continue;
        frameBytes += r.body.size();
        if (frameBytes < kFrameBytesForStamp) continue;
        widen(stamps.audio, *packetPts);
        packetPts.reset();
    }
    return stamps;
}

}  // namespace recbuild
