// How a run moves through its input: jumps (also on a pipe), the pump's
// progress marks, the chunk limit, partial chunks and -n.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "driver/kestrel_runner.h"
#include "support/clean_chunks.h"

namespace kestrel::test {
namespace {

/// Makes standard input the read end of a pipe that a thread fills with
/// `bytes`, for as long as the object lives.
class StdinFromPipe {
  public:
    explicit StdinFromPipe(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
        ::signal(SIGPIPE, SIG_IGN);  // a reader that stops early must not kill the test
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        writer_ = std::thread([this, fd = ends[1]] {
            for (std::size_t at = 0; at < bytes_.size();) {
                const ssize_t n = ::write(fd, bytes_.data() + at, bytes_.size() - at);
                if (n <= 0) break;
                at += static_cast<std::size_t>(n);
            }
            ::close(fd);
        });
    }
    ~StdinFromPipe() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
        writer_.join();
    }

  private:
    int saved_ = ::dup(STDIN_FILENO);
    std::vector<std::uint8_t> bytes_;
    std::thread writer_;
};

class RunInput : public ::testing::Test {
  protected:
    /// Runs with the given options on `input` and returns the result with the
    /// console text from the line after the "Processing" line on.
    RunResult run(std::initializer_list<std::string> options, const std::string& input) {
        std::vector<std::string> words(options);
        words.insert(words.end(), {input, video, audio});
        RunResult result = runKestrel(words);
        result.console.erase(0, result.console.find('\n') + 1);
        return result;
    }

    TempDir dir;
    const std::string recording = dir.file("rec.ty");
    const std::string video = dir.file("out.m2v");
    const std::string audio = dir.file("out.mp2");
};

TEST_F(RunInput, JumpSkipsWholeChunksOfAFile) {
    writeFile(recording, cleanRecording(10, 2));
    const RunResult plain = run({}, recording);
    const std::vector<std::uint8_t> plainVideo = readFile(video);

    writeFile(recording, cleanRecording(12));
    const RunResult jumped = run({"-j", "2"}, recording);
    EXPECT_EQ(jumped.exitCode, 0);
    EXPECT_EQ(jumped.console, "Jumping 2 chunks into input (262144 total bytes)\n" + plain.console);
    EXPECT_EQ(readFile(video), plainVideo);
    EXPECT_FALSE(plainVideo.empty());
}

TEST_F(RunInput, JumpOnAPipeSkipsByReading) {
    writeFile(recording, cleanRecording(13));
    const RunResult fromFile = run({"-j2"}, recording);
    const std::vector<std::uint8_t> fileVideo = readFile(video);
    const std::vector<std::uint8_t> fileAudio = readFile(audio);

    RunResult fromPipe;
    {
        StdinFromPipe stdinPipe(cleanRecording(13));
        fromPipe = run({"-j2"}, "-");
    }
    EXPECT_EQ(fromPipe.exitCode, 0);
    EXPECT_EQ(fromPipe.console, fromFile.console);
    EXPECT_EQ(readFile(video), fileVideo);
    EXPECT_EQ(readFile(audio), fileAudio);
}

TEST_F(RunInput, NegativeJumpStartsAtTheBeginning) {
    writeFile(recording, cleanRecording(10));
    const RunResult plain = run({}, recording);
    const RunResult jumped = run({"-j", "-1"}, recording);
    EXPECT_EQ(jumped.console,
              "Jumping -1 chunks into input (-131072 total bytes)\n" + plain.console);
}

TEST_F(RunInput, JumpOffsetsBeyond2GiBAreShownWhole) {
    writeFile(recording, cleanRecording(10));
    const RunResult jumped = run({"-j", "20000"}, recording);
    EXPECT_EQ(jumped.exitCode, 1);
    EXPECT_EQ(jumped.console.rfind("Jumping 20000 chunks into input (2621440000 total bytes)\n"
                                   "Sorry... ",
                                   0),
              0u);
}

TEST_F(RunInput, StandaloneModeSkipsTheFirstChunk) {
    writeFile(recording, cleanRecording(10));
    const RunResult jumped = run({"-s"}, recording);
    EXPECT_EQ(jumped.console.rfind("Jumping 1 chunks into input (131072 total bytes)\n", 0), 0u);
}

TEST_F(RunInput, ProgressMarksCountEveryChunkOfThePump) {
    // Ten good chunks, then all-zero (bad) chunks up to chunk number 500.
    writeFile(recording, cleanRecording(10));
    std::filesystem::resize_file(recording, 500 * kChunkSize);
    const RunResult result = run({}, recording);
    EXPECT_EQ(result.exitCode, 0);
    const std::string hundred = ".........";
    const std::string marks = "." + hundred.substr(1) + "  100" + hundred + "  200" + hundred +
                              "  300" + hundred + "  400" + hundred + "  500\n";
    const auto at = result.console.rfind(marks + "\n\nA/V Sync Offset: ");
    ASSERT_NE(at, std::string::npos) << result.console;
    EXPECT_EQ(result.console.find('\n', at + marks.size() + 2), result.console.size() - 1);
}

TEST_F(RunInput, PartialLastChunkIsReportedAndCounted) {
    std::vector<std::uint8_t> bytes = cleanRecording(10);
    bytes.resize(bytes.size() + 9 * kChunkSize + 1000);
    writeFile(recording, bytes);
    const RunResult result = run({}, recording);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.console.find(".\nWarning: the input ends with a partial chunk of 1000 bytes; "
                                  "it was not parsed.\n.\n\nA/V Sync Offset: "),
              std::string::npos)
        << result.console;
}

