#include "demux/parse_chunk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "analysis/recorder_detection.h"
#include "analysis/standard_values.h"
#include "support/captured_console.h"
#include "support/chunk_builder.h"
#include "support/memory_output.h"
#include "support/stream_bytes.h"

namespace kestrel {
namespace {

using namespace test;

TestRecord video(ByteVector payload, std::uint8_t subtype = 0) {
    return {.subtype = subtype, .type = kVideoType, .payload = std::move(payload)};
}
TestRecord pesRecord(PtsTicks pts) {
    return video(videoPesHeader(pts), kVideoPesSubtype);
}
TestRecord audio(ByteVector payload) {
    return {.type = kAudioType, .payload = std::move(payload)};
}
// Header bytes 0 to 9 all zero. The payload is empty but allocated:
// ChunkBuilder copies payloads with memcpy, which must not see a null pointer.
TestRecord endOfData() {
    TestRecord r;
    r.payload.reserve(1);
    return r;
}

const ByteVector kSeqHeader =
    concat({{0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0, 0x24}, filler(80)});
const ByteVector kGopHeader =
    concat({{0x00, 0x00, 0x01, 0xB8, 0x04, 0x28, 0x62, 0x40}, filler(20)});
ByteVector picture(std::uint8_t n) {
    return concat({{0x00, 0x00, 0x01, 0x00}, filler(200, n)});
}

// One run of the demultiplexer over in-memory outputs.
struct Demux {
    CapturedConsole out;
    RunState run;
    Decoder decoder{out.console(), run};
    MemoryOutput video;
    MemoryOutput audio;
    Demuxer demuxer{decoder, run, video.file, audio.file};

    explicit Demux(int verboseLevel = kQuiet) : out(verboseLevel) {}
    void parse(const ChunkBuilder& builder) { ParseChunk(demuxer, builder.build()->view()); }
};

TEST(ParseChunk, RecordCountOfZeroReturnsAtOnce) {
    Demux d(kVeryVerbose);
    ChunkBuffer chunk;  // a table entry stands behind the count of 0
    chunk.bytes[4 + 2] = kSeqStartSubtype;
    chunk.bytes[4 + 3] = kVideoType;
    ParseChunk(d.demuxer, chunk.view());
    EXPECT_EQ(d.out.text(), "");
    EXPECT_EQ(d.demuxer.videoOut.videoState, VideoExtraction::kWaiting);

    // The same table with a count of 1 is parsed (an audio time stamp lets the
    // continuity check accept it).
    d.parse(ChunkBuilder()
                .add(video(kSeqHeader, kSeqStartSubtype))
                .add(audio(dtivoLayer2Packet(1000, 384))));
    EXPECT_EQ(d.demuxer.videoOut.videoState, VideoExtraction::kCollecting);
}

TEST(ParseChunk, EndOfDataRecordStopsTheWalkAndThePump) {
    Demux d;
    d.run.standardAudioSize = 100;
    d.run.firstVideoPTS = 0;
    const ByteVector before = dtivoLayer2Packet(1000, 384);
    d.parse(ChunkBuilder()
                .add(video(kSeqHeader, kSeqStartSubtype))
                .add(pesRecord(9000))
                .add(video(picture(0x41)))
                .add(audio(before))
                .add(endOfData())
                .add(video(picture(0x42)))
                .add(audio(dtivoLayer2Packet(3160, 384))));
    EXPECT_EQ(d.video.bytes(), concat({kSeqHeader, picture(0x41)}));
    EXPECT_EQ(d.audio.bytes(), ByteVector(before.begin() + 11, before.end()));
    EXPECT_EQ(d.run.keepPumping, 0);
}

TEST(ParseChunk, OnlyVideoAndAudioRecordsAreExtractedAndHeaderOnlyRecordsTakeNoBytes) {
    Demux d;
    // The audio record comes first: its time stamp is what the continuity check
    // sees, since the timing scan places later payloads by rules of its own.
    d.parse(ChunkBuilder()
                .add(audio(dtivoLayer2Packet(1000, 384)))
                .add({.size = 100, .type = 3, .headerOnly = true})
                .add(video(kSeqHeader, kSeqStartSubtype))
                .add({.type = 2, .payload = picture(0x50)})
                .add({.type = 9, .payload = picture(0x51)})
                .add(pesRecord(9000))
                .add(video(picture(0x41))));
    EXPECT_EQ(d.video.bytes(), concat({kSeqHeader, picture(0x41)}));
    EXPECT_EQ(d.run.keepPumping, 1);
}

// How one audio format packs its frames.
struct AudioFormat {
    const char* name;
    std::int32_t audioType;
    ByteVector (*packetHeader)(PtsTicks);
    ByteVector frameHeader;
    std::size_t frameLength;
    PtsTicks step;  // one frame's duration in ticks
};

ByteVector dolbyHeader(PtsTicks pts) {
    return fullPesHeader(0xBD, pts);
}

const AudioFormat kFormats[] = {
    {"Layer II", kLayer2Audio, shortAudioHeader, kLayer2Frame384, 384, 2160},
    {"AC-3", kDolbyAudio, dolbyHeader, kAc3Frame1536, 1536, 2880},
};

// A small DTivo recording in three chunks, with the video and audio streams
// it was made from.
struct Recording {
    static constexpr PtsTicks kFirstVideo = 900000;
    static constexpr int kPackets = 15;

