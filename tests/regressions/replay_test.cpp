// SPDX-License-Identifier: MIT
// Every input in fuzz/regressions/TARGET once crashed kestrel or tripped a
// sanitizer under the fuzz target of that name. Each is replayed exactly as
// the target runs it and must now simply run to an end.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "driver/run.h"
#include "harness.h"

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

}  // namespace
}  // namespace kestrel::fuzzing
