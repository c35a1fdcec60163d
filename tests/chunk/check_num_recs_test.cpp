// SPDX-License-Identifier: MIT
#include "chunk/check_num_recs.h"

#include <gtest/gtest.h>

#include "support/captured_console.h"
#include "support/chunk_builder.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;

TEST(CheckNumRecs, AcceptsATotalOfExactlyOneChunkAndReportsOneByteMore) {
    test::CapturedConsole out(kVerbose);
    const auto total = [](std::uint32_t bytes) {
        return ChunkBuilder().add({.size = bytes - 20, .type = kVideoType}).build();
    };
    EXPECT_EQ(checkNumRecs(out.console(), total(131072)->view()), 1);
    EXPECT_EQ(out.take(), "\ncheckNumRecs: Number of Records:   1 ( 1  0  0  0)\n");
    EXPECT_EQ(checkNumRecs(out.console(), total(131073)->view()), 0);
    EXPECT_EQ(out.take(),
              "\ncheckNumRecs: Number of Records:   1 ( 1  0  0  0)\n"
              "checkNumRecs: The size is wrong at 131073 bytes...\n");
}

// With bit 7 of byte 0 set, a size field of 100 reads 0x80064: more than a
// chunk, unless the type (1 to 5) takes no payload. Bytes 2 and 3 take no part.
TEST(CheckNumRecs, CountsFromOneTo1279AndHeaderOnlyRecordsOfTypesOneToFive) {
    const auto counted = [](std::uint8_t high) {  // 255 + 256 * high empty records
        auto chunk = ChunkBuilder().headBytes(0x12, 0x34).build();
        chunk->bytes[0] = 0xFF, chunk->bytes[1] = high;
        return chunk;
    };
    const std::pair<std::unique_ptr<ChunkBuffer>, std::int32_t> cases[] = {
        {ChunkBuilder().headBytes(0xAB, 0x00).build(), 0},
        {counted(4), 1279},
        {counted(5), 0},
        {ChunkBuilder().add({.size = 100, .type = 1, .headerOnly = true}).build(), 1},
        {ChunkBuilder().add({.size = 100, .type = 5, .headerOnly = true}).build(), 1},
        {ChunkBuilder().add({.size = 100, .type = 6, .headerOnly = true}).build(), 0},
        {ChunkBuilder().add({.size = 100, .type = kAudioType, .headerOnly = true}).build(), 0},
    };
    test::CapturedConsole out;
    for (const auto& [chunk, expected] : cases)
        EXPECT_EQ(checkNumRecs(out.console(), chunk->view()), expected) << expected;
    EXPECT_EQ(out.text(), "");  // quiet at verbosity 0
}

}  // namespace
}  // namespace kestrel
