// SPDX-License-Identifier: MIT
#include "diag/record_dump.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "chunk/record_header.h"
#include "diag/time_display.h"
#include "headers/byte_patterns.h"
#include "headers/pes.h"
#include "headers/video_dump.h"

namespace kestrel {

namespace {

constexpr const char* kIndexLine =
    "                 0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15\n";
constexpr const char* kRule = "                ===============================================\n";

constexpr std::size_t kDataStartBytes = 32;
constexpr std::size_t kNextStartBytes = 16;
// The audio packet start is looked for in the first 16 bytes, whatever the
// record's size: a short record is followed by the next one's bytes.
constexpr std::int32_t kAudioPesSearchBytes = 16;
// One frame at 29.97 Hz in 90 kHz ticks.
constexpr PtsTicks kFrameTicks = 3003;
// The scan goes on this many bytes after the first byte of a start code it has
// dumped.
constexpr std::size_t kStartCodeSkip = 5;

// A chunk view holds the chunk and its zero padding; anything the dump shows
// beyond even that reads as zero.
std::uint8_t byteAt(Bytes chunk, std::size_t i) {
    return i < chunk.size() ? chunk[i] : 0;
}

// Every byte value as printf's "%2x" (lower-case hex, space-padded to two
// columns) with a space before it, or with a space after it.
using HexTable = std::array<std::array<char, 3>, 256>;
HexTable makeHexTable(bool spaceBefore) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    HexTable table{};
    for (std::size_t b = 0; b < table.size(); ++b) {
        const char high = b < 16 ? ' ' : kDigits[b >> 4];
        table[b] = spaceBefore ? std::array{' ', high, kDigits[b & 15]}
                               : std::array{high, kDigits[b & 15], ' '};
    }
    return table;
}
const HexTable& hexSpaceBefore() {
    static const HexTable table = makeHexTable(true);
    return table;
}
const HexTable& hexSpaceAfter() {
    static const HexTable table = makeHexTable(false);
    return table;
}

// A row of bytes in one of those forms, collected for a single print: a -V
// dump shows some 60 bytes of every record, and a print per byte made the
// dump the largest cost of a -V run.
class HexBytes {
  public:
    explicit HexBytes(const HexTable& form) : form_(form) {}

    void add(std::uint8_t byte) {
        std::memcpy(text_.data() + length_, form_[byte].data(), 3);
        length_ += 3;
    }
    void print(Console& out) const { out.print("%.*s", static_cast<int>(length_), text_.data()); }

