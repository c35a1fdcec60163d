// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "chunk/chunk_layout.h"
#include "repair/picture_listener.h"

namespace kestrel {

// The MPEG video headers the repairer reads and edits. Every reader takes a
// view that starts at the header's start code and ends where the next start
// code begins, and returns nothing when the view is too short for the fields.

/// Start code ids (the byte after 00 00 01). Ids 01..AF start slices: the id
/// is the slice's macroblock row, counted from 1.
inline constexpr std::uint8_t kPictureCode = 0x00;
inline constexpr std::uint8_t kFirstSliceCode = 0x01;
inline constexpr std::uint8_t kLastSliceCode = 0xAF;
inline constexpr std::uint8_t kUserDataCode = 0xB2;
inline constexpr std::uint8_t kSequenceHeaderCode = 0xB3;
inline constexpr std::uint8_t kSequenceErrorCode = 0xB4;
inline constexpr std::uint8_t kExtensionCode = 0xB5;
inline constexpr std::uint8_t kSequenceEndCode = 0xB7;
inline constexpr std::uint8_t kGopCode = 0xB8;
/// 00 00 01 and the id: a header's fields follow it.
inline constexpr std::size_t kStartCodeSize = 4;

/// picture_structure values; frame pictures are the usual case.
inline constexpr std::uint8_t kTopField = 1;
inline constexpr std::uint8_t kBottomField = 2;
inline constexpr std::uint8_t kFramePicture = 3;

/// picture_coding_type values.
inline constexpr std::uint8_t kIntraPicture = 1;
inline constexpr std::uint8_t kPredictedPicture = 2;
inline constexpr std::uint8_t kBidirectionalPicture = 3;

/// What a sequence header and its sequence extension say about every picture
/// that follows. Without an extension (MPEG-1) pictures are progressive frames.
struct SequenceInfo {
    std::uint32_t verticalSize = 0;  // 0: no sequence header seen yet
    std::uint8_t frameRateCode = 0;
    std::uint8_t frameRateN = 0;  // the extension's frame_rate_extension_n
    std::uint8_t frameRateD = 0;  // the extension's frame_rate_extension_d
    bool progressive = true;      // progressive_sequence
};

/// The fields of a picture header and picture coding extension that decide
/// how the picture is checked and how long it is shown.
struct PictureInfo {
    std::uint8_t codingType = 0;
    std::uint16_t temporalReference = 0;
    std::uint8_t structure = kFramePicture;
    bool topFieldFirst = false;
    bool repeatFirstField = false;
};

/// Reads a sequence header (00 00 01 B3): the size and rate fields, with the
/// extension's fields back at their MPEG-1 values.
std::optional<SequenceInfo> readSequenceHeader(Bytes header);

/// The extension_start_code_identifier of an extension (00 00 01 B5).
std::optional<std::uint8_t> extensionId(Bytes extension);
inline constexpr std::uint8_t kSequenceExtensionId = 1;
inline constexpr std::uint8_t kPictureCodingExtensionId = 8;

/// Applies a sequence extension to the sequence its header started.
bool readSequenceExtension(Bytes extension, SequenceInfo& sequence);

/// Reads temporal_reference and picture_coding_type of a picture header.
std::optional<PictureInfo> readPictureHeader(Bytes header);

/// Applies a picture coding extension to its picture.
bool readPictureCodingExtension(Bytes extension, PictureInfo& picture);

/// The macroblock row (from 0) a slice starts, from its start code and, in
/// pictures taller than 2800 lines, the three bits in front of the slice.
/// Inline, as the next one: a picture has dozens of slices.
inline std::optional<std::uint32_t> sliceRow(Bytes slice, const SequenceInfo& sequence) {
    if (slice.size() < kStartCodeSize) return std::nullopt;
    const std::uint32_t position = slice[3];
    if (sequence.verticalSize <= 2800) return position - 1;
    if (slice.size() <= kStartCodeSize) return std::nullopt;
    // Tall pictures number their rows in two parts: three bits in front of
    // the slice count 128 rows each, and the start code counts only 1..128.
    return (std::uint32_t{slice[kStartCodeSize]} >> 5 << 7) + position - 1;
}

/// How many macroblock rows a picture of `structure` has: a field has half
/// the rows of a frame, and an interlaced frame a whole number of field rows.
inline std::uint32_t macroblockRows(const SequenceInfo& sequence, std::uint8_t structure) {
    const std::uint32_t v = sequence.verticalSize;
    if (structure != kFramePicture) return (v + 31) / 32;
    return sequence.progressive ? (v + 15) / 16 : 2 * ((v + 31) / 32);
}

/// How many field periods a picture is shown for.
std::uint32_t fieldPeriods(const SequenceInfo& sequence, const PictureInfo& picture);

/// The sequence's frame rate; 0/1 for a code the table does not know.
FrameRate frameRate(const SequenceInfo& sequence);

/// closed_gop of a GOP header (00 00 01 B8).
std::optional<bool> gopIsClosed(Bytes header);

/// Marks a GOP header (00 00 01 B8) closed with no broken link: its first B
/// pictures need no picture from before it.
void closeGop(std::span<std::uint8_t> header);

/// Rewrites a picture header's temporal_reference.
void setTemporalReference(std::span<std::uint8_t> header, std::uint16_t value);

/// The smallest views the editors above change bytes in.
inline constexpr std::size_t kGopHeaderSize = 8;
inline constexpr std::size_t kPictureHeaderSize = 6;

}  // namespace kestrel
