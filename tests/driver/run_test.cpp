// SPDX-License-Identifier: MIT
// Whole runs in-process: how far each input and command line gets, with the
// console text, the exit code and the outputs; and the final report's line.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "driver/final_report.h"
#include "support/captured_console.h"
#include "support/clean_chunks.h"

namespace kestrel::test {
namespace {

/// What one in-process run of kestrel, with the given words after the
/// program's name, left behind.
struct RunResult {
    int exitCode = -1;
    std::string console;
};
RunResult runKestrel(const std::vector<std::string>& words) {
    std::vector<const char*> args = {"kestrel"};
    for (const std::string& word : words)
        args.push_back(word.c_str());
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* console = open_memstream(&buffer, &size);
    RunResult result{kestrelMain(args, console)};
    std::fclose(console);
    result.console.assign(buffer, size);
    std::free(buffer);
    return result;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

/// Whether `part` occurs in `text` exactly once.
bool once(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos && text.find(part) == text.rfind(part);
}

/// Runs in a fresh directory of its own, removed afterwards.
class KestrelRun : public ::testing::Test {
  protected:
    ~KestrelRun() override { std::filesystem::remove_all(dir_); }

    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    const std::filesystem::path dir_ = [] {  // first: the paths below are inside it
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-XXXXXX").string();
        return std::filesystem::path(mkdtemp(pattern.data()));
    }();
    const std::string recording = file("rec.ty");
    const std::string video = file("out.m2v");
    const std::string audio = file("out.mp2");
};

const std::string kUsage =
    "kestrel [options] <infile> <videofile> <audiofile>\n"
    "Version: tobrin 2.01 Alpha #13c\n"
    "options:\n"
    "    -v  verbose\n"
    "    -V  Very verbose (DTivo additions)\n"
    "    -s  Run in SA comaptible mode. Skip 0x10 sized audio records.\n"
    "    -j# Jump # number of chunks into the file before processing. (Quicker checks of "
    "fixes...)\n"
    "    -l# Process # number of total chunks (once processing starts).\n"
    "    -n  No output. Process as normal but don't save anything to disk.\n"
    "    -R  Never resync: skip every out-of-sequence chunk.\n"
    "    -c  Clean cuts: whole pictures only, audio kept in sync with the video.\n"
    "    -h  help\n";

std::string processing(const std::string& input) {
    return "Processing '" + input + "': (10 chunks per tick)\n";
}

TEST_F(KestrelRun, FailuresPrintTheirMessageEndWithExitCode1AndDestroyNothing) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {}, {"-h"}, {"-m", "a", "b", "c"}, {"--", "a", "b", "c"}, {"a", "b"}, {"-v", "-l"}}) {
        const RunResult result = runKestrel(words);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.console, kUsage);
    }
    writeFile(recording, cleanRecording(10));
    writeFile(video, {1, 2, 3});
    const std::string missing = file("missing.ty");
    const std::string fresh = file("fresh.m2v");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{missing, video, audio}, "errno = 2\nCannot open the input file: " + missing},
        {{recording, video, video}, "The Video and Audio output files are the same file: " + video},
        {{recording, fresh, fresh}, "The Video and Audio output files are the same file: " + fresh},
    };
    for (const auto& [words, message] : cases) {
        const RunResult result = runKestrel(words);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.console, processing(words[0]) + message + "\n");
    }
    EXPECT_EQ(readFile(recording), cleanRecording(10));
    EXPECT_EQ(readFile(video), std::vector<std::uint8_t>({1, 2, 3}));
    EXPECT_EQ(runKestrel({recording, "/dev/null", "/dev/null"}).exitCode, 0);
}

