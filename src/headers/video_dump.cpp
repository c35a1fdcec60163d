// SPDX-License-Identifier: MIT
#include "headers/video_dump.h"

#include <array>

namespace kestrel {

namespace {

// Words for the table codes; codes past a table are reserved.
const char* aspectRatioWord(std::uint32_t code) {
    constexpr std::array kWords{"Forbidden\n", "Square\n", "4:3\n", "16:9\n",
                                "21:1-2 (Who knows the docs weren't clear...)\n"};
    return code < kWords.size() ? kWords[code] : "Reserved\n";
}

const char* frameRateWord(std::uint32_t code) {
    constexpr std::array kWords{"Forbidden\n", "23.976\n", "24\n",    "25\n", "29.97\n",
                                "30\n",        "50\n",     "59.94\n", "60\n"};
    return code < kWords.size() ? kWords[code] : "Reserved\n";
}

// F (forbidden), I, P, B; the codes MPEG-2 leaves unused show as U.
const char* codingTypeLetter(std::uint32_t code) {
    constexpr std::array kLetters{"F", "I", "P", "B"};
    return code < kLetters.size() ? kLetters[code] : "U";
}

// Starts a dump: the cursor goes to the first bit of the start code.
BitCursor& startAtHeader(Decoder& decoder) {
    decoder.cursor = BitCursor{};
    return decoder.cursor;
}

// A field shown as "<name> = 0x<hex> (<decimal>)".
void printField(Console& console, const char* format, std::uint32_t value) {
    console.print(format, value, static_cast<int>(value));
}

}  // namespace

void dumpSequenceHeader(Decoder& decoder, Bytes header) {
    Console& out = decoder.console;
    BitCursor& c = startAtHeader(decoder);
    out.print("\n\tSequence Code = 0x%X\n", readBits(c, header, 32));
    printField(out, "\tHorz size = 0x%X (%d)\n", readBits(c, header, 12));
    printField(out, "\tVert size = 0x%X (%d)\n", readBits(c, header, 12));
    const std::uint32_t aspect = readBits(c, header, 4);
    out.print("\tAspect Ratio = 0x%X == ", aspect);
    out.print("%s", aspectRatioWord(aspect));
    const std::uint32_t frameRate = readBits(c, header, 4);
    out.print("\tFrame Rate = 0x%X == ", frameRate);
    out.print("%s", frameRateWord(frameRate));
}

void dumpGopHeader(Decoder& decoder, Bytes header) {
    Console& out = decoder.console;
    BitCursor& c = startAtHeader(decoder);
    out.print("GOP Code = 0x%X\n", readBits(c, header, 32));
    printField(out, "Drop Frame Flag = 0x%X (%d)\n", readBits(c, header, 1));
    printField(out, "Hours = 0x%X (%d)\n", readBits(c, header, 5));
    printField(out, "Minutes = 0x%X (%d)\n", readBits(c, header, 6));
    readBits(c, header, 1);  // marker bit
    printField(out, "Seconds = 0x%X (%d)\n", readBits(c, header, 6));
    printField(out, "Pictures = 0x%X (%d)\n", readBits(c, header, 6));
    printField(out, "Closed_GOP = 0x%X (%d)\n", readBits(c, header, 1));
    printField(out, "Broken Link = 0x%X (%d)\n", readBits(c, header, 1));
}

void dumpPictureHeader(Decoder& decoder, Bytes header) {
    Console& out = decoder.console;
    BitCursor& c = startAtHeader(decoder);
    readBits(c, header, 32);  // start code
    out.print("%d-", static_cast<int>(readBits(c, header, 10)));
    out.print("%s", codingTypeLetter(readBits(c, header, 3)));
}

}  // namespace kestrel
