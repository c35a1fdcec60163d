#pragma once

#include <cstdint>
#include <vector>

#include "chunk/record_header.h"
#include "recbuild/audio_es.h"
#include "recbuild/recording_writer.h"
#include "recbuild/video_es.h"

namespace recbuild::test {

using kestrel::Bytes;
using kestrel::RecordHeader;

/// The committed sample streams, parsed once.
struct Samples {
    VideoStream video;
    AudioStream mp2;
    AudioStream ac3;
};
const Samples& samples();

/// A recording built in memory, with the outputs kestrel should make of it.
struct Built {
    std::vector<std::uint8_t> file;
    std::vector<std::uint8_t> expectedVideo;
    std::vector<std::uint8_t> expectedAudio;
    std::uint32_t firstVideoPts = 0;
    std::uint32_t firstAudioPts = 0;
};
Built build(const VideoStream& video, const AudioStream& audio, const RecordingPlan& plan);

/// One record read back from a recording.
struct ReadRecord {
    std::size_t chunk;
    RecordHeader header;
    Bytes payload;
};

/// Chunk `index` of a recording.
Bytes chunkAt(Bytes file, std::size_t index);

/// Every record of the recording's whole chunks from `firstChunk` on, found
/// through the record count and header sizes only. Adds a test failure for a
/// chunk whose table and payloads overflow it or whose filler is not zero.
std::vector<ReadRecord> readRecords(Bytes file, std::size_t firstChunk = 0);

/// The video records' payloads as kestrel extracts them: from the first
/// sequence-header start record on, leaving out the 16-byte packet headers.
std::vector<std::uint8_t> demultiplexedVideo(const std::vector<ReadRecord>& records);

/// The time stamp of a PES time-stamp field (5 bytes), modulo 2^32.
std::uint32_t ptsField(Bytes field);

bool isVideoPacketHeader(const ReadRecord& r);

}  // namespace recbuild::test
