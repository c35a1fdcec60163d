// SPDX-License-Identifier: MIT
// Every input in fuzz/regressions/TARGET once crashed kestrel or tripped a
// sanitizer under the fuzz target of that name. Each is replayed exactly as
// the target runs it and must now simply run to an end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "chunk/record_walk.h"
#include "driver/run.h"
#include "harness.h"
#include "support/clean_chunks.h"

namespace kestrel::fuzzing {
namespace {

namespace fs = std::filesystem;

/// Runs `replay` on each kept input of `target`, console text to /dev/null.
template <typename Replay>
void replayAll(const char* target, Replay replay) {
    const fs::path dir = fs::path(KESTREL_FUZZ_REGRESSIONS) / target;
    if (!fs::is_directory(dir)) return;
    const std::set<fs::path> inputs(fs::directory_iterator(dir), fs::directory_iterator{});
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        std::ifstream in(input, std::ios::binary);
        const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        std::FILE* console = std::fopen("/dev/null", "w");
        replay(bytes, console);
        std::fclose(console);
    }
}

TEST(FuzzRegressions, KeptInputsRunToAnEnd) {
    replayAll("run", [](Bytes input, std::FILE* console) {
        const int code = runWholeInput(input, console);
        EXPECT_TRUE(code == kExitSuccess || code == kExitFailure) << code;
    });
    replayAll("parse_chunk", parseChunkInput);
}

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(FuzzInputs, CompactFormExpandsToTheRecording) {
    const std::vector<std::uint8_t> recording =
        test::cleanRecording(12, {.endOfDataChunk = 11, .badChunk = 4});
    // Pieces long enough for every payload give the recording back exactly.
    EXPECT_EQ(expandRecording(compactRecording(recording, kChunkSize)), recording);
    // Short pieces keep each payload's first bytes in place, the rest zeros.
    const std::vector<std::uint8_t> expanded = expandRecording(compactRecording(recording, 11));
    ASSERT_EQ(expanded.size(), recording.size());
    std::vector<std::uint8_t> expected(recording.size());
    for (std::size_t at = 0; at < recording.size(); at += kChunkSize) {
        const Bytes chunk = Bytes(recording).subspan(at, kChunkSize);
        std::copy_n(chunk.begin(), tableEnd(recordCount(chunk)), &expected[at]);
        for (RecordWalk walk(chunk); walk.next();) {
            const Bytes piece =
                walk.payload().first(std::min<std::size_t>(11, walk.payload().size()));
            std::copy(piece.begin(), piece.end(), &expected[at + walk.payloadStart()]);
        }
    }
    EXPECT_EQ(expanded, expected);
}

TEST(FuzzInputs, MarkersEndChunksAndPlaceRecordPieces) {
    std::vector<std::uint8_t> expected(2 * kChunkSize + 3);
    expected[0] = 'a';
    std::copy_n("xyz", 3, expected.end() - 3);
    // A body without markers is the recording; "<pad>" ends a chunk, a whole
    // one when nothing of it was given.
    EXPECT_EQ(expandRecording(bytesOf("a<pad><pad>xyz")), expected);
    EXPECT_EQ(expandRecording(bytesOf("xyz")), bytesOf("xyz"));
    // Two records of 3 and 2 bytes: the pieces go to their payloads, cut at
    // the record's table, and a piece for a third record is dropped.
    const std::vector<std::uint8_t> table = {
        2, 0, 0,    0,                                         //
        0, 0, 0x30, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
        0, 0, 0x20, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> body = table;
    for (const char* part : {"<rec>AB", "<rec>CD", "<rec>EF"})
        body.insert(body.end(), part, part + std::strlen(part));
    std::vector<std::uint8_t> chunk = table;
    chunk.insert(chunk.end(), {'A', 'B', 0, 'C', 'D'});
    EXPECT_EQ(expandRecording(body), chunk);
}

// The targets keep one run object from input to input: an input must run as
// it would in a new one, whatever ran before it.
TEST(FuzzInputs, AnInputRunsAloneAsAfterAnother) {
    const auto input = [](std::uint8_t mode, const std::vector<std::uint8_t>& recording) {
        std::vector<std::uint8_t> bytes = {mode};
        const std::vector<std::uint8_t> body = compactRecording(recording, 64);
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    const auto first = input(1, test::cleanRecording(13));
    const auto other = input(2, test::cleanRecording(14, {.endOfDataChunk = 12, .badChunk = 3}));
    const auto consoleText = [](const auto& replay, Bytes bytes) {
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* console = open_memstream(&text, &size);
        replay(bytes, console);
        std::fclose(console);
        std::string result(text, size);
        std::free(text);
        return result;
    };
    const auto wholeRun = [](Bytes bytes, std::FILE* console) { runWholeInput(bytes, console); };
    for (const auto& replay : {std::function<void(Bytes, std::FILE*)>(wholeRun),
                               std::function<void(Bytes, std::FILE*)>(parseChunkInput)}) {
        const std::string alone = consoleText(replay, first);
        EXPECT_NE(consoleText(replay, other), alone);
        EXPECT_EQ(consoleText(replay, first), alone);
    }
}

}  // namespace
}  // namespace kestrel::fuzzing
