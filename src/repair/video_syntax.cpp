// SPDX-License-Identifier: MIT
#include "repair/video_syntax.h"

#include <array>

#include "headers/bit_reader.h"

namespace kestrel {
namespace {

/// A cursor on the first bit after the start code, when `header` holds at
/// least `size` bytes after it.
std::optional<BitCursor> fieldsStart(Bytes header, std::size_t size) {
    if (header.size() < kStartCodeSize + size) return std::nullopt;
    return BitCursor{.byteIndex = kStartCodeSize, .bitIndex = 0};
}

bool readFlag(BitCursor& cursor, Bytes header) {
    return readBits(cursor, header, 1) != 0;
}

}  // namespace

std::optional<SequenceInfo> readSequenceHeader(Bytes header) {
    auto cursor = fieldsStart(header, 4);
    if (!cursor) return std::nullopt;
    SequenceInfo sequence;
    skipBits(*cursor, 12);  // horizontal_size_value
    sequence.verticalSize = readBits(*cursor, header, 12);
    skipBits(*cursor, 4);  // aspect_ratio_information
    sequence.frameRateCode = static_cast<std::uint8_t>(readBits(*cursor, header, 4));
    return sequence;
}

std::optional<std::uint8_t> extensionId(Bytes extension) {
    if (extension.size() <= kStartCodeSize) return std::nullopt;
    return static_cast<std::uint8_t>(extension[kStartCodeSize] >> 4);
}

bool readSequenceExtension(Bytes extension, SequenceInfo& sequence) {
    auto cursor = fieldsStart(extension, 6);
    if (!cursor) return false;
    skipBits(*cursor, 4 + 8);  // identifier, profile_and_level_indication
    sequence.progressive = readFlag(*cursor, extension);
    skipBits(*cursor, 2 + 2);  // chroma_format, horizontal_size_extension
    sequence.verticalSize |= readBits(*cursor, extension, 2) << 12;
    skipBits(*cursor, 12 + 1 + 8 + 1);  // bit rate, marker, buffer size, low_delay
    sequence.frameRateN = static_cast<std::uint8_t>(readBits(*cursor, extension, 2));
    sequence.frameRateD = static_cast<std::uint8_t>(readBits(*cursor, extension, 5));
    return true;
}

std::optional<PictureInfo> readPictureHeader(Bytes header) {
    auto cursor = fieldsStart(header, 2);
    if (!cursor) return std::nullopt;
    PictureInfo picture;
    picture.temporalReference = static_cast<std::uint16_t>(readBits(*cursor, header, 10));
    picture.codingType = static_cast<std::uint8_t>(readBits(*cursor, header, 3));
    return picture;
}

bool readPictureCodingExtension(Bytes extension, PictureInfo& picture) {
    auto cursor = fieldsStart(extension, 5);
    if (!cursor) return false;
    skipBits(*cursor, 4 + 16 + 2);  // identifier, f_codes, intra_dc_precision
    picture.structure = static_cast<std::uint8_t>(readBits(*cursor, extension, 2));
    picture.topFieldFirst = readFlag(*cursor, extension);
    skipBits(*cursor, 5);  // prediction, concealment, quantiser and scan flags
    picture.repeatFirstField = readFlag(*cursor, extension);
    return true;
}

std::uint32_t fieldPeriods(const SequenceInfo& sequence, const PictureInfo& picture) {
    // A pair of fields is shown for its two field periods.
    if (picture.structure != kFramePicture || !picture.repeatFirstField) return 2;
    // A progressive sequence repeats whole frames: once, or twice when the
    // top field comes first; an interlaced one repeats the first field.
    if (sequence.progressive) return picture.topFieldFirst ? 6 : 4;
    return 3;
}

FrameRate frameRate(const SequenceInfo& sequence) {
    static constexpr std::array<FrameRate, 9> kRates = {{{0, 1},
                                                         {24000, 1001},
                                                         {24, 1},
                                                         {25, 1},
                                                         {30000, 1001},
                                                         {30, 1},
                                                         {50, 1},
                                                         {60000, 1001},
                                                         {60, 1}}};
    if (sequence.frameRateCode >= kRates.size()) return {};
    const FrameRate base = kRates.at(sequence.frameRateCode);
    return {.num = base.num * (sequence.frameRateN + 1U),
            .den = base.den * (sequence.frameRateD + 1U)};
}

std::optional<bool> gopIsClosed(Bytes header) {
    if (header.size() < kGopHeaderSize) return std::nullopt;
    return (header[7] & 0x40) != 0;
}

void closeGop(std::span<std::uint8_t> header) {
    // The 25-bit time code fills bytes 4..6 and the top bit of byte 7;
    // closed_gop and broken_link follow it.
    if (header.size() < kGopHeaderSize) return;
    header[7] = static_cast<std::uint8_t>((header[7] | 0x40) & ~0x20);
}

void setTemporalReference(std::span<std::uint8_t> header, std::uint16_t value) {
    // Ten bits: all of byte 4 and the top two bits of byte 5.
    if (header.size() < kPictureHeaderSize) return;
    header[4] = static_cast<std::uint8_t>(value >> 2);
    header[5] = static_cast<std::uint8_t>((header[5] & 0x3F) | ((value & 3) << 6));
}

}  // namespace kestrel
