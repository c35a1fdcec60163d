// SPDX-License-Identifier: MIT
// Every input in fuzz/regressions/TARGET once crashed kestrel or tripped a
// sanitizer under the fuzz target of that name. Each is replayed exactly as
// the target runs it and must now simply run to an end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

TEST(FuzzInputs, CompactFormExpandsToTheRecording) {
    const std::vector<std::uint8_t> recording =
        test::cleanRecording(12, {.endOfDataChunk = 11, .badChunk = 4});
    // Pieces long enough for every payload give the recording back exactly.
    EXPECT_EQ(expandRecording(compactRecording(recording, kChunkSize)), recording);
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