    ByteVector videoStream;
    ByteVector audioStream;
    std::vector<ChunkBuilder> chunks{3};
    PtsTicks firstAudio = 0;
    std::size_t largestRecord = 0;

    explicit Recording(const AudioFormat& format) {
        addVideo();
        addAudio(format);
        chunks[2].add(endOfData()).add(video(picture(0x70)));  // never extracted
    }

    void addVideo() {
        // Before the first sequence header: dropped.
        chunks[0].add(video(picture(0x60))).add(pesRecord(kFirstVideo - 3003));
        // The sequence header is collected up to the first packet header record.
        chunks[0].add(video(kSeqHeader, kSeqStartSubtype)).add(video(kGopHeader));
        chunks[0].add(pesRecord(kFirstVideo)).add(video(picture(0x41)));
        chunks[1].add(pesRecord(kFirstVideo + 3003)).add(video(picture(0x42)));
        chunks[1].add(video(kSeqHeader, kSeqStartSubtype));
        chunks[1].add(pesRecord(kFirstVideo + 6006)).add(video(picture(0x43)));
        chunks[2].add(pesRecord(kFirstVideo + 9009)).add(video(picture(0x44)));
        videoStream = concat({kSeqHeader, kGopHeader, picture(0x41), picture(0x42), kSeqHeader,
                              picture(0x43), picture(0x44)});
    }

    // Packets back to back, cut into records so that every odd record starts
    // with the last two bytes of the previous frame. The first frame is more
    // than half a step before the first picture; record 7 is split in two
    // across chunks 1 and 2.
    void addAudio(const AudioFormat& format) {
        ByteVector packets;
        std::vector<std::size_t> cuts;
        for (int i = 0; i < kPackets; ++i) {
            const PtsTicks pts = kFirstVideo - 3000 + static_cast<PtsTicks>(i) * format.step;
            const ByteVector frame =
                concat({format.frameHeader, filler(format.frameLength - format.frameHeader.size(),
                                                   static_cast<std::uint8_t>(0x40 + i))});
            cuts.push_back(packets.size() - (i % 2 == 1 ? 2 : 0));
            packets = concat({packets, format.packetHeader(pts), frame});
            if (i == 1) firstAudio = pts;
            if (i >= 1) audioStream = concat({audioStream, frame});
        }
        cuts.push_back(packets.size());
        cuts.insert(cuts.begin() + 8, cuts[7] + 20);
        for (std::size_t r = 0; r + 1 < cuts.size(); ++r) {
            const ByteVector record(packets.begin() + static_cast<std::ptrdiff_t>(cuts[r]),
                                    packets.begin() + static_cast<std::ptrdiff_t>(cuts[r + 1]));
            largestRecord = std::max(largestRecord, record.size());
            chunks[r < 5 ? 0 : r < 8 ? 1 : 2].add(audio(record));
        }
    }
};

// The start-up analysis in brief: decide the types, learn the standard values.
void learnStandardValues(Demux& d, const std::vector<Bytes>& chunks) {
    AudioTypeCounts counts;
    decideRecorderType(d.out.console(), d.run, chunks);
    decideAudioType(d.out.console(), d.run, counts, chunks);
    std::int32_t seqStartSeen = 0;
    for (const Bytes chunk : chunks) {
        d.run.standardAudioSize = std::max(
            d.run.standardAudioSize, chunkAudioSize(d.decoder, d.run.standardFrameLength, chunk));
        const PtsTicks videoPts = chunkFirstVideoPts(d.decoder, seqStartSeen, chunk);
        if (d.run.firstVideoPTS == kNoPts && videoPts != 0) d.run.firstVideoPTS = videoPts;
        const std::uint32_t step = chunkAudioDiff(d.decoder, chunk);
        if (step != 0 && step < d.run.standardAudioDiff) d.run.standardAudioDiff = step;
    }
}

TEST(ParseChunk, DTivoRecordingSplitsIntoItsSourceStreams) {
    for (const AudioFormat& format : kFormats) {
        SCOPED_TRACE(format.name);
        const Recording recording(format);
        std::vector<std::unique_ptr<ChunkBuffer>> buffers;
        std::vector<Bytes> chunks;
        for (const ChunkBuilder& b : recording.chunks) {
            buffers.push_back(b.build());
            chunks.push_back(buffers.back()->view());
        }
        Demux d(kVerbose);
        learnStandardValues(d, chunks);
        EXPECT_EQ(d.run.audioType, format.audioType);
        EXPECT_EQ(d.run.standardAudioSize, recording.largestRecord);
        EXPECT_EQ(d.run.standardFrameLength, format.frameLength);
        EXPECT_EQ(d.run.standardAudioDiff, format.step);
        EXPECT_EQ(d.run.firstVideoPTS, Recording::kFirstVideo);

        for (const Bytes chunk : chunks)
            ParseChunk(d.demuxer, chunk);
        EXPECT_EQ(d.video.bytes(), recording.videoStream);
        EXPECT_EQ(d.audio.bytes(), recording.audioStream);
        EXPECT_EQ(d.run.firstAudioPTS, recording.firstAudio);
        EXPECT_EQ(d.run.keepPumping, 0);
        const std::string text = d.out.text();
        EXPECT_EQ(text.find("Woah"), std::string::npos) << text;
        EXPECT_EQ(text.find("Error"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace kestrel
