// Every input in fuzz/regressions/TARGET once crashed kestrel or tripped a
// sanitizer under the fuzz target of that name. Each is replayed exactly as
// the target runs it and must now simply run to an end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/run.h"
#include "harness.h"

namespace kestrel::fuzzing {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const std::string& target) {
    std::vector<fs::path> inputs;
    const fs::path dir = fs::path(KESTREL_FUZZ_REGRESSIONS) / target;
    if (fs::is_directory(dir)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<std::uint8_t> contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Console text is not looked at: only that the run ends.
struct NullConsole {
    std::FILE* file = std::fopen("/dev/null", "w");
    ~NullConsole() { std::fclose(file); }
};

TEST(FuzzRegressions, WholeRunsEndWithAnExitCode) {
    for (const fs::path& input : inputsOf("run")) {
        SCOPED_TRACE(input.string());
        const NullConsole console;
        const int code = runWholeInput(contentsOf(input), console.file);
        EXPECT_TRUE(code == kExitSuccess || code == kExitFailure) << code;
    }
}

TEST(FuzzRegressions, ParseChunkInputsAreDemultiplexed) {
    for (const fs::path& input : inputsOf("parse_chunk")) {
        SCOPED_TRACE(input.string());
        const NullConsole console;
        parseChunkInput(contentsOf(input), console.file);
    }
}

}  // namespace
}  // namespace kestrel::fuzzing
