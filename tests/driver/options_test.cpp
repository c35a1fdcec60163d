// SPDX-License-Identifier: MIT
#include "driver/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/decimal_value.h"

namespace kestrel {
namespace {

std::string describe(const std::optional<CommandLine>& l) {
    if (!l) return "usage";
    std::ostringstream out;
    out << 'v' << l->verboseLevel << " s" << l->saMode << " h" << l->audioPesHeaderLength << " n"
        << l->noOutput << " r" << l->neverResync << " c" << l->cleanCuts << " j" << l->jumpChunks
        << " l" << l->chunkLimit << ' ' << l->inputName << ' ' << l->videoName << ' '
        << l->audioName;
    return out.str();
}

// The words that end in the usage text are run whole in run_test.cpp.
TEST(CommandLine, OptionsSetTheirSettingsTheLaterOneWinsAndAFileNameEndsThem) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"k", "-vn", "i", "v", "a", "extra"}, "v1 s0 h11 n1 r0 c0 j0 l0 i v a"},
        {{"k", "-Rj3", "i", "v", "a"}, "v0 s0 h11 n0 r1 c0 j3 l0 i v a"},
        {{"k", "-cvn", "i", "v", "a"}, "v1 s0 h11 n1 r0 c1 j0 l0 i v a"},
        {{"k", "-s", "i", "v", "a"}, "v0 s1 h16 n0 r0 c0 j1 l0 i v a"},
        {{"k", "-s", "-j", "5", "i", "v", "a"}, "v0 s1 h16 n0 r0 c0 j5 l0 i v a"},
        {{"k", "-j5", "-s", "i", "v", "a"}, "v0 s1 h16 n0 r0 c0 j1 l0 i v a"},
        {{"k", "-jv", "-l", " -12", "i", "v", "a"}, "v0 s0 h11 n0 r0 c0 j0 l-12 i v a"},
        {{"k", "-j", "-v", "i", "v", "a"}, "v0 s0 h11 n0 r0 c0 j0 l0 i v a"},  // -v is the value
        {{"k", "i", "-v", "a"}, "v0 s0 h11 n0 r0 c0 j0 l0 i -v a"},
        {{"k", "-", "-v", "a"}, "v0 s0 h11 n0 r0 c0 j0 l0 - -v a"},  // "-" is standard input
        {{"k", "-j", "2", "i", "v"}, "usage"},
    };
    for (const auto& [words, expected] : cases)
        EXPECT_EQ(describe(readCommandLine(words)), expected);
}

TEST(DecimalValue, ReadsLikeTheCLibraryAndWrapsTo32Bits) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"", 0},
        {"- 5", 0},
        {" \t\n\v\f\r+7", 7},
        {"  -12abc", -12},
        {"2147483648", -2147483647 - 1},
        {"4294967301", 5},
        {"99999999999999999999999", -1},  // clamps to the largest 64-bit value
        {"-99999999999999999999999", 0},  // clamps to the smallest 64-bit value
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(decimalValue(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace kestrel
