#include "headers/audio_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/flush_probe.h"
#include "support/hex_bytes.h"
#include "support/test_decoder.h"

namespace kestrel {
namespace {

using test::hex;
using test::TestDecoder;

constexpr std::int32_t kUntouched = -7;

TEST(FindAudioFrame, ScansWithinTheirExactBounds) {
    struct Case {
        std::int32_t audioType, headerLength;  // audioType, audioPesHeaderLength
        std::size_t size;                      // bytes in the view (0xEE filler)
        std::int32_t len;                      // length passed in
        std::vector<std::pair<std::size_t, const char*>> at;
        std::int32_t result, pesOffset, syncOffset;
    };
    const Case cases[] = {
        {0, 11, 32, 32, {{0, "000001C0"}, {11, "FFFD"}}, 2, 0, 11},
        {0, 16, 32, 32, {{0, "000001C0"}, {11, "FFFD"}}, 0, kUntouched, kUntouched},
        {0, 16, 32, 32, {{0, "000001C0"}, {16, "FFFC"}}, 2, 0, 16},
        {0, 11, 32, 32, {{5, "FFFD"}, {30, "FFFD"}}, 0, kUntouched, kUntouched},
        {0, 11, 32, 32, {{19, "000001C0"}, {30, "FFFD"}}, 2, 19, 30},
        {0, 11, 13, 12, {{0, "000001C0"}, {11, "FFFD"}}, 0, kUntouched, kUntouched},
        {0, 11, 64, 64, {{0, "000001C0"}, {20, "000001C0"}, {31, "FFFD"}, {51, "FFFD"}}, 2, 20, 31},
        {1, 11, 64, 64, {{3, "000001BD"}, {17, "0B77"}}, 2, 3, 17},
        {1, 11, 100, 100, {{98, "0B77"}}, 1, kUntouched, 98},
        {1, 11, 100, 100, {{50, "0B77"}}, 0, kUntouched, kUntouched},
        {1, 11, 100, 100, {{84, "000001BD"}, {98, "0B77"}}, 1, kUntouched, 98},
        {1, 11, 100, 100, {{83, "000001BD"}, {97, "0B77"}}, 2, 83, 97},
        {1, 11, 16, 16, {{14, "0B77"}}, 1, kUntouched, 14},
        {1, 11, 15, 15, {{13, "0B77"}}, 0, kUntouched, kUntouched},
        {1, 11, 16, 1000, {{14, "0B77"}}, 1, kUntouched, 14},  // len past the view
        {1, 11, 16, -5, {{14, "0B77"}}, 0, kUntouched, kUntouched},
        {1, 11, 0, 0, {}, 0, kUntouched, kUntouched},
        {2, 11, 32, 32, {{0, "000001C0"}, {11, "FFFD"}}, 0, kUntouched, kUntouched},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        RunState run;
        run.audioType = c.audioType;
        run.audioPesHeaderLength = c.headerLength;
        std::vector<std::uint8_t> buffer(c.size, 0xEE);
        for (const auto& [offset, text] : c.at) {
            const auto bytes = hex(text);
            std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<long>(offset));
        }
        std::int32_t pesOffset = kUntouched, syncOffset = kUntouched;
        EXPECT_EQ(findAudioFrame(run, buffer, c.len, pesOffset, syncOffset), c.result) << i;
        EXPECT_EQ(pesOffset, c.pesOffset) << i;
        EXPECT_EQ(syncOffset, c.syncOffset) << i;
    }
}

TEST(Layer2FrameLength, UsesTheLayer2TablesAndThePaddingBit) {
    struct Case {
        const char* header;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"FFFDC400", 768},   // 256 kbit/s, 48 kHz
        {"FFFDC200", 836},   // 256 kbit/s, 44.1 kHz, padding
        {"FFFD8400", 384},   // 128 kbit/s, 48 kHz
        {"FFFD1800", 144},   // 32 kbit/s, 32 kHz
        {"FFFDE800", 1728},  // 384 kbit/s, 32 kHz
        {"FFFDCC00", 0},     // frequency index 3
        {"FFFDCE00", 0},     // frequency index 3 with padding
        {"FFFD0600", 1},     // free format with padding
        {"FFFDF400", 0},     // bit-rate index 15
        {"FFFDF600", 1},     // bit-rate index 15 with padding
        {"FFF4C400", 768},   // version and layer bits take no part
    };
    for (const Case& c : cases) {
        TestDecoder t;
        EXPECT_EQ(layer2FrameLength(t.decoder, hex(c.header)), c.expected) << c.header;
    }
}

TEST(Layer2FrameLength, FlushesTheConsoleOnEveryCall) {
    test::FlushProbe probe;
    RunState run;
    Decoder decoder{probe.console(), run};
    for (const char* header : {"FFFDC400", "FFFDCC00"}) {
        probe.console().print("%s", header);
        ASSERT_FALSE(probe.flushedText().ends_with(header));
        layer2FrameLength(decoder, hex(header));
        EXPECT_TRUE(probe.flushedText().ends_with(header));
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
        auto header = hex("0B77 1234 00");
        header[4] = static_cast<std::uint8_t>(c.sampleRate << 6 | c.sizeCode);
        EXPECT_EQ(ac3FrameLength(t.decoder, header), c.expected)
            << +c.sampleRate << " " << +c.sizeCode;
    }
}

TEST(AudioFrameLength, DecodesTheRecordingsAudioType) {
    TestDecoder t;
    EXPECT_EQ(audioFrameLength(t.decoder, hex("FFFDC400")), 768);
    t.run.audioType = kDolbyAudio;
    EXPECT_EQ(audioFrameLength(t.decoder, hex("0B77 0000 1C")), 1536);
    EXPECT_EQ(audioFrameLength(t.decoder, hex("0B77 0000 5D")), 1672);
    t.run.audioType = 2;
    EXPECT_EQ(audioFrameLength(t.decoder, hex("0B77 0000 1C")), 0);
}

}  // namespace
}  // namespace kestrel
