// SPDX-License-Identifier: MIT
#include "avcheck/recording.h"

#include <optional>

#include "avcheck/audio_frames.h"
#include "chunk/check_num_recs.h"
#include "chunk/record_walk.h"
#include "diag/console.h"
#include "headers/byte_patterns.h"
#include "headers/pes.h"

namespace avcheck {

namespace {

// Bytes from an audio packet's start code to its frame: the short DTivo
// Layer II header is 11 bytes; a full header is 9 plus its header data length.
constexpr std::size_t kShortHeaderLength = 11;
constexpr std::size_t kFullHeaderFixedPart = 9;

bool isVideoPacketHeader(const kestrel::RecordHeader& header) {
    return header.subtype() == kestrel::kVideoPesSubtype &&
           header.size() == kestrel::kPesRecordSize;
}

void append(std::vector<std::uint8_t>& to, kestrel::Bytes bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

void readChunk(kestrel::Bytes chunk, RecordingStreams& streams) {
    kestrel::Console quiet(nullptr);
    const kestrel::RunState run{};
    kestrel::Decoder decoder{quiet, run};
    for (kestrel::RecordWalk walk(chunk); walk.next();) {
        const kestrel::RecordHeader header = walk.header();
        if (header.type() == kestrel::kAudioType) append(streams.audioPackets, walk.payload());
        if (header.type() != kestrel::kVideoType) continue;
        if (isVideoPacketHeader(header))
            streams.videoStamps.push_back(
                {streams.video.size(), kestrel::parsePesHeader(decoder, walk.payload())});
        else
            append(streams.video, walk.payload());
    }
}

// The audio packet that starts at `at`, if one does: the frame's offset
// within the packets and the packet's time stamp.
struct PacketStart {
    std::size_t frame = 0;
    kestrel::PtsTicks pts = 0;
};

class PacketReader {
  public:
    PacketReader(kestrel::Bytes packets, bool standalone)
        : packets_(packets), standalone_(standalone) {}

    std::optional<PacketStart> packetAt(std::size_t at) {
        const bool layer2 = kestrel::isStartCodeAt(packets_, at, kestrel::kMpegAudioStreamId);
        if (!layer2 && !kestrel::isStartCodeAt(packets_, at, kestrel::kPrivateStream1Id))
            return std::nullopt;
        const bool shortHeader = layer2 && !standalone_;
        const kestrel::Bytes header = packets_.subspan(at);
        const kestrel::Bytes dataLength = kestrel::bytesAt(header, 8, 1);
        if (dataLength.empty()) return std::nullopt;
        const std::size_t length =
            shortHeader ? kShortHeaderLength : kFullHeaderFixedPart + dataLength[0];
        const kestrel::Bytes frame = kestrel::bytesFrom(header, length);
        if (!(layer2 ? kestrel::isLayer2SyncAt(frame, 0) : kestrel::isAc3SyncAt(frame, 0)))
            return std::nullopt;
        kestrel::RunState run;
        run.saMode = standalone_ ? 1 : 0;
        run.audioType = layer2 ? kestrel::kLayer2Audio : kestrel::kDolbyAudio;
        kestrel::Decoder decoder{quiet_, run};
        return PacketStart{at + length, kestrel::audioHeaderPts(decoder, header)};
    }

  private:
    kestrel::Bytes packets_;
    bool standalone_;
    kestrel::Console quiet_{nullptr};
};

}  // namespace

RecordingStreams readRecording(kestrel::Bytes file, bool standalone) {
    RecordingStreams streams;
    kestrel::Console quiet(nullptr);
    for (std::size_t at = standalone ? kestrel::kChunkSize : 0;
         at + kestrel::kChunkSize <= file.size(); at += kestrel::kChunkSize) {
        const kestrel::Bytes chunk = file.subspan(at, kestrel::kChunkSize);
        if (kestrel::checkNumRecs(quiet, chunk) != 0) readChunk(chunk, streams);
    }
    return streams;
}

std::vector<SourceFrame> sourceAudioFrames(kestrel::Bytes packets, bool standalone,
                                           kestrel::PtsTicks origin) {
    std::vector<SourceFrame> frames;
    PacketReader reader(packets, standalone);
    // The stamp of the next frame; none between a fault and the next packet.
    Ticks nextPts = 0;
    bool stamped = false;
    for (std::size_t at = 0; at < packets.size();) {
        std::size_t frameAt = at;
        if (const std::optional<PacketStart> packet = reader.packetAt(at)) {
            frameAt = packet->frame;
            nextPts = ticksAfter(packet->pts, origin);
            stamped = true;
        }
        const std::optional<FrameShape> shape = frameShape(packets.subspan(frameAt));
        if (!shape || !stamped) {
            stamped = false;
            at = kestrel::findStartCodePrefix(packets, at + 1);
            continue;
        }
        frames.push_back({kestrel::bytesAt(packets, frameAt, shape->length), nextPts});
        nextPts += shape->duration;
        at = frameAt + shape->length;
    }
    return frames;
}

}  // namespace avcheck
