#include "driver/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/decimal_value.h"
#include "support/captured_console.h"

namespace kestrel {
namespace {

// Every result of the scan: the letter ('E' for the end), then "=value" for
// -j and -l; and where the scan stopped.
std::string scanAll(std::vector<const char*> words) {
    OptionScanner scanner;
    std::string seen;
    for (int letter = 0; letter != kEndOfOptions && seen.size() < 40;) {
        letter = nextOption(scanner, words, kOptionString);
        seen += letter == kEndOfOptions ? 'E' : static_cast<char>(letter);
        if (letter == 'j' || letter == 'l') (seen += '=') += std::string(scanner.optionValue) + ' ';
    }
    return seen + "@" + std::to_string(scanner.optionIndex);
}

TEST(OptionScanner, FollowsTheLettersValuesAndWordsOfTheCommandLine) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{}, "E@1"},
        {{"k"}, "E@1"},
        {{"k", "-vn", "in"}, "vnE@2"},
        {{"k", "-j5", "in"}, "j=5 E@2"},
        {{"k", "-j", "5", "in"}, "j=5 E@3"},
        {{"k", "-vj5", "in"}, "vj=5 E@2"},
        {{"k", "-jv", "in"}, "j=v E@2"},
        {{"k", "-j", "-v", "in"}, "j=-v E@3"},
        {{"k", "-l", "20", "-v", "in"}, "l=20 vE@4"},
        {{"k", "--", "in"}, "?E@2"},
        {{"k", "-x", "-h", "-m"}, "?hmE@4"},
        {{"k", "-:"}, "?E@2"},
        {{"k", "-", "-v"}, "E@1"},
        {{"k", "in", "-v"}, "E@1"},
        {{"k", "-j"}, ":E@2"},
        {{"k", "-vl"}, "v:E@2"},
    };
    for (const auto& [words, expected] : cases)
        EXPECT_EQ(scanAll(words), expected);
}

std::string describe(const std::optional<CommandLine>& l) {
    if (!l) return "usage";
    std::ostringstream out;
    out << 'v' << l->verboseLevel << " s" << l->saMode << " h" << l->audioPesHeaderLength << " n"
        << l->noOutput << " j" << l->jumpChunks << " l" << l->chunkLimit << ' ' << l->inputName
        << ' ' << l->videoName << ' ' << l->audioName;
    return out.str();
}

TEST(CommandLine, OptionsSetTheirSettingsAndTheLaterOneWins) {
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"k", "i", "v", "a", "extra"}, "v0 s0 h11 n0 j0 l0 i v a"},
        {{"k", "-vn", "i", "v", "a"}, "v1 s0 h11 n1 j0 l0 i v a"},
        {{"k", "-v", "-V", "i", "v", "a"}, "v2 s0 h11 n0 j0 l0 i v a"},
        {{"k", "-V", "-v", "i", "v", "a"}, "v1 s0 h11 n0 j0 l0 i v a"},
        {{"k", "-s", "i", "v", "a"}, "v0 s1 h16 n0 j1 l0 i v a"},
        {{"k", "-s", "-j", "5", "i", "v", "a"}, "v0 s1 h16 n0 j5 l0 i v a"},
        {{"k", "-j5", "-s", "i", "v", "a"}, "v0 s1 h16 n0 j1 l0 i v a"},
        {{"k", "-jv", "-l", " -12", "i", "v", "a"}, "v0 s0 h11 n0 j0 l-12 i v a"},
        {{"k", "i", "-v", "a"}, "v0 s0 h11 n0 j0 l0 i -v a"},
        {{}, "usage"},
        {{"k", "i", "v"}, "usage"},
        {{"k", "-h", "i", "v", "a"}, "usage"},
        {{"k", "-m", "i", "v", "a"}, "usage"},
        {{"k", "-x", "i", "v", "a"}, "usage"},
        {{"k", "--", "i", "v", "a"}, "usage"},
        {{"k", "-vh", "i", "v", "a"}, "usage"},
        {{"k", "-j", "2", "i", "v"}, "usage"},
        {{"k", "-j"}, "usage"},
    };
    for (const auto& [words, expected] : cases)
        EXPECT_EQ(describe(readCommandLine(words)), expected);
}

TEST(CommandLine, UsageTextIsTheTenLines) {
    test::CapturedConsole captured;
    printUsage(captured.console());
    EXPECT_EQ(captured.text(),
              "kestrel [options] <infile> <videofile> <audiofile>\n"
              "Version: tobrin 2.01 Alpha #13c\n"
              "options:\n"
              "    -v  verbose\n"
              "    -V  Very verbose (DTivo additions)\n"
              "    -s  Run in SA comaptible mode. Skip 0x10 sized audio records.\n"
              "    -j# Jump # number of chunks into the file before processing. (Quicker checks "
              "of fixes...)\n"
              "    -l# Process # number of total chunks (once processing starts).\n"
              "    -n  No output. Process as normal but don't save anything to disk.\n"
              "    -h  help\n");
}

TEST(DecimalValue, ReadsLikeTheCLibraryAndWrapsTo32Bits) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"5", 5},
        {"", 0},
        {"x5", 0},
        {"- 5", 0},
        {" \t\n\v\f\r+7", 7},
        {"  -12abc", -12},
        {"2147483648", -2147483647 - 1},
        {"-2147483649", 2147483647},
        {"4294967301", 5},
        {"9223372036854775807", -1},
        {"99999999999999999999999", -1},  // clamps to the largest 64-bit value
        {"-9223372036854775808", 0},
        {"-99999999999999999999999", 0},  // clamps to the smallest 64-bit value
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(decimalValue(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace kestrel
