// SPDX-License-Identifier: MIT
// Silent frames made after the first frames of the sample streams. That
// ffmpeg decodes them to silence is silent_decode_test.sh's part.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "repair/ac3_crc.h"
#include "repair/silent_frame.h"
#include "support/file_bytes.h"

namespace kestrel {
namespace {

using ByteVector = std::vector<std::uint8_t>;

ByteVector sample(const std::string& name) {
    return test::readFileBytes(std::string(KESTREL_TESTDATA_DIR) + "/" + name);
}

struct Sample {
    const char* file;
    std::size_t frameBytes;        // 256 kbit/s Layer II and 448 kbit/s AC-3, both at 48 kHz
    std::uint8_t protectionBit;    // Layer II: set, no CRC follows; AC-3: in the sync word
    std::size_t keptFrom, keptTo;  // header bytes kept as they are (AC-3: after crc1)
};
constexpr Sample kMp2{"sample.mp2", 768, 1, 2, 4};
constexpr Sample kAc3{"sample.ac3", 1792, 0, 4, 8};

TEST(MakeSilentFrame, KeepsTheModelsLengthAndHeader) {
    for (const Sample& s : {kMp2, kAc3}) {
        const ByteVector stream = sample(s.file);
        ASSERT_GT(stream.size(), s.frameBytes) << s.file;
        const Bytes model = Bytes(stream).first(s.frameBytes);
        const ByteVector silent = makeSilentFrame(model);
        ASSERT_EQ(silent.size(), s.frameBytes) << s.file;
        EXPECT_EQ(silent[0], model[0]) << s.file;
        EXPECT_EQ(silent[1], model[1] | s.protectionBit) << s.file;
        EXPECT_EQ(ByteVector(silent.begin() + s.keptFrom, silent.begin() + s.keptTo),
                  ByteVector(model.begin() + s.keptFrom, model.begin() + s.keptTo))
            << s.file;
        // A silent frame is as good a model as the one it was made from.
        EXPECT_EQ(makeSilentFrame(silent), silent) << s.file;
    }
}

TEST(MakeSilentFrame, Ac3FramePassesBothCrcChecks) {
    const ByteVector stream = sample(kAc3.file);
    const ByteVector silent = makeSilentFrame(Bytes(stream).first(kAc3.frameBytes));
    ASSERT_EQ(silent.size(), kAc3.frameBytes);
    const std::size_t words = silent.size() / 2;
    const std::size_t split = 2 * (words / 2 + words / 8);
    EXPECT_EQ(ac3Crc(Bytes(silent).subspan(2, split - 2)), 0);
    EXPECT_EQ(ac3Crc(Bytes(silent).subspan(split)), 0);
}

TEST(MakeSilentFrame, RefusesWhatIsNotAWholeFrame) {
    for (const Sample& s : {kMp2, kAc3}) {
        const ByteVector stream = sample(s.file);
        ByteVector frame(stream.begin(),
                         stream.begin() + static_cast<std::ptrdiff_t>(s.frameBytes));
        EXPECT_TRUE(makeSilentFrame(Bytes(frame).first(frame.size() - 1)).empty()) << s.file;
        EXPECT_TRUE(makeSilentFrame(Bytes(frame).first(3)).empty()) << s.file;
        frame[0] ^= 0x01;  // no sync word
        EXPECT_TRUE(makeSilentFrame(frame).empty()) << s.file;
    }
    EXPECT_TRUE(makeSilentFrame(ByteVector(2000, 0)).empty());
    EXPECT_TRUE(makeSilentFrame({}).empty());

    ByteVector layer1 = sample(kMp2.file);
    layer1[1] |= 0x06;  // layer bits '11': Layer I
    EXPECT_TRUE(makeSilentFrame(layer1).empty());

    ByteVector damagedAc3 = sample(kAc3.file);
    damagedAc3[100] ^= 0x10;  // fails the CRC: its bit stream information is not trusted
    EXPECT_TRUE(makeSilentFrame(damagedAc3).empty());
}

}  // namespace
}  // namespace kestrel
