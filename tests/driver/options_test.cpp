#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/decimal_value.h"
#include "support/captured_console.h"

namespace kestrel {
namespace {

struct ScanCase {
    std::vector<const char*> words;
    std::string expected;  // each result: the letter (E for the end), then "=value" if any
    std::size_t indexAfter;
};

std::string scanAll(const ScanCase& c, OptionScanner& scanner) {
    std::string seen;
    for (int i = 0; i < 10; ++i) {
        const int letter = nextOption(scanner, c.words, kOptionString);
        if (letter == kEndOfOptions) return seen + "E";
        seen += static_cast<char>(letter);
        if (letter == 'j' || letter == 'l') seen += std::string("=") + scanner.optionValue + " ";
    }
    return seen;
}

TEST(OptionScanner, FollowsTheLettersValuesAndWordsOfTheCommandLine) {
    const std::vector<ScanCase> cases = {
        {{}, "E", 1},
        {{"k"}, "E", 1},
        {{"k", "-vn", "in"}, "vnE", 2},
        {{"k", "-j5", "in"}, "j=5 E", 2},
        {{"k", "-j", "5", "in"}, "j=5 E", 3},
        {{"k", "-vj5", "in"}, "vj=5 E", 2},
        {{"k", "-jv", "in"}, "j=v E", 2},
        {{"k", "-j", "-v", "in"}, "j=-v E", 3},
        {{"k", "-l", "20", "-v", "in"}, "l=20 vE", 4},
        {{"k", "--", "in"}, "?E", 2},
        {{"k", "-x", "-h", "-m"}, "?hmE", 4},
        {{"k", "-:"}, "?E", 2},
        {{"k", "-", "-v"}, "E", 1},
        {{"k", "in", "-v"}, "E", 1},
        {{"k", "-j"}, ":E", 2},
        {{"k", "-vl"}, "v:E", 2},
    };
    for (const ScanCase& c : cases) {
        OptionScanner scanner;
        EXPECT_EQ(scanAll(c, scanner), c.expected) << "words: " << c.words.size();
        EXPECT_EQ(scanner.optionIndex, c.indexAfter) << c.expected;
    }
}

struct LineCase {
    std::vector<const char*> words;
    CommandLine expected;
};

TEST(CommandLine, OptionsSetTheirSettingsAndTheLaterOneWins) {
    const auto line = [](auto change) {
        CommandLine l;
        l.inputName = "in";
        l.videoName = "v";
        l.audioName = "a";
        change(l);
        return l;
    };
    const std::vector<LineCase> cases = {
        {{"k", "in", "v", "a", "extra"}, line([](CommandLine&) {})},
        {{"k", "-vn", "in", "v", "a"},
         line([](CommandLine& l) { l.verboseLevel = 1, l.noOutput = 1; })},
        {{"k", "-v", "-V", "in", "v", "a"}, line([](CommandLine& l) { l.verboseLevel = 2; })},
        {{"k", "-V", "-v", "in", "v", "a"}, line([](CommandLine& l) { l.verboseLevel = 1; })},
        {{"k", "-s", "in", "v", "a"},
         line([](CommandLine& l) { l.saMode = 1, l.audioPesHeaderLength = 16, l.jumpChunks = 1; })},
        {{"k", "-s", "-j", "5", "in", "v", "a"},
         line([](CommandLine& l) { l.saMode = 1, l.audioPesHeaderLength = 16, l.jumpChunks = 5; })},
        {{"k", "-j5", "-s", "in", "v", "a"},
         line([](CommandLine& l) { l.saMode = 1, l.audioPesHeaderLength = 16, l.jumpChunks = 1; })},
        {{"k", "-jv", "-l", " -12", "in", "v", "a"},
         line([](CommandLine& l) { l.jumpChunks = 0, l.chunkLimit = -12; })},
        {{"k", "in", "-v", "a"}, line([](CommandLine& l) { l.videoName = "-v"; })},
    };
    for (const LineCase& c : cases) {
        const std::optional<CommandLine> got = readCommandLine(c.words);
        ASSERT_TRUE(got.has_value()) << c.words[1];
        EXPECT_EQ(got->verboseLevel, c.expected.verboseLevel) << c.words[1];
        EXPECT_EQ(got->saMode, c.expected.saMode) << c.words[1];
        EXPECT_EQ(got->audioPesHeaderLength, c.expected.audioPesHeaderLength) << c.words[1];
        EXPECT_EQ(got->noOutput, c.expected.noOutput) << c.words[1];
        EXPECT_EQ(got->jumpChunks, c.expected.jumpChunks) << c.words[1];
        EXPECT_EQ(got->chunkLimit, c.expected.chunkLimit) << c.words[1];
        EXPECT_STREQ(got->inputName, c.expected.inputName) << c.words[1];
        EXPECT_STREQ(got->videoName, c.expected.videoName) << c.words[1];
        EXPECT_STREQ(got->audioName, c.expected.audioName) << c.words[1];
    }
}

TEST(CommandLine, AsksForTheUsageTextWhenHelpIsWantedOrSomethingIsMissing) {
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"k"},
        {"k", "in", "v"},
        {"k", "-h", "in", "v", "a"},
        {"k", "-m", "in", "v", "a"},
        {"k", "-x", "in", "v", "a"},
        {"k", "--", "in", "v", "a"},
        {"k", "-vh", "in", "v", "a"},
        {"k", "-j", "2", "in", "v"},
        {"k", "-j"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_FALSE(readCommandLine(cases[i]).has_value()) << "case " << i;
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
        {"-", 0},
        {"- 5", 0},
        {" \t\n\v\f\r+7", 7},
        {"  -12abc", -12},
        {"0020", 20},
        {"2147483647", 2147483647},
        {"2147483648", -2147483647 - 1},
        {"-2147483649", 2147483647},
        {"4294967296", 0},
        {"4294967301", 5},
        {"9223372036854775807", -1},
        {"9223372036854775808", -1},  // clamps to the largest 64-bit value
        {"99999999999999999999999", -1},
        {"-9223372036854775808", 0},
        {"-99999999999999999999999", 0},  // clamps to the smallest 64-bit value
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(decimalValue(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace kestrel
