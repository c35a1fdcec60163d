// Every way a run ends, with its console text and exit code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/kestrel_runner.h"
#include "driver/options.h"
#include "support/captured_console.h"
#include "support/clean_chunks.h"

namespace kestrel::test {
namespace {

class RunEndings : public KestrelRun {
  protected:
    void SetUp() override { writeFile(recording, cleanRecording(10)); }
};

TEST_F(RunEndings, UsageTextEndsTheRunWithExitCode1) {
    CapturedConsole usage;
    printUsage(usage.console());
    const std::vector<std::vector<std::string>> cases = {
        {},         {"-h"}, {"-m", "a", "b", "c"}, {"-x", "a", "b", "c"}, {"--", "a", "b", "c"},
        {"a", "b"}, {"-j"}, {"-v", "-l"},
    };
    for (const auto& words : cases) {
        const RunResult result = runKestrel(words);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.console, usage.text());
    }
}

TEST_F(RunEndings, FilesThatCannotBeUsedAreReportedAndNothingIsDestroyed) {
    const std::string missing = file("missing.ty");
    const std::string nowhere = file("no/such/dir");
    const std::string link = file("link.ty");
    std::filesystem::create_hard_link(recording, link);
    writeFile(video, {1, 2, 3});
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{missing, video, audio}, "errno = 2\nCannot open the input file: " + missing},
        {{dir_.string(), audio, file("other")}, "Cannot read the input file: " + dir_.string()},
        {{recording, nowhere, audio}, "Cannot open the Video output file: " + nowhere},
        {{recording, audio, nowhere}, "Cannot open the Audio output file: " + nowhere},
        {{recording, recording, audio},
         "Refusing to overwrite the input file with the Video output: " + recording},
        {{recording, video, link},
         "Refusing to overwrite the input file with the Audio output: " + link},
        {{recording, video, video}, "The Video and Audio output files are the same file: " + video},
    };
    for (const auto& [words, message] : cases) {
        const RunResult result = runKestrel(words);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.console, processingLine(words[0]) + message + "\n");
    }
    EXPECT_EQ(readFile(recording), cleanRecording(10));
    EXPECT_EQ(readFile(video), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_EQ(runKestrel({recording, "/dev/null", "/dev/null"}).exitCode, 0);
}

TEST_F(RunEndings, StandardInputThatCannotBeDuplicatedIsReportedAsStdin) {
    const int saved = ::dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    const RunResult result = run({}, "-");
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.console,
              processingLine("-") + "errno = 9\nCannot open the input file: stdin\n");
}

TEST_F(RunEndings, FewerThanTenGoodChunksEndWithSorryAndEmptyOutputs) {
    std::vector<std::uint8_t> bytes = cleanRecording(9);
    bytes.resize(bytes.size() + 3 * kChunkSize);  // three bad (all-zero) chunks
    writeFile(recording, bytes);
    const RunResult result = run({}, recording);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.console,
              processingLine(recording) +
                  "Sorry... Failed to get the first 10 initial chunks...\n"
                  "Have to have at least that many to start the analysis phase...\n");
    EXPECT_TRUE(readFile(video).empty());
    EXPECT_TRUE(std::filesystem::exists(audio));
    EXPECT_TRUE(readFile(audio).empty());
}

TEST_F(RunEndings, CompleteRunSkipsBadStartupChunksAndEndsWithTheReport) {
    std::vector<std::uint8_t> bytes = cleanRecording(2);
    bytes.resize(bytes.size() + kChunkSize);
    const std::vector<std::uint8_t> rest = cleanRecording(8, 2);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    writeFile(recording, bytes);
    const RunResult result = run({"-v"}, recording);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(countOf(result.console,
                      "Startup: Found a bad chunk in the first Analysis-10. "
                      "Skipping until there are 10 good ones.\n"),
              1);
    EXPECT_EQ(countOf(result.console, "Read the first 10 chunk's for analysis...\n"), 1);
    const auto report = result.console.rfind(".\n\nA/V Sync Offset: ");
    ASSERT_NE(report, std::string::npos);
    EXPECT_EQ(result.console.find('\n', report + 3), result.console.size() - 1);
    const std::vector<std::uint8_t> written = readFile(video);
    ASSERT_GE(written.size(), 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.begin() + 4),
              std::vector<std::uint8_t>({0x00, 0x00, 0x01, 0xB3}));
}

TEST_F(RunEndings, FullDiskIsAFailureWhetherItShowsMidwayOrAtTheEnd) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // Little video stays in the output buffer until the final flush; 120000
    // bytes a chunk overflow it during the start-up chunks.
    for (const std::uint32_t videoDataSize : {100u, 120000u}) {
        writeFile(recording, cleanRecording(12, 0, {.videoDataSize = videoDataSize}));
        const RunResult result = runKestrel({"-v", recording, "/dev/full", audio});
        const std::string failure = "Cannot write the Video output file: /dev/full\n";
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(countOf(result.console, failure), 1);
        EXPECT_EQ(countOf(result.console, "A/V Sync Offset"), 0);
        const bool atTheEnd = videoDataSize == 100;
        EXPECT_EQ(countOf(result.console, "??? Parsing chunk #   11...\n"), atTheEnd ? 1 : 0);
    }
}

}  // namespace
}  // namespace kestrel::test