TEST_F(RunInput, ChunkLimitCountsTheStartupChunksAndStopsOnEquality) {
    writeFile(recording, cleanRecording(13));
    const std::vector<std::pair<std::string, int>> cases = {
        {"11", 1}, {"12", 2}, {"13", 3}, {"10", 3}, {"5", 3}, {"-1", 3}, {"0", 3},
    };
    for (const auto& [limit, parsed] : cases) {
        const RunResult result = run({"-v", "-l", limit}, recording);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(countOf(result.console, "??? Parsing chunk #"), parsed) << "-l " << limit;
        EXPECT_EQ(countOf(result.console, "??? Parsing chunk #   10...\n"), 1) << "-l " << limit;
    }
}

TEST_F(RunInput, EndOfDataRecordEndsTheRecordingAlsoAmongTheStartupChunks) {
    struct Case {
        std::uint32_t endOfDataChunk;
        std::size_t chunksWritten;
        int pumpChunksParsed;
    };
    const std::vector<Case> cases = {{3, 4, 0}, {9, 10, 0}, {11, 12, 2}, {0xFFFFFFFF, 14, 4}};
    for (const Case& c : cases) {
        const CleanRecording shape{.endOfDataChunk = c.endOfDataChunk};
        writeFile(recording, cleanRecording(14, 0, shape));
        const RunResult result = run({"-v"}, recording);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(readFile(video).size(),
                  c.chunksWritten * (CleanRecording::kSequenceHeaderSize + shape.videoDataSize))
            << "end of data in chunk " << c.endOfDataChunk;
        EXPECT_EQ(countOf(result.console, "??? Parsing chunk #"), c.pumpChunksParsed)
            << "end of data in chunk " << c.endOfDataChunk;
    }
}

TEST_F(RunInput, NoOutputCreatesMissingOutputsButEmptiesNothing) {
    writeFile(recording, cleanRecording(10));
    writeFile(video, {7, 7, 7});
    const RunResult result = run({"-n"}, recording);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(readFile(video), std::vector<std::uint8_t>({7, 7, 7}));
    EXPECT_TRUE(std::filesystem::exists(audio));
    EXPECT_TRUE(readFile(audio).empty());
}

}  // namespace
}  // namespace kestrel::test
