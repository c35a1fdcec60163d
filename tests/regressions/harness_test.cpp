// The fuzz inputs' end-of-chunk marker: what a short input expands to, and
// that such an input gets a whole run past start-up into the pump (otherwise
// fuzzing would silently stay shallow).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/run.h"
#include "harness.h"

namespace kestrel::fuzzing {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(FuzzInputExpansion, BodyWithoutMarkerIsTheRecordingItself) {
    const std::vector<std::uint8_t> body = bytesOf(std::string("\x01\x00<pa", 5));
    EXPECT_EQ(expandRecording(body), body);
}

TEST(FuzzInputExpansion, MarkerEndsTheChunkWithZeros) {
    const std::vector<std::uint8_t> recording = expandRecording(bytesOf("ab<pad>c<pad>d"));
    ASSERT_EQ(recording.size(), 2 * kChunkSize + 1);
    EXPECT_EQ(recording[0], 'a');
    EXPECT_EQ(recording[1], 'b');
    EXPECT_EQ(recording[2], 0);
    EXPECT_EQ(recording[kChunkSize - 1], 0);
    EXPECT_EQ(recording[kChunkSize], 'c');
    EXPECT_EQ(recording[2 * kChunkSize], 'd');
}

TEST(FuzzInputExpansion, MarkerAtAChunkBoundaryAddsNothing) {
    const std::string chunk(kChunkSize, 'x');
    EXPECT_EQ(expandRecording(bytesOf(chunk + "<pad>" + chunk)).size(), 2 * kChunkSize);
    EXPECT_TRUE(expandRecording(bytesOf("<pad><pad>")).empty());
}

TEST(FuzzInputExpansion, RecordingIsCutAtTheChunkCap) {
    std::string body;
    for (std::size_t i = 0; i < kMaxChunks + 5; ++i)
        body += "x<pad>";
    EXPECT_EQ(expandRecording(bytesOf(body)).size(), kMaxChunks * kChunkSize);
}

TEST(FuzzWholeRun, ShortInputOfTwelveChunksReachesThePump) {
    // Byte 0: -v. Each chunk: one header-only record of type 3.
    std::string input = "\x01";
    for (int i = 0; i < 12; ++i)
        input += std::string("\x01\x00\x00\x00\x80\x00\x00\x03", 8) + "<pad>";
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* console = open_memstream(&text, &size);
    const int code = runWholeInput(bytesOf(input), console);
    std::fclose(console);
    const std::string printed(text, size);
    std::free(text);
    EXPECT_EQ(code, kExitSuccess);
    EXPECT_NE(printed.find("??? Parsing chunk #   11...\n"), std::string::npos) << printed;
}

}  // namespace
}  // namespace kestrel::fuzzing
