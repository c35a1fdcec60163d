// How a run moves through its input: jumps (also on a pipe), the pump's
// progress marks, the chunk limit, partial chunks, the end-of-data record, -n.
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
    explicit StdinFromPipe(const std::vector<std::uint8_t>& bytes) {
        ::signal(SIGPIPE, SIG_IGN);  // a reader that stops early must not end the test
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        writer_ = std::thread([&bytes, fd = ends[1]] {
            for (std::size_t at = 0; at < bytes.size();) {
                const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
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
    std::thread writer_;
};

std::string afterFirstLine(const RunResult& result) {
    return result.console.substr(result.console.find('\n') + 1);
}

using RunInput = KestrelRun;

TEST_F(RunInput, JumpSkipsWholeChunksOfAFileAndOfAPipe) {
    writeFile(recording, cleanRecording(10, 2));
    const RunResult plain = run({}, recording);
    const std::vector<std::uint8_t> plainVideo = readFile(video);
    const std::vector<std::uint8_t> plainAudio = readFile(audio);
    EXPECT_FALSE(plainVideo.empty());

    const std::vector<std::uint8_t> twelve = cleanRecording(12);
    writeFile(recording, twelve);
    const RunResult fromFile = run({"-j", "2"}, recording);
    EXPECT_EQ(afterFirstLine(fromFile),
              "Jumping 2 chunks into input (262144 total bytes)\n" + afterFirstLine(plain));
    EXPECT_EQ(readFile(video), plainVideo);

    RunResult fromPipe;
    {
        StdinFromPipe pipe(twelve);
        fromPipe = run({"-j2"}, "-");
    }
    EXPECT_EQ(fromPipe.exitCode, 0);
    EXPECT_EQ(afterFirstLine(fromPipe), afterFirstLine(fromFile));
    EXPECT_EQ(readFile(video), plainVideo);
    EXPECT_EQ(readFile(audio), plainAudio);
}

TEST_F(RunInput, JumpLineShowsTheWholeOffsetAndNegativeJumpsStartAtTheBeginning) {
    writeFile(recording, cleanRecording(10));
    struct Case {
        std::vector<std::string> options;
        std::string start;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {{"-j", "-1"}, "Jumping -1 chunks into input (-131072 total bytes)\n", 0},
        {{"-s"}, "Jumping 1 chunks into input (131072 total bytes)\nSorry", 1},
        {{"-j", "20000"}, "Jumping 20000 chunks into input (2621440000 total bytes)\nSorry", 1},
    };
    for (const Case& c : cases) {
        const RunResult result = run(c.options, recording);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.start;
        EXPECT_EQ(afterFirstLine(result).rfind(c.start, 0), 0u) << result.console;
    }
}

TEST_F(RunInput, ProgressMarksCountEveryChunkOfThePump) {
    // Ten good chunks, then all-zero (bad) chunks up to chunk number 500.
    writeFile(recording, cleanRecording(10));
    std::filesystem::resize_file(recording, 500 * kChunkSize);
    const RunResult result = run({}, recording);
    EXPECT_EQ(result.exitCode, 0);
    const std::string dots = ".........";
    const std::string marks = dots + "  100" + dots + "  200" + dots + "  300" + dots + "  400" +
                              dots + "  500\n\n\nA/V Sync Offset: ";
    const auto at = result.console.rfind(marks);
    ASSERT_NE(at, std::string::npos) << result.console;
    EXPECT_EQ(result.console.find('\n', at + marks.size()), result.console.size() - 1);
}

TEST_F(RunInput, PartialLastChunkIsReportedAndCounted) {
    std::vector<std::uint8_t> bytes = cleanRecording(10);
    bytes.resize(bytes.size() + 9 * kChunkSize + 1000);
    writeFile(recording, bytes);
    const RunResult result = run({}, recording);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(countOf(result.console,
                      ".\nWarning: the input ends with a partial chunk of 1000 "
                      "bytes; it was not parsed.\n.\n\nA/V Sync Offset: "),
              1)
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
