// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avcheck/ticks.h"
#include "chunk/chunk_layout.h"

namespace avcheck {

/// A video packet header's time stamp and where in the joined video it came:
/// it stamps the next picture that starts at or after that point.
struct VideoStamp {
    std::size_t offset = 0;
    kestrel::PtsTicks pts = 0;
};

/// One audio frame of a recording and the time stamp of its packet.
struct SourceFrame {
    kestrel::Bytes bytes;
    Ticks pts = 0;
};

/// A recording's streams as its records carry them, before any demultiplexing
/// decision: every video payload joined (packet-header records left out and
/// noted as stamps), and every audio payload joined into a run of packets.
struct RecordingStreams {
    std::vector<std::uint8_t> video;
    std::vector<VideoStamp> videoStamps;
    std::vector<std::uint8_t> audioPackets;
};

/// Reads every whole chunk of `file` whose record table adds up (the first
/// one is jumped in a Standalone recording, whose leading chunk holds no
/// stream) and joins its video and audio records in order.
RecordingStreams readRecording(kestrel::Bytes file, bool standalone);

/// Cuts the joined audio packets into frames stamped with their packet's time
/// stamp, as ticks after `origin`. A packet of several frames stamps the later
/// ones a frame duration apart. DTivo Layer II packets have the short header;
/// Standalone ones and AC-3 packets a full packet header.
std::vector<SourceFrame> sourceAudioFrames(kestrel::Bytes packets, bool standalone,
                                           kestrel::PtsTicks origin);

}  // namespace avcheck
