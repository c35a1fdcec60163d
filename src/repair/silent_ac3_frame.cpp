// SPDX-License-Identifier: MIT
#include "repair/silent_ac3_frame.h"

#include <array>
#include <optional>
#include <span>

#include "headers/audio_frame.h"
#include "headers/bit_reader.h"
#include "repair/ac3_crc.h"
#include "repair/bit_writer.h"

namespace kestrel {

namespace {

constexpr std::uint32_t kSyncWord = 0x0B77;
constexpr std::uint32_t kLastAc3Bsid = 8;  // higher ones are other syntaxes
constexpr std::int32_t kBlocksPerFrame = 6;
// Audio coding modes with fields of their own.
constexpr std::uint32_t kDualMono = 0;  // 1+1: two programs, dialnorm and the rest twice
constexpr std::uint32_t kStereo = 2;    // 2/0: rematrixing, Dolby Surround mode
// Full-bandwidth channels by audio coding mode.
constexpr std::array<std::uint32_t, 8> kFullChannels = {2, 1, 2, 3, 3, 4, 4, 5};
// Bits at the frame's end after the auxiliary data: auxdatae, crcrsv, crc2.
constexpr std::size_t kTailBits = 18;

// What the silent blocks need to know of the model.
struct Ac3Shape {
    std::size_t frameBytes = 0;
    std::uint32_t acmod = 0;
    bool lfe = false;
    std::int32_t bsiEndBit = 0;  // first bit after the bit stream information
};

// A flag bit and, when it is set, `width` more bits.
void skipOptional(BitCursor& c, Bytes b, std::int32_t width) {
    if (readBits(c, b, 1) != 0) skipBits(c, width);
}

// Reads the sync information and walks the bit stream information to its end.
std::optional<Ac3Shape> readShape(Bytes model) {
    BitCursor c;
    Ac3Shape shape;
    if (readBits(c, model, 16) != kSyncWord) return std::nullopt;
    skipBits(c, 16);  // crc1
    const std::uint32_t fscod = readBits(c, model, 2);
    const std::uint32_t frmsizecod = readBits(c, model, 6);
    shape.frameBytes = ac3FrameBytes(fscod, frmsizecod);
    if (readBits(c, model, 5) > kLastAc3Bsid) return std::nullopt;
    skipBits(c, 3);  // bsmod
    shape.acmod = readBits(c, model, 3);
    if ((shape.acmod & 1U) != 0 && shape.acmod != 1) skipBits(c, 2);  // cmixlev: a centre
    if ((shape.acmod & 4U) != 0) skipBits(c, 2);                      // surmixlev: surround
    if (shape.acmod == kStereo) skipBits(c, 2);                       // dsurmod
    shape.lfe = readBits(c, model, 1) != 0;
    for (std::uint32_t program = 0; program < (shape.acmod == kDualMono ? 2U : 1U); ++program) {
        skipBits(c, 5);             // dialnorm
        skipOptional(c, model, 8);  // compr
        skipOptional(c, model, 8);  // langcod
        skipOptional(c, model, 7);  // mixlevel, roomtyp
    }
    skipBits(c, 2);              // copyrightb, origbs
    skipOptional(c, model, 14);  // timecod1
    skipOptional(c, model, 14);  // timecod2
    if (readBits(c, model, 1) != 0) {
        const std::uint32_t addbsiBytes = readBits(c, model, 6) + 1;
        for (std::uint32_t i = 0; i < addbsiBytes; ++i)
            skipBits(c, 8);
    }
    shape.bsiEndBit = c.byteIndex * 8 + c.bitIndex;
    // The whole frame must be there and intact: crc1 and crc2 together leave
    // the CRC over everything after the sync word at 0.
    if (shape.frameBytes == 0 || model.size() < shape.frameBytes ||
        ac3Crc(model.subspan(2, shape.frameBytes - 2)) != 0)
        return std::nullopt;
    return shape;
}

// An absolute exponent of 15 (the smallest scale) and `groups` groups of
// three differences, each 0: the group value 25 x 2 + 5 x 2 + 2.
void writeFlatExponents(BitWriter& out, std::uint32_t groups) {
    constexpr std::uint32_t kNoChange = 62;
    out.put(15, 4);
    for (std::uint32_t g = 0; g < groups; ++g)
        out.put(kNoChange, 7);
}

// Block 0's exponents: strategy D15 (one exponent a coefficient), bandwidth
// code 0 for every channel (73 coefficients: 24 groups), 7 for the LFE (2).
void writeExponents(BitWriter& out, std::uint32_t channels, bool lfe) {
    constexpr std::uint32_t kGroupsAtBandwidth0 = 24;
    constexpr std::uint32_t kLfeGroups = 2;
    out.put(0, static_cast<std::int32_t>(6 * channels));  // chbwcod
    for (std::uint32_t ch = 0; ch < channels; ++ch) {
        writeFlatExponents(out, kGroupsAtBandwidth0);
        out.put(0, 2);  // gainrng
    }
    if (lfe) writeFlatExponents(out, kLfeGroups);
}

// Block 0's bit allocation: ordinary parameters, and coarse and fine SNR
// offsets all 0. That pair is the one setting at which every bap is 0 whatever
// the exponents and parameters: no mantissa is sent and every coefficient is 0.
void writeBitAllocation(BitWriter& out, std::uint32_t channels, bool lfe) {
    out.put(1, 1);  // baie
    out.put(2, 2);  // sdcycod
    out.put(1, 2);  // fdcycod
    out.put(1, 2);  // sgaincod
    out.put(2, 2);  // dbpbcod
    out.put(7, 3);  // floorcod
    out.put(1, 1);  // snroffste
    out.put(0, 6);  // csnroffst
    for (std::uint32_t ch = 0; ch < channels + (lfe ? 1U : 0U); ++ch) {
        out.put(0, 4);  // fsnroffst
        out.put(4, 3);  // fgaincod
    }
}

// One audio block. Block 0 sends every strategy and parameter; the later ones
// say "reuse" for all of them, so all six decode to the same silence.
void writeAudioBlock(BitWriter& out, const Ac3Shape& shape, bool first) {
    const std::uint32_t channels = kFullChannels[shape.acmod];
    const auto allChannels = static_cast<std::int32_t>(channels);
    const std::uint32_t sent = first ? 1 : 0;
    out.put(0, allChannels);                      // blksw: long transforms
    out.put(0, allChannels);                      // dithflag: no dither, so absent mantissas stay 0
    out.put(0, 1);                                // dynrnge
    if (shape.acmod == kDualMono) out.put(0, 1);  // dynrng2e
    out.put(sent, 1);                             // cplstre
    if (first) out.put(0, 1);                     // cplinu: no coupling
    if (shape.acmod == kStereo) {
        out.put(sent, 1);          // rematstr
        if (first) out.put(0, 4);  // rematflg for the four bands: off
    }
    constexpr std::uint32_t kD15 = 1;
    for (std::uint32_t ch = 0; ch < channels; ++ch)
        out.put(first ? kD15 : 0, 2);  // chexpstr
    if (shape.lfe) out.put(sent, 1);   // lfeexpstr
    if (first) {
        writeExponents(out, channels, shape.lfe);
        writeBitAllocation(out, channels, shape.lfe);
    } else {
        out.put(0, 1);  // baie
        out.put(0, 1);  // snroffste
    }
    out.put(0, 1);  // deltbaie
    out.put(0, 1);  // skiple
}

// crc2 over the last 3/8 of the frame with crcrsv as it stands.
std::uint16_t closingCrc(std::span<const std::uint8_t> frame, std::size_t from) {
    return ac3Crc(frame.subspan(from, frame.size() - from - 2));
}

// crc1 covers the frame's first 5/8 (counted in 16-bit words, rounded down)
// after the sync word, crc2 the rest. A crc2 equal to the sync word would look
// like the start of a frame to a scanner; crcrsv is there to change it.
void writeCrcs(std::span<std::uint8_t> frame) {
    const std::size_t words = frame.size() / 2;
    const std::size_t split = 2 * ((words >> 1) + (words >> 3));
    const std::uint16_t crc1 = ac3LeadingCrc(Bytes(frame).subspan(4, split - 4));
    frame[2] = static_cast<std::uint8_t>(crc1 >> 8);
    frame[3] = static_cast<std::uint8_t>(crc1);
    std::uint16_t crc2 = closingCrc(frame, split);
    if (crc2 == kSyncWord) {
        frame[frame.size() - 3] |= 0x01;  // crcrsv
        crc2 = closingCrc(frame, split);
    }
    frame[frame.size() - 2] = static_cast<std::uint8_t>(crc2 >> 8);
    frame[frame.size() - 1] = static_cast<std::uint8_t>(crc2);
}

}  // namespace

std::vector<std::uint8_t> makeSilentAc3Frame(Bytes model) {
    const std::optional<Ac3Shape> shape = readShape(model);
    if (!shape) return {};
    std::vector<std::uint8_t> frame(shape->frameBytes, 0);
    BitWriter out(frame);
    out.put(kSyncWord, 16);
    out.put(0, 16);  // crc1, filled in last
    BitCursor from{.byteIndex = 4};
    out.copy(model, from, shape->bsiEndBit - 32);  // fscod, frmsizecod and the bsi
    for (std::int32_t block = 0; block < kBlocksPerFrame; ++block)
        writeAudioBlock(out, *shape, block == 0);
    // The auxiliary data field takes the zeros that are left, auxdatae 0 says
    // it holds nothing.
    if (out.bitsWritten() + kTailBits > frame.size() * 8) return {};
    writeCrcs(frame);
    return frame;
}

}  // namespace kestrel
