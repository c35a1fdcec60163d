#include "chunk/check_num_recs.h"

#include <gtest/gtest.h>

#include "support/captured_console.h"
#include "support/chunk_builder.h"

namespace kestrel {
namespace {

using test::CapturedConsole;
using test::ChunkBuilder;
using test::TestRecord;

// One record of `size` bytes, filling the chunk to the given total.
std::unique_ptr<ChunkBuffer> chunkWithTotal(std::uint32_t total) {
    return ChunkBuilder().add({.size = total - 20, .type = kVideoType}).build();
}

TEST(CheckNumRecs, AcceptsATotalOfExactlyOneChunkAndRejectsOneByteMore) {
    CapturedConsole out(kVerbose);
    EXPECT_EQ(checkNumRecs(out.console(), chunkWithTotal(131072)->view()), 1);
    EXPECT_EQ(out.take(), "\ncheckNumRecs: Number of Records:   1 ( 1  0  0  0)\n");
    EXPECT_EQ(checkNumRecs(out.console(), chunkWithTotal(131073)->view()), 0);
    EXPECT_EQ(out.take(),
              "\ncheckNumRecs: Number of Records:   1 ( 1  0  0  0)\n"
              "checkNumRecs: The size is wrong at 131073 bytes...\n");
}

TEST(CheckNumRecs, CountOfZeroIsBadWithOnlyTheCountLine) {
    CapturedConsole out(kVerbose);
    ChunkBuffer chunk;
    chunk.bytes[2] = 0xAB;
    EXPECT_EQ(checkNumRecs(out.console(), chunk.view()), 0);
    EXPECT_EQ(out.text(), "\ncheckNumRecs: Number of Records:   0 ( 0  0 ab  0)\n");
}

TEST(CheckNumRecs, HighCountByteAboveFourIsBadWithoutTheSizeMessage) {
    struct Case {
        std::uint8_t low, high;
        std::int32_t expected;
    };
    for (const Case c : {Case{0xFF, 0x04, 1279}, Case{0x00, 0x05, 0}, Case{0xFF, 0xFF, 0}}) {
        CapturedConsole out(kVerbose);
        ChunkBuffer chunk;  // all records read as empty type-0 records
        chunk.bytes[0] = c.low;
        chunk.bytes[1] = c.high;
        EXPECT_EQ(checkNumRecs(out.console(), chunk.view()), c.expected) << int(c.high);
        EXPECT_EQ(out.text().find("size is wrong"), std::string::npos);
    }
}

TEST(CheckNumRecs, HeaderOnlyBitCountsOnlyForTypesOneToFive) {
    CapturedConsole out;
    struct Case {
        std::uint8_t type;
        bool headerOnly;
        std::int32_t expected;
    };
    // With bit 7 of byte 0 set the size field reads 0x80000 + 100: over a chunk.
    for (const Case c : {Case{1, true, 2}, Case{5, true, 2}, Case{5, false, 2}, Case{6, true, 0},
                         Case{kVideoType, true, 0}, Case{kAudioType, true, 0}}) {
        auto chunk = ChunkBuilder()
                         .add({.size = 100, .type = c.type, .headerOnly = c.headerOnly})
                         .add({.size = 100, .type = kVideoType})
                         .build();
        EXPECT_EQ(checkNumRecs(out.console(), chunk->view()), c.expected) << int(c.type);
    }
    EXPECT_EQ(out.text(), "");  // quiet at verbosity 0
}

TEST(CheckNumRecs, BytesTwoAndThreeDoNotMatter) {
    CapturedConsole out;
    auto a = ChunkBuilder().headBytes(0x12, 0x34).add({.size = 10, .type = kAudioType}).build();
    auto b = ChunkBuilder().headBytes(0xFF, 0x00).add({.size = 10, .type = kAudioType}).build();
    EXPECT_EQ(checkNumRecs(out.console(), a->view()), checkNumRecs(out.console(), b->view()));
}

}  // namespace
}  // namespace kestrel