// Pipes, partial chunks, -l 11, long jumps and full disks are run on the real
// binary by the fault tests, progress marks by the end-to-end tests; these are
// the cases they leave out.
TEST_F(KestrelRun, InputAndOptionsDecideHowFarTheRunGetsAndWhatIsWritten) {
    const std::string skipped =
        "Startup: Found a bad chunk in the first Analysis-10. Skipping until there are 10 good "
        "ones.\n";
    const std::string sorry =
        "Sorry... Failed to get the first 10 initial chunks...\n"
        "Have to have at least that many to start the analysis phase...\n";
    struct Case {
        std::vector<std::string> words;  // the options; the file names follow
        std::uint32_t chunks;            // clean chunks, then zeros up to fileSize
        CleanRecording shape;
        std::uint64_t fileSize;
        int exitCode;
        std::string text;           // printed exactly once, if given
        std::size_t chunksWritten;  // chunks whose 20 + videoDataSize video bytes are written
    };
    const std::vector<Case> cases = {
        {{}, 9, {}, 12 * kChunkSize, 1, processing(recording) + sorry, 0},
        {{"-v"}, 11, {.badChunk = 2}, 0, 0, skipped, 10},
        {{"-l", "10"}, 13, {}, 0, 0, "", 13},
        {{}, 14, {.endOfDataChunk = 3}, 0, 0, "", 4},
        {{}, 14, {.endOfDataChunk = 3, .endOfDataByte9 = 1}, 0, 0, "", 14},
        {{"-j2"}, 12, {}, 0, 0, "Jumping 2 chunks into input (262144 total bytes)\n", 10},
        {{"-j", "-1"}, 10, {}, 0, 0, "Jumping -1 chunks into input (-131072 total bytes)\n", 10},
        {{"-s"}, 10, {}, 0, 1, "Jumping 1 chunks into input (131072 total bytes)\n" + sorry, 0},
    };
    for (const Case& c : cases) {
        writeFile(recording, cleanRecording(c.chunks, c.shape));
        if (c.fileSize != 0) std::filesystem::resize_file(recording, c.fileSize);
        std::vector<std::string> words = c.words;
        words.insert(words.end(), {recording, video, audio});
        const RunResult result = runKestrel(words);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.console;
        EXPECT_TRUE(c.text.empty() || once(result.console, c.text)) << result.console;
        EXPECT_EQ(readFile(video).size(), c.chunksWritten * (20 + c.shape.videoDataSize))
            << result.console;
    }
}

// A whole run at -V on eleven clean chunks: the start-up analysis, then every
// stage of every chunk, word for word. With KESTREL_UPDATE_GOLDEN=1 the
// console text is written to the golden file instead (tests/e2e/update-golden.sh).
TEST_F(KestrelRun, VeryVerboseRunPrintsItsGolden) {
    writeFile(recording, cleanRecording(11));
    std::string text = runKestrel({"-V", recording, video, audio}).console;
    text.replace(text.find(recording), recording.size(), "rec.ty");
    const std::string golden = KESTREL_GOLDEN_DIR "/clean-run.V.txt";
    if (std::getenv("KESTREL_UPDATE_GOLDEN") != nullptr)
        writeFile(golden, std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::vector<std::uint8_t> expected = readFile(golden);
    EXPECT_EQ(std::string(expected.begin(), expected.end()), text);
}

TEST(AvSyncOffset, VideoAfterAudioPlaysEarlyAndEverythingElseLate) {
    const std::vector<std::tuple<PtsTicks, PtsTicks, const char*>> cases = {
        {900000, 810000, "1000ms (i.e. plays 1000ms early!)\n"},
        {900089, 900000, "0ms (i.e. plays 0ms early!)\n"},
        {kNoPts, 9000, "47721758ms (i.e. plays 47721758ms early!)\n"},
        {kNoPts, kNoPts, "-0ms (i.e. plays 0ms late!)\n"},
        {0x80000000, 0, "23860929ms (i.e. plays 23860929ms early!)\n"},
        {0, 0x80000000, "-23860929ms (i.e. plays 23860929ms late!)\n"},
        {0, 0x80000001, "-23860929ms (i.e. plays 23860929ms late!)\n"},
    };
    for (const auto& [video, audio, offset] : cases) {
        CapturedConsole captured;
        printAvSyncOffset(captured.console(), video, audio);
        EXPECT_EQ(captured.text(), std::string("A/V Sync Offset: ") + offset)
            << video << " " << audio;
    }
}

}  // namespace
}  // namespace kestrel::test
