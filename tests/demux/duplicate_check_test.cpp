#include "demux/duplicate_check.h"

#include <gtest/gtest.h>

#include "chunk/record_header.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"

namespace kestrel {
namespace {

using test::CapturedConsole;
using test::ChunkBuilder;

ChunkBuilder twoRecords(std::uint8_t firstPayloadByte = 0x11, std::uint32_t counter = 0x300000) {
    ChunkBuilder chunk;
    chunk.headBytes(0xAB, 0xCD)
        .add({.type = kVideoType, .byteCount = counter, .payload = {firstPayloadByte, 2, 3, 4}})
        .add({.type = kAudioType, .byteCount = 0x310000, .payload = {5, 6, 7, 8, 9}});
    return chunk;
}

// Runs the check on a chunk and says whether it went on.
bool check(Console& console, DuplicateState& state, const ChunkBuilder& builder) {
    const auto chunk = builder.build();
    return duplicateCheck(console, state, chunk->view(), recordCount(chunk->view()));
}

TEST(DuplicateCheck, RepeatedChunkIsSkippedEveryTimeItRepeats) {
    CapturedConsole out(kVerbose);
    DuplicateState state;
    EXPECT_TRUE(check(out.console(), state, twoRecords()));
    EXPECT_EQ(out.take(), "");
    for (int copy = 2; copy <= 3; ++copy) {
        EXPECT_FALSE(check(out.console(), state, twoRecords())) << copy;
        EXPECT_EQ(out.take(), "\n**** We got a duplicate CHUNK. ( 2  0 ab cd) Skipping... *****\n");
    }
}

TEST(DuplicateCheck, OnlyHeadAndTableAreCompared) {
    struct Case {
        const char* what;
        ChunkBuilder second;
        bool isNew;
    };
    const Case cases[] = {
        {"payload differs", twoRecords(0x99), false},
        {"table differs in one byte", twoRecords(0x11, 0x300001), true},
        {"head differs", twoRecords().headBytes(0xAB, 0xCE), true},
    };
    for (const Case& c : cases) {
        CapturedConsole out;
        DuplicateState state;
        check(out.console(), state, twoRecords());
        EXPECT_EQ(check(out.console(), state, c.second), c.isNew) << c.what;
        // A chunk that went on is the one the next chunk is compared with.
        EXPECT_EQ(check(out.console(), state, c.second), false) << c.what;
    }
}

TEST(DuplicateCheck, VeryVerboseShowsBothHeadsAndTheSuspectedRepeat) {
    CapturedConsole out(kVeryVerbose);
    DuplicateState state;
    check(out.console(), state, twoRecords());
    EXPECT_EQ(out.take(), "\n\nlast  4 =  0  0  0  0  -- first 4 =  2  0 ab cd\n");
    EXPECT_TRUE(check(out.console(), state, twoRecords(0x11, 0x300001)));
    EXPECT_EQ(out.take(),
              "\n\nlast  4 =  2  0 ab cd  -- first 4 =  2  0 ab cd\n"
              "first 4 = Crap! We might have a repeat...\n");
}

}  // namespace
}  // namespace kestrel
