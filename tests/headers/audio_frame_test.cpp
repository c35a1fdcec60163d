#include "headers/audio_frame.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/flush_probe.h"
#include "support/test_decoder.h"

namespace kestrel {
namespace {

using ByteVector = std::vector<std::uint8_t>;
using test::TestDecoder;

const ByteVector kMpegPacket = {0, 0, 1, 0xC0};
const ByteVector kDolbyPacket = {0, 0, 1, 0xBD};
const ByteVector kMpegSync = {0xFF, 0xFD};
const ByteVector kMpegCrcSync = {0xFF, 0xFC};
const ByteVector kDolbySync = {0x0B, 0x77};

struct SearchCase {
    const char* what;
    std::int32_t audioType;
    std::int32_t headerLength;                           // audioPesHeaderLength
    std::size_t size;                                    // bytes in the view
    std::int32_t len;                                    // length passed in
    std::vector<std::pair<std::size_t, ByteVector>> at;  // patterns and their offsets
    std::int32_t result, pesOffset, syncOffset;
};

constexpr std::int32_t kUntouched = -7;

TEST(FindAudioFrame, ScansWithinTheirExactBounds) {
    const SearchCase cases[] = {
        {"layer2 packet", 0, 11, 32, 32, {{0, kMpegPacket}, {11, kMpegSync}}, 2, 0, 11},
        {"standalone distance",
         0,
         16,
         32,
         32,
         {{0, kMpegPacket}, {11, kMpegSync}},
         0,
         kUntouched,
         kUntouched},
        {"standalone packet", 0, 16, 32, 32, {{0, kMpegPacket}, {16, kMpegCrcSync}}, 2, 0, 16},
        {"lone layer2 syncs",
         0,
         11,
         32,
         32,
         {{5, kMpegSync}, {30, kMpegSync}},
         0,
         kUntouched,
         kUntouched},
        {"layer2 sync in last bytes",
         0,
         11,
         32,
         32,
         {{19, kMpegPacket}, {30, kMpegSync}},
         2,
         19,
         30},
        {"layer2 sync cut by len",
         0,
         11,
         13,
         12,
         {{0, kMpegPacket}, {11, kMpegSync}},
         0,
         kUntouched,
         kUntouched},
        {"first good packet wins",
         0,
         11,
         64,
         64,
         {{0, kMpegPacket}, {20, kMpegPacket}, {31, kMpegSync}, {40, kMpegPacket}, {51, kMpegSync}},
         2,
         20,
         31},
        {"ac3 packet", 1, 11, 64, 64, {{3, kDolbyPacket}, {17, kDolbySync}}, 2, 3, 17},
        {"ac3 sync at end", 1, 11, 100, 100, {{98, kDolbySync}}, 1, kUntouched, 98},
        {"ac3 sync elsewhere", 1, 11, 100, 100, {{50, kDolbySync}}, 0, kUntouched, kUntouched},
        {"ac3 packet at len-16",
         1,
         11,
         100,
         100,
         {{84, kDolbyPacket}, {98, kDolbySync}},
         1,
         kUntouched,
         98},
        {"ac3 packet at len-17",
         1,
         11,
         100,
         100,
         {{83, kDolbyPacket}, {97, kDolbySync}},
         2,
         83,
         97},
        {"ac3 len 16", 1, 11, 16, 16, {{14, kDolbySync}}, 1, kUntouched, 14},
        {"ac3 len 15", 1, 11, 15, 15, {{13, kDolbySync}}, 0, kUntouched, kUntouched},
        {"ac3 len past view", 1, 11, 16, 1000, {{14, kDolbySync}}, 1, kUntouched, 14},
        {"ac3 empty", 1, 11, 0, 0, {}, 0, kUntouched, kUntouched},
        {"ac3 negative len", 1, 11, 16, -5, {{14, kDolbySync}}, 0, kUntouched, kUntouched},
        {"unknown type",
         2,
         11,
         32,
         32,
         {{0, kMpegPacket}, {11, kMpegSync}},
         0,
         kUntouched,
         kUntouched},
    };
    for (const SearchCase& c : cases) {
        RunState run;
        run.audioType = c.audioType;
        run.audioPesHeaderLength = c.headerLength;
        ByteVector buffer(c.size, 0xEE);
        for (const auto& [offset, bytes] : c.at)
            std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(offset));
        std::int32_t pesOffset = kUntouched, syncOffset = kUntouched;
        EXPECT_EQ(findAudioFrame(run, buffer, c.len, pesOffset, syncOffset), c.result) << c.what;
        EXPECT_EQ(pesOffset, c.pesOffset) << c.what;
        EXPECT_EQ(syncOffset, c.syncOffset) << c.what;
    }
}

TEST(Layer2FrameLength, UsesTheLayer2TablesAndThePaddingBit) {
    struct Case {
        ByteVector header;
        std::int32_t expected;
    };
    const Case cases[] = {
        {{0xFF, 0xFD, 0xC4, 0x00}, 768},   // 256 kbit/s, 48 kHz
        {{0xFF, 0xFD, 0xC2, 0x00}, 836},   // 256 kbit/s, 44.1 kHz, padding
        {{0xFF, 0xFD, 0x84, 0x00}, 384},   // 128 kbit/s, 48 kHz
        {{0xFF, 0xFD, 0x18, 0x00}, 144},   // 32 kbit/s, 32 kHz
        {{0xFF, 0xFD, 0xE8, 0x00}, 1728},  // 384 kbit/s, 32 kHz
        {{0xFF, 0xFD, 0xCC, 0x00}, 0},     // frequency index 3
        {{0xFF, 0xFD, 0xCE, 0x00}, 0},     // frequency index 3 with padding
        {{0xFF, 0xFD, 0x06, 0x00}, 1},     // free format with padding
        {{0xFF, 0xFD, 0xF4, 0x00}, 0},     // bit-rate index 15
        {{0xFF, 0xFD, 0xF6, 0x00}, 1},     // bit-rate index 15 with padding
        {{0xFF, 0xF4, 0xC4, 0x00}, 768},   // other layer and version bits take no part
    };
    for (const Case& c : cases) {
        TestDecoder t;
        EXPECT_EQ(layer2FrameLength(t.decoder, c.header), c.expected) << int(c.header[2]);
    }
}

TEST(Layer2FrameLength, FlushesTheConsoleOnEveryCall) {
    test::FlushProbe probe;
    RunState run;
    Decoder decoder{probe.console(), run};
    for (const std::uint8_t third : {0xC4, 0xCC}) {  // a normal and a frequency-3 header
        probe.console().print("%d", third);
        ASSERT_EQ(probe.flushedText().find(std::to_string(third)), std::string::npos);
        layer2FrameLength(decoder, ByteVector{0xFF, 0xFD, third, 0x00});
        EXPECT_NE(probe.flushedText().find(std::to_string(third)), std::string::npos);
    }
}

TEST(Ac3FrameLength, ReadsTheTableByFrameSizeCodeAndSampleRate) {
    struct Case {
        std::uint8_t sampleRate, sizeCode;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {0, 0, 128},   {1, 0, 138},   {2, 0, 192},   {0, 1, 128},   {1, 1, 140},   {2, 1, 192},
        {0, 10, 320},  {1, 21, 836},  {2, 10, 480},  {0, 28, 1536}, {1, 29, 1672}, {2, 28, 2304},
        {0, 37, 2560}, {1, 37, 2788}, {2, 37, 3840}, {1, 36, 2786}, {0, 38, 0},    {1, 39, 0},
        {2, 38, 0},    {0, 40, 0},    {1, 63, 0},    {2, 40, 0},    {3, 28, 0},
    };
    for (const Case& c : cases) {
        TestDecoder t;
        const ByteVector header = {0x0B, 0x77, 0x12, 0x34,
                                   static_cast<std::uint8_t>(c.sampleRate << 6 | c.sizeCode)};
        EXPECT_EQ(ac3FrameLength(t.decoder, header), c.expected)
            << int(c.sampleRate) << " " << int(c.sizeCode);
    }
}

TEST(AudioFrameLength, DecodesTheRecordingsAudioType) {
    const ByteVector header = {0x0B, 0x77, 0x00, 0x00, 0x1C};
    const ByteVector mpeg = {0xFF, 0xFD, 0xC4, 0x00};
    TestDecoder t;
    EXPECT_EQ(audioFrameLength(t.decoder, mpeg), 768);
    t.run.audioType = kDolbyAudio;
    EXPECT_EQ(audioFrameLength(t.decoder, header), 1536);
    t.run.audioType = 2;
    EXPECT_EQ(audioFrameLength(t.decoder, header), 0);
}

}  // namespace
}  // namespace kestrel
