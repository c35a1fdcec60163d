// SPDX-License-Identifier: MIT
#include "demux/video_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chunk/record_walk.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

const ByteVector kSeqStart = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x24};

TestRecord video(ByteVector payload, std::uint8_t subtype = 0) {
    return {.subtype = subtype, .type = kVideoType, .payload = std::move(payload)};
}

// Feeds video records one by one, each from a chunk of its own.
struct VideoRun {
    CapturedConsole out{kVerbose};
    MemoryOutput video;
    VideoExtraction state;

    void feed(const TestRecord& record) {
        auto chunk = ChunkBuilder().add(record).build();
        RecordWalk walk(chunk->view());
        walk.next();
        handleVideoRecord(out.console(), state, video.file, walk.header(), walk.payload());
    }
};

TEST(VideoExtraction, StreamStartsAtAStartCodeWithinTheSequenceHeadersFirstEightBytes) {
    const std::string found =
        "PARSE_CHUNK: We found the SEQ header start!\nData = 40 41 42 43 44 45 46 ";
    // After the header, only 16-byte records of subtype 6 (PES headers) are left out.
    const TestRecord pes = video(videoPesHeader(9000), kVideoPesSubtype);
    const std::vector<TestRecord> after = {video(filler(4, 0x50), kVideoPesSubtype), pes,
                                           video(filler(17, 0x60), kVideoPesSubtype),
                                           video(filler(16, 0x70), 5), pes};
    const ByteVector stream = concat({filler(4, 0x50), filler(17, 0x60), filler(16, 0x70)});
    struct Case {
        std::size_t offset;
        ByteVector written;
        std::string text;
    };
    const Case cases[] = {
        {7, concat({kSeqStart, stream}), found + " 0 \nFound first B3 header at offset 7\n"},
        {8, ByteVector(stream.begin() + 4, stream.end()),
         found + "47 \n**** ERROR: Could not find the B3 header in the B3 packet. Sent tobrin a "
                 "message with the following block...\n"
                 "40 41 42 43 44 45 46 47  0  0  1 b3 2d  1 e0 24 50 \n51 52 53 \n"},
    };
    for (const Case& c : cases) {
        VideoRun run;
        run.feed(video(filler(30)));  // before the sequence header: dropped
        run.feed(video(concat({filler(c.offset), kSeqStart}), kSeqStartSubtype));
        for (const TestRecord& r : after)
            run.feed(r);
        EXPECT_EQ(run.video.bytes(), c.written) << c.offset;
        EXPECT_EQ(run.out.text(), c.text) << c.offset;
    }
}

TEST(VideoExtraction, OverlongSequenceHeaderIsCutWithOneWarning) {
    VideoRun run;
    run.out.console().setVerboseLevel(kQuiet);
    run.feed(video(concat({kSeqStart, filler(1000)}), kSeqStartSubtype));
    for (int i = 0; i < 10; ++i)
        run.feed(video(filler(120000)));
    run.feed(video(videoPesHeader(9000), kVideoPesSubtype));
    EXPECT_EQ(run.video.bytes().size(), VideoExtraction::kSeqHeaderCapacity);
    EXPECT_EQ(run.out.text(),
              "Warning: the sequence header is longer than 1048576 bytes; the rest of it was "
              "dropped.\n");
}

}  // namespace
}  // namespace kestrel
