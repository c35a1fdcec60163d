#include <gtest/gtest.h>

#include <stdexcept>

#include "builder/recording_reader.h"
#include "recbuild/chunk_image.h"
#include "recbuild/record.h"

namespace recbuild {
namespace {

using kestrel::kChunkSize;
using kestrel::RecordHeader;

Record recordOf(std::uint8_t type, std::uint8_t subtype, std::vector<std::uint8_t> head,
                std::uint32_t byteCount = 0) {
    Record r;
    r.type = type;
    r.subtype = subtype;
    r.head = std::move(head);
    r.byteCount = byteCount;
    return r;
}

TEST(RecordHeaderEncoding, FieldsReadBackThroughTheHeaderView) {
    struct Case {
        std::uint32_t size;
        std::uint8_t subtype, type;
        std::uint32_t byteCount;
        bool marker;
    };
    const Case cases[] = {
        {16, 6, 0xE0, 0x205040, false},
        {779, 2, 0xC0, 0x31B43F, false},
        {16, 3, 0xC0, 0x205050, true},
        {0x7FFFF, 0xF, 0x20, 0xFFFFFF, false},
        {0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        Record r = recordOf(c.type, c.subtype, std::vector<std::uint8_t>(c.size), c.byteCount);
        r.standaloneMarker = c.marker;
        std::array<std::uint8_t, 16> bytes{};
        encodeRecordHeader(r, bytes);
        const RecordHeader h{Bytes(bytes)};
        EXPECT_EQ(h.size(), c.size);
        EXPECT_EQ(h.subtype(), c.subtype);
        EXPECT_EQ(h.type(), c.type);
        EXPECT_EQ(h.byteCount(), static_cast<std::int32_t>(c.byteCount));
        EXPECT_FALSE(h.headerOnly());
        EXPECT_EQ(h.isEndOfData(), c.size == 0 && c.type == 0);
        for (int i = 12; i < 16; ++i)
            EXPECT_EQ(h.byte(i) != 0, c.marker) << i;
    }
}

TEST(RecordSplitting, FrontAndRestKeepTheBytesInOrderAcrossHeadAndBody) {
    const std::vector<std::uint8_t> source = {10, 11, 12, 13, 14, 15};
    for (std::uint32_t cut = 1; cut < 9; ++cut) {
        Record rest = recordOf(0xC0, 2, {1, 2, 3});
        rest.body = source;
        rest.completedFrame = source;
        const Record front = splitFront(rest, cut);
        std::vector<std::uint8_t> joined = front.payload();
        const std::vector<std::uint8_t> tail = rest.payload();
        joined.insert(joined.end(), tail.begin(), tail.end());
        EXPECT_EQ(joined, (std::vector<std::uint8_t>{1, 2, 3, 10, 11, 12, 13, 14, 15}));
        EXPECT_EQ(front.size(), cut);
        // Only the last part completes the frame.
        EXPECT_TRUE(front.completedFrame.empty());
        EXPECT_FALSE(rest.completedFrame.empty());
    }
}

TEST(ChunkImage, CountIsLittleEndianAndPayloadsFollowTheTableInOrder) {
    Chunk chunk;
    for (int i = 0; i < 300; ++i)
        chunk.records.push_back(recordOf(0xE0, 0xA, std::vector<std::uint8_t>(i % 7 + 1, i)));
    const ChunkImage image = chunkImage(chunk);
    EXPECT_EQ(image[0], 300 & 0xFF);
    EXPECT_EQ(image[1], 300 >> 8);
    const auto records = test::readRecords(image);  // checks fit and zero filler
    ASSERT_EQ(records.size(), 300u);
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_TRUE(records[i].payload.size() == i % 7 + 1 && records[i].payload[0] == (i & 0xFF));
}

TEST(ChunkImage, RecordsThatDoNotFitAreRefused) {
    Chunk chunk;
    chunk.records.push_back(recordOf(0xE0, 0xA, std::vector<std::uint8_t>(kChunkSize - 20)));
    EXPECT_NO_THROW(chunkImage(chunk));
    chunk.records.push_back(recordOf(0xE0, 0xA, {}));
    EXPECT_THROW(chunkImage(chunk), std::runtime_error);
}

}  // namespace
}  // namespace recbuild
