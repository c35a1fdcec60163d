// SPDX-License-Identifier: MIT
#include "demux/duplicate_check.h"

#include <gtest/gtest.h>

#include "chunk/record_header.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;

// A chunk of two records, with one payload byte, the table's last byte and one
// head byte to vary.
ChunkBuilder chunk(std::uint8_t payload = 1, std::uint8_t lastByte = 0, std::uint8_t head = 0xCD) {
    ChunkBuilder b;
    b.headBytes(0xAB, head)
        .add({.type = kVideoType, .byteCount = 0x300000, .payload = {payload, 2, 3, 4}})
        .add({.type = kAudioType,
              .byteCount = 0x310000,
              .payload = {5, 6, 7, 8, 9},
              .tail = {0, 0, 0, 0, 0, 0, 0, lastByte}});
    return b;
}

TEST(DuplicateCheck, OnlyHeadAndTableAreComparedWithTheLastChunkThatWentOn) {
    const std::pair<ChunkBuilder, bool> cases[] = {
        {chunk(0x99), false},       // payloads are never compared
        {chunk(1, 1), true},        // the table's last byte differs
        {chunk(1, 0, 0xCE), true},  // one head byte differs
    };
    for (const auto& [second, isNew] : cases) {
        SCOPED_TRACE(isNew);
        test::CapturedConsole out;
        DuplicateState state;
        const auto check = [&](const ChunkBuilder& b) {
            const auto built = b.build();
            return duplicateCheck(out.console(), state, built->view(), recordCount(built->view()));
        };
        EXPECT_TRUE(check(chunk()));
        EXPECT_EQ(check(second), isNew);
        // A duplicate leaves the first chunk in place; a new chunk replaces it.
        EXPECT_FALSE(check(second));
        EXPECT_EQ(check(chunk()), isNew);
    }
}

}  // namespace
}  // namespace kestrel
