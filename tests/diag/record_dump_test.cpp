// SPDX-License-Identifier: MIT
#include "diag/record_dump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/chunk_builder.h"
#include "support/header_bytes.h"

namespace kestrel {
namespace {

using test::ChunkBuilder;
using test::hex;

const std::string kNoNextBytes =
    "  Next Start:    0  0  0  0  0  0  0  0  0  0  0  0  0  0  0  0\n";
const std::string kDone = "*****DONE with HEADERS!!!!!\n";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string dump(test::TestDecoder& t, DumpCounters& counters, Bytes chunk) {
    dumpRecordTable(t.decoder, counters, "ParseChunk", chunk);
    return t.out.take();
}

// The dump of whole chunks, with records of every kind and counters running
// on from chunk to chunk, is pinned by the golden file of the -V run
// (tests/driver/golden); these are the cases a clean recording never shows.

TEST(DumpRecordTable, AVideoPacketHeaderBeforeTheFirstPictureIsFlaggedAndLeavesTheClock) {
    const auto chunk = ChunkBuilder()
                           .add({.subtype = kVideoPesSubtype,
                                 .type = kVideoType,
                                 .payload = test::videoPesHeader(87000)})
                           .build();
    test::TestDecoder t;
    t.run.firstVideoPTS = 90000;
    DumpCounters counters;
    EXPECT_TRUE(contains(dump(t, counters, chunk->view()),
                         "MUX\t Offset from firstVideoPTS = -3000 (1430224 * 3003) 13:15:21.825\n"
                         "MUX ****************** It is a too-early frame...\n"));
    EXPECT_EQ(counters.dumpFrameClock, 3003u);
}

TEST(DumpRecordTable, PayloadEndingAtTheViewsEndReadsZerosBeyondIt) {
    // The view ends after 00 00 01: the scan completes it with a zero from
    // beyond the view, not with the B3 that follows in memory.
    const auto chunk =
        ChunkBuilder().add({.type = kVideoType, .payload = hex("000001B3 ABABAB")}).build();
    test::TestDecoder t;
    DumpCounters counters;
    EXPECT_TRUE(dump(t, counters, chunk->view().first(23))
                    .ends_with("  Data Start:    0  0  1  0  0  0  0 \n" + kNoNextBytes +
                               "\nMUX * 0  0  1  0*0-F\n" + kDone));
}

}  // namespace
}  // namespace kestrel
