// SPDX-License-Identifier: MIT
#include "recbuild/continuity_model.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace recbuild {
namespace {

constexpr std::uint32_t kAudioStep = 2880;  // 32 ms
constexpr std::uint32_t kPicture = 3003;
constexpr std::uint64_t kFirstPts = 900000;
constexpr std::array<std::uint8_t, 8> kFrameBytes{0xFF, 0xFD};

/// Chunk `index` of a recording whose chunks last `ticks` each: a video packet
/// header at its start and one a picture before its end, and audio frames
/// from its start to one step before its end.
Chunk chunkAt(std::uint64_t index, std::uint32_t ticks) {
    const std::uint64_t start = kFirstPts + index * ticks;
    Chunk chunk;
    for (const std::uint64_t pts : {start, start + ticks - kPicture}) {
        chunk.records.push_back({.type = kestrel::kVideoType,
                                 .subtype = kestrel::kVideoPesSubtype,
                                 .head = std::vector<std::uint8_t>(kestrel::kPesRecordSize),
                                 .pts = pts});
    }
    for (std::uint64_t pts = start; pts + kAudioStep <= start + ticks; pts += kAudioStep)
        chunk.records.push_back(
            {.type = kestrel::kAudioType, .body = Bytes(kFrameBytes), .pts = pts});
    return chunk;
}

struct Case {
    const char* what;
    bool dolby;
    bool neverResync;
    std::uint32_t ticks;  // per chunk
    std::vector<std::uint64_t> chunks;
    std::string fates;  // chunk number and E(xtracted), R(esumed) or S(kipped)
};

constexpr std::uint32_t kLong = 12 * kAudioStep;  // a lost chunk makes the video jump
constexpr std::uint32_t kShort = 4 * kAudioStep;  // ... or not

TEST(ContinuityModel, FatesOfTheChunksAfterHolesAndOutOfBandCopies) {
    const Case cases[] = {
        {"Layer II hole: a run of three resumes",
         false,
         false,
         kLong,
         {0, 1, 3, 4, 5, 6},
         "0E 1E 3R 4E 5E 6E "},
        {"the run is cut short by the end", false, false, kLong, {0, 1, 3, 4}, "0E 1E 3S 4S "},
        {"Layer II hole with little video in it",
         false,
         false,
         kShort,
         {0, 1, 3, 4, 5},
         "0E 1E 3R 4E 5E "},
        {"Dolby Digital hole while the video jumps",
         true,
         false,
         kLong,
         {0, 1, 3, 4, 5},
         "0E 1E 3R 4E 5E "},
        {"Dolby Digital crosses a hole without a video jump",
         true,
         false,
         kShort,
         {0, 1, 3, 4},
         "0E 1E 3R 4E "},
        {"never resync", true, true, kLong, {0, 1, 3, 4, 5, 6}, "0E 1E 3S 4S 5S 6S "},
        {"a second hole starts a new run",
         false,
         false,
         kLong,
         {0, 1, 3, 5, 6, 7},
         "0E 1E 3S 5R 6E 7E "},
        {"two holes in a row are one", false, false, kLong, {0, 1, 4, 5, 6}, "0E 1E 4R 5E 6E "},
        {"a hole inside a run is a hole too",
         true,
         false,
         kShort,
         {0, 1, 5, 7, 8},
         "0E 1E 5R 7R 8E "},
        {"an out-of-band copy is skipped", true, false, kLong, {0, 1, 9, 2, 3}, "0E 1E 9S 2E 3E "},
        {"three out-of-band copies take over",
         false,
         false,
         kLong,
         {0, 9, 10, 11, 1, 2, 3},
         "0E 9R 10E 11E 1R 2E 3E "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string fates;
        ContinuityModel model(
            kAudioStep, c.dolby, c.neverResync, [&](const Chunk& chunk, ChunkFate fate) {
                const std::uint64_t index = (chunk.records[0].pts - kFirstPts) / c.ticks;
                fates += std::to_string(index);
                fates += "ERSB"[static_cast<int>(fate)];
                fates += ' ';
            });
        for (const std::uint64_t index : c.chunks)
            model.onChunk(chunkAt(index, c.ticks), index);
        model.finish();
        EXPECT_EQ(fates, c.fates);
    }
}

TEST(ContinuityModel, RefusesAHoleTheAudioDoesNotShow) {
    // Chunks of one audio frame: the stream after the hole is still in step.
    ContinuityModel model(kAudioStep, false, false, [](const Chunk&, ChunkFate) {});
    for (const std::uint64_t index : {0, 1})
        model.onChunk(chunkAt(index, kAudioStep), index);
    EXPECT_THROW(model.onChunk(chunkAt(3, kAudioStep), 3), std::runtime_error);
}

}  // namespace
}  // namespace recbuild
