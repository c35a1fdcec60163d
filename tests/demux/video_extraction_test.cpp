#include "demux/video_extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chunk/record_walk.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/memory_output.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

const ByteVector kSeqStart = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x24};

TestRecord video(ByteVector payload, std::uint8_t subtype) {
    return {.subtype = subtype, .type = kVideoType, .payload = std::move(payload)};
}
TestRecord pesRecord() {
    return video(videoPesHeader(9000), kVideoPesSubtype);
}

// Feeds video records one by one, each from a chunk of its own.
struct VideoRun {
    CapturedConsole out;
    MemoryOutput video;
    VideoExtraction state;

    explicit VideoRun(int verboseLevel = kQuiet) : out(verboseLevel) {}
    void feed(const TestRecord& record) {
        auto chunk = ChunkBuilder().add(record).build();
        RecordWalk walk(chunk->view());
        walk.next();
        handleVideoRecord(out.console(), state, video.file, walk.header(), walk.payload());
    }
};

TEST(VideoExtraction, StreamStartsAtTheSequenceHeaderAndLeavesOutPesHeaderRecords) {
    struct Step {
        TestRecord record;
        bool written;
        int stateAfter;
    };
    const Step steps[] = {
        {video(filler(30), 0), false, VideoExtraction::kWaiting},
        {video(filler(20), kVideoPesSubtype), false, VideoExtraction::kWaiting},
        {pesRecord(), false, VideoExtraction::kWaiting},
        {video(concat({kSeqStart, filler(40)}), kSeqStartSubtype), true,
         VideoExtraction::kCollecting},
        {video(filler(20, 0x50), kVideoPesSubtype), true, VideoExtraction::kCollecting},
        {video(filler(12, 0x60), kSeqStartSubtype), true, VideoExtraction::kCollecting},
        {pesRecord(), false, VideoExtraction::kStreaming},
        {video(filler(50, 0x41), 0), true, VideoExtraction::kStreaming},
        {video(filler(30, 0x42), kSeqStartSubtype), true, VideoExtraction::kStreaming},
        {pesRecord(), false, VideoExtraction::kStreaming},
        {video(filler(17, 0x43), kVideoPesSubtype), true, VideoExtraction::kStreaming},
        {video(filler(16, 0x44), 5), true, VideoExtraction::kStreaming},
    };
    VideoRun run;
    ByteVector expected;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        run.feed(steps[i].record);
        if (steps[i].written)
            expected.insert(expected.end(), steps[i].record.payload.begin(),
                            steps[i].record.payload.end());
        EXPECT_EQ(run.state.videoState, steps[i].stateAfter) << "step " << i;
    }
    EXPECT_EQ(run.video.bytes(), expected);
    EXPECT_EQ(run.out.text(), "");
}

TEST(VideoExtraction, SequenceHeaderIsWrittenFromAStartCodeWithinItsFirstEightBytes) {
    const ByteVector header = concat({filler(7), kSeqStart});
    for (const bool discard : {false, true}) {  // -n: the same messages, no bytes
        VideoRun run(kVerbose);
        run.video.file.setDiscard(discard);
        run.feed(video(header, kSeqStartSubtype));
        run.feed(pesRecord());
        EXPECT_EQ(run.video.bytes(),
                  discard ? ByteVector() : ByteVector(header.begin() + 7, header.end()));
        EXPECT_EQ(run.out.text(),
                  "PARSE_CHUNK: We found the SEQ header start!\n"
                  "Data = 40 41 42 43 44 45 46  0 \n"
                  "Found first B3 header at offset 7\n");
    }
}

TEST(VideoExtraction, MissingStartCodeIsDumpedAndStreamingStartsAnyway) {
    VideoRun run;
    run.feed(video(concat({filler(8), kSeqStart, filler(4, 0x50)}), kSeqStartSubtype));
    run.feed(pesRecord());
    EXPECT_EQ(run.state.videoState, VideoExtraction::kStreaming);
    EXPECT_EQ(run.out.text(),
              "**** ERROR: Could not find the B3 header in the B3 packet. Sent tobrin a message "
              "with the following block...\n"
              "40 41 42 43 44 45 46 47  0  0  1 b3 2d  1 e0 24 50 \n"
              "51 52 53 \n");
    const ByteVector next = filler(10, 0x60);
    run.feed(video(next, 0));
    EXPECT_EQ(run.video.bytes(), next);
}

TEST(VideoExtraction, OverlongSequenceHeaderIsCutWithOneWarning) {
    VideoRun run;
    run.feed(video(concat({kSeqStart, filler(1000)}), kSeqStartSubtype));
    for (int i = 0; i < 9; ++i)
        run.feed(video(filler(120000), 0));
    run.feed(pesRecord());
    EXPECT_EQ(run.video.bytes().size(), VideoExtraction::kSeqHeaderCapacity);
    EXPECT_EQ(run.out.text(),
              "Warning: the sequence header is longer than 1048576 bytes; the rest of it was "
              "dropped.\n");
}

}  // namespace
}  // namespace kestrel
