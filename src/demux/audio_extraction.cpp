// SPDX-License-Identifier: MIT
#include "demux/audio_extraction.h"

#include <algorithm>

#include "diag/time_display.h"
#include "headers/audio_frame.h"
#include "headers/pes.h"

namespace kestrel {

namespace {

// A small record shorter than this is too short to judge (a packet header
// alone is 11 bytes or more): it is kept as the possible front of a packet
// that the recorder split over two records.
constexpr std::uint32_t kHoldWithoutStartCode = 10;

/// One audio unit for the frame step: `buffer` runs from the unit's first
/// byte to the end of the buffer that holds it (so header reads behave as in
/// a flat buffer); the unit itself is its first `length` bytes.
struct AudioUnit {
    Bytes buffer;
    std::int32_t length;

    Bytes bytes() const { return buffer.first(static_cast<std::size_t>(length)); }
    Bytes from(std::int32_t offset) const {
        return bytes().subspan(static_cast<std::size_t>(offset));
    }
};

// Two chunks always suffice: a unit only grows while it is shorter than
// standardAudioSize - 4, which is less than one chunk (or, below 4, it never
// waits and holds one record), and the record that completes it is at most
// one chunk, as checkNumRecs accepted its chunk. Real recordings therefore
// never reach the clamp; it only keeps a broken assumption from overrunning
// the buffer.
void appendToAssembly(AudioExtraction& state, Bytes record) {
    const auto length = static_cast<std::size_t>(state.audioAssemblyLength);
    const std::size_t n = std::min(record.size(), AudioExtraction::kAssemblyCapacity - length);
    std::copy_n(record.begin(), n,
                state.audioAssembly.begin() + static_cast<std::ptrdiff_t>(length));
    state.audioAssemblyLength += static_cast<std::int32_t>(n);
}

void dropPartialAudio(AudioExtraction& state) {
    state.audioAssemblyActive = false;
    state.audioAssemblyLength = 0;
}

AudioUnit assembledUnit(const AudioExtraction& state) {
    return {Bytes(state.audioAssembly), state.audioAssemblyLength};
}

// Frames starting more than half an audio step before the first picture are
// dropped. In unsigned 32-bit arithmetic, as the recorders' clocks wrap.
bool isTooEarly(PtsTicks pts, std::uint32_t step, PtsTicks firstVideo) {
    return static_cast<PtsTicks>(pts + step) < firstVideo ||
           (pts < firstVideo && firstVideo - pts > step / 2);
}

void showPts(Console& console, const char* label, PtsTicks pts) {
    console.print("%s(%d) ", label, static_cast<std::int32_t>(pts));
    showTimeLine(console, ticksToMs(pts));
}

// Before the first frame is written: drops frames that start too early, and
// starts the audio stream with the first one that does not.
void startStream(Decoder& decoder, RunState& run, AudioExtraction& state, OutputFile& audio,
                 const AudioUnit& unit, std::int32_t pesOffset, std::int32_t syncOffset) {
    Console& console = decoder.console;
    const PtsTicks pts =
        audioHeaderPts(decoder, unit.buffer.subspan(static_cast<std::size_t>(pesOffset)));
    if (console.isVeryVerbose()) {
        showPts(console, "Checking Skip on PTS: ", pts);
        showPts(console, "firstVidPTS:          ", run.firstVideoPTS);
    }
    if (isTooEarly(pts, run.standardAudioDiff, run.firstVideoPTS)) {
        console.verbose("Dumping a 'too early' audio packet.\n");
        return;
    }
    run.firstAudioPTS = pts;
    audio.write(unit.from(syncOffset));
    state.audioFrameBytes = unit.length - syncOffset;
    state.audioState = AudioExtraction::kStreaming;
}

// While streaming: finishes the previous frame with the bytes before this
// packet, pads it if it came out short, and starts the next frame.
void continueStream(Console& console, const RunState& run, AudioExtraction& state,
                    OutputFile& audio, const AudioUnit& unit, std::int32_t pesOffset,
                    std::int32_t syncOffset) {
    if (pesOffset > 0) {
        audio.write(unit.bytes().first(static_cast<std::size_t>(pesOffset)));
        state.audioFrameBytes += pesOffset;
    }
    const auto standard = static_cast<std::int32_t>(run.standardFrameLength);
    if (state.audioFrameBytes != standard) {
        // DTivo recorders drop parts of frames on reception errors; zeros keep
        // the frame grid intact for decoders. Long frames are only reported.
        const std::int32_t missing = standard - state.audioFrameBytes;
        console.verbose(
            "\nWoah.... This is a DTivo audio error packet.\nWe have written %d bytes and we "
            "needed to write %d bytes...\n",
            state.audioFrameBytes, standard);
        console.verbose("Write out %d padding 0's\n", missing);
        if (missing > 0) audio.writeZeros(static_cast<std::size_t>(missing));
    }
    audio.write(unit.from(syncOffset));
    state.audioFrameBytes = unit.length - syncOffset;
}

void frameStep(Decoder& decoder, RunState& run, AudioExtraction& state, OutputFile& audio,
               const AudioUnit& unit) {
    std::int32_t pesOffset = 0;
    std::int32_t syncOffset = 0;
    if (findAudioFrame(run, unit.buffer, unit.length, pesOffset, syncOffset) != 2) {
        decoder.console.print("Error. We did not find an embedded audio header!\n");
        return;
    }
    if (state.audioState == AudioExtraction::kBeforeFirstFrame)
        startStream(decoder, run, state, audio, unit, pesOffset, syncOffset);
    else
        continueStream(decoder.console, run, state, audio, unit, pesOffset, syncOffset);
}

}  // namespace

void handleAudioRecord(Decoder& decoder, RunState& run, AudioExtraction& state, OutputFile& audio,
                       Bytes payload, std::uint32_t size) {
    if (size == 0) return;
    if (state.resumeAtPacketStart) {
        if (findAudioPesStart(payload, static_cast<std::int32_t>(size)) == -1) return;
        state.resumeAtPacketStart = false;
    }
    const Bytes record = payload.first(std::min<std::size_t>(size, payload.size()));
    // Unsigned on purpose: below 4 the threshold wraps and every record is
    // small; the Standalone wait below compares signed and then never waits.
    const std::uint32_t smallBelow = run.standardAudioSize - 4;

    AudioUnit unit{payload, static_cast<std::int32_t>(record.size())};
    if (state.audioAssemblyActive) {
        appendToAssembly(state, record);
        // Standalone recorders split a packet over several records; DTivo
        // recorders over two at most.
        if (run.saMode != 0 &&
            state.audioAssemblyLength < static_cast<std::int32_t>(run.standardAudioSize) - 4)
            return;
        unit = assembledUnit(state);
    } else if (size < smallBelow) {
        if (findAudioPesStart(payload, static_cast<std::int32_t>(size)) != -1 ||
            size < kHoldWithoutStartCode) {
            state.audioAssemblyLength = 0;
            appendToAssembly(state, record);
            state.audioAssemblyActive = true;
        }
        return;
    }

    frameStep(decoder, run, state, audio, unit);
    dropPartialAudio(state);
}

void resumeAfterHole(AudioExtraction& state) {
    dropPartialAudio(state);
    state.resumeAtPacketStart = true;
}

}  // namespace kestrel
