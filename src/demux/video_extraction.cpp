// SPDX-License-Identifier: MIT
#include "demux/video_extraction.h"

#include <algorithm>

namespace kestrel {

bool isPesHeaderRecord(const RecordHeader& header) {
    return header.size() == kPesRecordSize && header.subtype() == kVideoPesSubtype;
}

namespace {

// Appends a record to the collected sequence header. Real sequence headers
// are far smaller than the buffer; should a damaged recording make the
// collection outgrow it, the excess is dropped with one warning rather than
// written past the buffer.
void collect(Console& console, VideoExtraction& state, Bytes payload) {
    const std::size_t room = state.seqHeaderBuffer.size() - state.seqHeaderLength;
    const std::size_t n = std::min(payload.size(), room);
    std::copy_n(payload.begin(), n,
                state.seqHeaderBuffer.begin() + static_cast<std::ptrdiff_t>(state.seqHeaderLength));
    state.seqHeaderLength += n;
    if (n < payload.size() && !state.seqHeaderOverflowReported) {
        console.print(
            "Warning: the sequence header is longer than %d bytes; the rest of it was dropped.\n",
            static_cast<int>(state.seqHeaderBuffer.size()));
        state.seqHeaderOverflowReported = true;
    }
}

}  // namespace

int writeSequenceHeader(Console& console, Bytes buffer, ByteOutput& video) {
    if (console.isVerbose()) {
        // A header shorter than 8 bytes shows zeros: nothing else was ever collected.
        console.print("Data = ");
        for (std::size_t i = 0; i < 8; ++i)
            console.print("%2x ", i < buffer.size() ? buffer[i] : 0);
        console.print("\n");
    }
    for (std::size_t offset = 0; offset < 8 && offset + 4 <= buffer.size(); ++offset) {
        if (buffer[offset] == 0 && buffer[offset + 1] == 0 && buffer[offset + 2] == 1 &&
            buffer[offset + 3] == 0xB3) {
            console.verbose("Found first B3 header at offset %d\n", static_cast<int>(offset));
            video.write(buffer.subspan(offset));
            return 1;
        }
    }
    console.print(
        "**** ERROR: Could not find the B3 header in the B3 packet. Sent tobrin a message with the "
        "following block...\n");
    // Breaks follow positions 16, 32, ...: the first line of the dump holds 17 bytes.
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        console.print("%2x ", buffer[i]);
        if (i != 0 && i % 16 == 0) console.print("\n");
    }
    console.print("\n");
    return 0;
}

void handleVideoRecord(Console& console, VideoExtraction& state, ByteOutput& video,
                       const RecordHeader& header, Bytes payload) {
    switch (state.videoState) {
        case VideoExtraction::kWaiting:
            if (header.subtype() != kSeqStartSubtype) return;
            console.verbose("PARSE_CHUNK: We found the SEQ header start!\n");
            state.seqHeaderLength = 0;
            collect(console, state, payload);
            state.videoState = VideoExtraction::kCollecting;
            return;
        case VideoExtraction::kCollecting:
            if (isPesHeaderRecord(header)) {
                writeSequenceHeader(
                    console, Bytes(state.seqHeaderBuffer).first(state.seqHeaderLength), video);
                state.videoState = VideoExtraction::kStreaming;
                return;
            }
            collect(console, state, payload);
            return;
        default:
            if (!isPesHeaderRecord(header)) video.write(payload);
            return;
    }
}

}  // namespace kestrel