  private:
    const HexTable& form_;
    std::array<char, 3 * kDataStartBytes> text_{};  // the longest row shown
    std::size_t length_ = 0;
};

// The 16 header bytes as " %2x" each, then the line end.
void printHeaderBytes(Console& out, const RecordHeader& header) {
    HexBytes row(hexSpaceBefore());
    for (int i = 0; i < static_cast<int>(kRecordHeaderSize); ++i)
        row.add(header.byte(i));
    row.print(out);
    out.print("\n");
}

// Video and audio records show their running count, every other record its type.
void printRecordLine(Console& out, const DumpCounters& counters, const RecordHeader& header) {
    const auto size = static_cast<int>(header.size());
    if (header.type() == kVideoType)
        out.print("MUX #%6d (%8d):", counters.videoRecordsDumped, size);
    else if (header.type() == kAudioType)
        out.print("#%6d (%8d):", counters.audioRecordsDumped, size);
    else
        out.print("#%6d (%8d):", header.type(), size);
    printHeaderBytes(out, header);
    out.flush();
}

// The first bytes of the payload and the 16 bytes that follow it.
void printPayloadEdges(Console& out, Bytes chunk, std::size_t payload, std::uint32_t size) {
    out.print("  Data Start:   ");
    HexBytes start(hexSpaceAfter());
    const std::size_t shown = std::min<std::size_t>(size, kDataStartBytes);
    for (std::size_t i = 0; i < shown; ++i)
        start.add(byteAt(chunk, payload + i));
    start.print(out);
    out.print("\n  Next Start:  ");
    HexBytes next(hexSpaceBefore());
    const std::size_t nextPayload = payload + size;
    for (std::size_t i = 0; i < kNextStartBytes; ++i)
        next.add(byteAt(chunk, nextPayload + i));
    next.print(out);
    out.print("\n");
}

// A time stamp through `format` (it has one %d) and then its time display.
void printStamp(Console& out, const char* format, PtsTicks ticks) {
    out.print(format, static_cast<std::int32_t>(ticks));
    showTimeLine(out, ticksToMs(ticks));
}

// A 16-byte video PES header record set against firstVideoPTS; headers not
// earlier than it step the dump's own frame clock.
void dumpVideoPesHeader(Decoder& decoder, DumpCounters& counters, Bytes pes) {
    Console& out = decoder.console;
    const PtsTicks first = decoder.run.firstVideoPTS;
    const PtsTicks pts = parsePesHeader(decoder, pes);
    printStamp(out, "MUX\t Video Embedded PES Header: (%d) ", pts);
    printStamp(out, "MUX\t firstVideoPTS (%d) ", first);
    // An early header wraps to a huge unsigned offset, shown as it comes.
    const auto offset = static_cast<std::uint32_t>(pts - first);
    out.print("MUX\t Offset from firstVideoPTS = %d (%d * 3003) ",
              static_cast<std::int32_t>(offset), static_cast<int>(offset / kFrameTicks));
    showTimeLine(out, ticksToMs(offset));
    if (pts < first) {
        out.print("MUX ****************** It is a too-early frame...\n");
        return;
    }
    printStamp(out, "MUX >>>>> PTS = (%d) ", counters.dumpFrameClock);
    counters.dumpFrameClock += kFrameTicks;
}

// The time stamp of an audio packet that starts within the payload's first bytes.
void dumpAudioPesHeader(Decoder& decoder, Bytes payload) {
    const std::int32_t start = findAudioPesStart(payload, kAudioPesSearchBytes);
    if (start < 0) return;
    const PtsTicks pts = audioHeaderPts(decoder, payload.subspan(static_cast<std::size_t>(start)));
    printStamp(decoder.console, "#2 Audio Embedded PES Header: (%d) ", pts);
}

// True when 00 00 01 `id` starts at i.
bool isStartCodeAt(Bytes chunk, std::size_t i, std::uint8_t id) {
    return byteAt(chunk, i) == 0 && byteAt(chunk, i + 1) == 0 && byteAt(chunk, i + 2) == 1 &&
           byteAt(chunk, i + 3) == id;
}

// Dumps the video header whose start code stands at i, if it is one of the
// three the dump decodes; false otherwise.
bool dumpVideoHeaderAt(Decoder& decoder, Bytes chunk, std::size_t i, std::int32_t index,
                       const RecordHeader& header) {
    constexpr std::uint8_t kSequence = 0xB3, kGop = 0xB8, kPicture = 0x00;
    Console& out = decoder.console;
    for (const std::uint8_t id : {kSequence, kGop, kPicture}) {
        if (!isStartCodeAt(chunk, i, id)) continue;
        out.print("\nMUX *%2X %2X %2X %2X*", 0, 0, 1, id);
        const Bytes start = chunk.subspan(i);
        if (id == kSequence) {
            dumpSequenceHeader(decoder, start);
            out.print("#%2d (%8d):", index, static_cast<int>(header.size()));
            printHeaderBytes(out, header);
        } else if (id == kGop) {
            dumpGopHeader(decoder, start);
        } else {
            dumpPictureHeader(decoder, start);
        }
        return true;
    }
    return false;
}

// Looks for video start codes at every offset of the payload; the last looks
// reach up to three bytes into whatever follows it. Only offsets where
// 00 00 01 begins can hold one, so the scan jumps from one such offset to the
// next (a -V run looks at every payload byte of every chunk).
void scanStartCodes(Decoder& decoder, Bytes chunk, std::size_t payload, std::int32_t index,
                    const RecordHeader& header) {
    const std::size_t end = std::min<std::size_t>(payload + header.size(), chunk.size());
    for (std::size_t i = findStartCodePrefix(chunk, payload); i < end;
         i = findStartCodePrefix(chunk, i))
        i += dumpVideoHeaderAt(decoder, chunk, i, index, header) ? kStartCodeSkip : 1;
}

void dumpRecord(Decoder& decoder, DumpCounters& counters, Bytes chunk, std::int32_t index,
                std::size_t payload) {
    Console& out = decoder.console;
    const RecordHeader header = recordAt(chunk, index);
    const std::uint8_t type = header.type();
    const bool isVideo = type == kVideoType;
    const bool isAudio = type == kAudioType;
    if (isVideo) ++counters.videoRecordsDumped;
    if (isAudio) ++counters.audioRecordsDumped;
    out.print("%s%s", kIndexLine, kRule);
    printRecordLine(out, counters, header);
    if (isVideo || isAudio) printPayloadEdges(out, chunk, payload, header.size());
    if (isVideo && header.size() == kPesRecordSize && header.subtype() == kVideoPesSubtype)
        dumpVideoPesHeader(decoder, counters, bytesFrom(chunk, payload));
    if (isAudio) dumpAudioPesHeader(decoder, bytesFrom(chunk, payload));
    if (!header.isHeaderOnlyType()) scanStartCodes(decoder, chunk, payload, index, header);
    out.print("\n");
}

}  // namespace

void dumpRecordTable(Decoder& decoder, DumpCounters& counters, const char* label, Bytes chunk) {
    Console& out = decoder.console;
    const std::int32_t count = recordCount(chunk);
    out.print("\n%s: Number of Records: %3d (%2x %2x %2x %2x)\n", label, count, chunk[0], chunk[1],
              chunk[2], chunk[3]);
    std::size_t payload = tableEnd(count);
    // An accepted chunk's table always fits; the bound only guards the view.
    for (std::int32_t j = 0; j < count && tableEnd(j + 1) <= chunk.size(); ++j) {
        dumpRecord(decoder, counters, chunk, j, payload);
        payload += recordAt(chunk, j).payloadLength();
    }
    out.print("*****DONE with HEADERS!!!!!\n");
}

}  // namespace kestrel
