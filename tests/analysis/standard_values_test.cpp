// SPDX-License-Identifier: MIT
#include "analysis/standard_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

TEST(ChunkAudioDiff, SmallestStepMustOccurThreeTimes) {
    using Stamps = std::vector<std::optional<PtsTicks>>;  // nullopt: a record without header
    const std::pair<Stamps, std::uint32_t> cases[] = {
        {{1000, 3160, 5320, 7480}, 2160},  // cut to 990, 3150, 5310, 7470
        {{1000, 3160, 5320}, 0},
        {{1000, 3160, 5320, 7480, 8560}, 0},  // a smaller step restarts the count
        {{0x10000, 0x10000 + 11520, 0x10000 + 23040, 0x10000 + 34560}, 11520},
        {{1000, 3160, 9000, 11160, 13320}, 2160},        // larger step ignored
        {{1000, 3160, std::nullopt, 5320, 7480}, 2160},  // missing stamp keeps the run
        {{1000, 3160, 5320, 100, 2260}, 2160},           // backward step ignored
    };
    for (const auto& [stamps, expected] : cases) {
        CapturedConsole out;
        const RunState run{};
        Decoder decoder{out.console(), run};
        ChunkBuilder b;
        for (const auto& pts : stamps)
            b.add({.type = kAudioType, .payload = pts ? dtivoLayer2Packet(*pts, 40) : filler(40)});
        EXPECT_EQ(chunkAudioDiff(decoder, b.build()->view()), expected) << stamps.size();
    }
}

}  // namespace
}  // namespace kestrel
