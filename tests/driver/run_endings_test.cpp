// Every way a run ends early, with its console text and exit code.
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

std::string usageText() {
    CapturedConsole captured;
    printUsage(captured.console());
    return captured.text();
}

std::string processing(const std::string& input) {
    return "Processing '" + input + "': (10 chunks per tick)\n";
}

class RunEndings : public ::testing::Test {
  protected:
    void SetUp() override { writeFile(recording, cleanRecording(10)); }

    TempDir dir;
    const std::string recording = dir.file("rec.ty");
    const std::string video = dir.file("out.m2v");
    const std::string audio = dir.file("out.mp2");
};

TEST_F(RunEndings, UsageTextEndsTheRunWithExitCode1) {
    const std::vector<std::vector<std::string>> cases = {
        {},         {"-h"}, {"-m", "a", "b", "c"}, {"-x", "a", "b", "c"}, {"--", "a", "b", "c"},
        {"a", "b"}, {"-j"}, {"-v", "-l"},
    };
    for (const auto& words : cases) {
        const RunResult run = runKestrel(words);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.console, usageText());
    }
}

TEST_F(RunEndings, MissingInputIsReportedWithItsErrno) {
    const std::string missing = dir.file("missing.ty");
    const RunResult run = runKestrel({missing, video, audio});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console,
              processing(missing) + "errno = 2\nCannot open the input file: " + missing + "\n");
    EXPECT_FALSE(std::filesystem::exists(video));
}

TEST_F(RunEndings, StandardInputThatCannotBeDuplicatedIsReportedAsStdin) {
    const int saved = ::dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    const RunResult run = runKestrel({"-", video, audio});
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console, processing("-") + "errno = 9\nCannot open the input file: stdin\n");
}

TEST_F(RunEndings, OutputsThatCannotBeOpenedAreReportedByKind) {
    const std::string nowhere = dir.file("no/such/dir");
    RunResult run = runKestrel({recording, nowhere, audio});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console,
              processing(recording) + "Cannot open the Video output file: " + nowhere + "\n");
    EXPECT_FALSE(std::filesystem::exists(audio));

    run = runKestrel({recording, video, nowhere});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console,
              processing(recording) + "Cannot open the Audio output file: " + nowhere + "\n");
}

TEST_F(RunEndings, InputThatCannotBeReadIsReported) {
    const std::string directory = dir.file("");
    const RunResult run = runKestrel({directory, video, audio});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console,
              processing(directory) + "Cannot read the input file: " + directory + "\n");
}

TEST_F(RunEndings, OutputsThatWouldDestroyTheInputOrEachOtherAreRefused) {
    const std::string link = dir.file("link.ty");
    std::filesystem::create_hard_link(recording, link);
    writeFile(video, {1, 2, 3});
    struct Case {
        std::string video;
        std::string audio;
        std::string message;
    };
    const std::vector<Case> cases = {
        {recording, audio,
         "Refusing to overwrite the input file with the Video output: " + recording},
        {video, link, "Refusing to overwrite the input file with the Audio output: " + link},
        {video, video, "The Video and Audio output files are the same file: " + video},
    };
    for (const Case& c : cases) {
        const RunResult run = runKestrel({recording, c.video, c.audio});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.console, processing(recording) + c.message + "\n");
    }
    EXPECT_EQ(readFile(recording), cleanRecording(10));
    EXPECT_EQ(readFile(video), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(audio));
}

TEST_F(RunEndings, CharacterDevicesMayBeNamedTwice) {
    EXPECT_EQ(runKestrel({recording, "/dev/null", "/dev/null"}).exitCode, 0);
}

TEST_F(RunEndings, FewerThanTenGoodChunksEndWithSorryAndEmptyOutputs) {
    std::vector<std::uint8_t> bytes = cleanRecording(9);
    bytes.resize(bytes.size() + 3 * kChunkSize);  // three bad (all-zero) chunks
    writeFile(recording, bytes);
    const RunResult run = runKestrel({recording, video, audio});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.console, processing(recording) +
                               "Sorry... Failed to get the first 10 initial chunks...\n"
                               "Have to have at least that many to start the analysis phase...\n");
    EXPECT_TRUE(readFile(video).empty());
    EXPECT_TRUE(std::filesystem::exists(audio));
    EXPECT_TRUE(readFile(audio).empty());
}

TEST_F(RunEndings, BadStartupChunksAreSkippedAndReportedAtVerbose) {
    std::vector<std::uint8_t> bytes = cleanRecording(2);
    bytes.resize(bytes.size() + kChunkSize);
    const std::vector<std::uint8_t> rest = cleanRecording(8, 2);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    writeFile(recording, bytes);
    const RunResult run = runKestrel({"-v", recording, video, audio});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(countOf(run.console,
                      "Startup: Found a bad chunk in the first Analysis-10. Skipping "
                      "until there are 10 good ones.\n"),
              1);
    EXPECT_EQ(countOf(run.console, "Read the first 10 chunk's for analysis...\n"), 1);
}

TEST_F(RunEndings, CleanRecordingEndsWithTheReportAndExitCode0) {
    const RunResult run = runKestrel({recording, video, audio});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.console.rfind(processing(recording), 0), 0u);
    const auto report = run.console.rfind(".\n\nA/V Sync Offset: ");
    ASSERT_NE(report, std::string::npos);
    EXPECT_EQ(run.console.find('\n', report + 3), run.console.size() - 1);
    const std::vector<std::uint8_t> written = readFile(video);
    ASSERT_GE(written.size(), 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.begin() + 4),
              std::vector<std::uint8_t>({0x00, 0x00, 0x01, 0xB3}));
}

TEST_F(RunEndings, FullDiskAtTheFinalFlushIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // Little enough video to stay in the output buffer until the end.
    writeFile(recording, cleanRecording(10, 0, {.videoDataSize = 100}));
    const RunResult run = runKestrel({recording, "/dev/full", audio});
    EXPECT_EQ(run.exitCode, 1);
    const std::string ending = ".\n\nCannot write the Video output file: /dev/full\n";
    ASSERT_GE(run.console.size(), ending.size());
    EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending);
    EXPECT_EQ(countOf(run.console, "A/V Sync Offset"), 0);
}

TEST_F(RunEndings, FullDiskWhileDemultiplexingStopsTheRun) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // Twelve chunks with 120000 video bytes each overflow the output buffer
    // during the start-up chunks.
    writeFile(recording, cleanRecording(12, 0, {.videoDataSize = 120000}));
    const RunResult run = runKestrel({"-v", recording, "/dev/full", audio});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(countOf(run.console, "Cannot write the Video output file: /dev/full\n"), 1);
    EXPECT_EQ(countOf(run.console, "??? Parsing chunk"), 0);
    EXPECT_EQ(countOf(run.console, "A/V Sync Offset"), 0);
}

}  // namespace
}  // namespace kestrel::test
