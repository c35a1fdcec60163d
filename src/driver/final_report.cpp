// SPDX-License-Identifier: MIT
#include "driver/final_report.h"

#include <cmath>
#include <cstdint>
#include <optional>

namespace kestrel {

namespace {

constexpr std::uint32_t kTicksPerMs = 90;

// With clean cuts both outputs start with the first picture shown; what is
// left is how far the first audio frame sits from its true place, reported
// as if the recording had started the audio that much earlier.
PtsTicks cleanFirstAudio(const RunState& run, const CleanCut& clean) {
    const std::optional<double> offset = clean.firstFrameOffset();
    if (!offset) return run.firstAudioPTS;
    return run.firstVideoPTS -
           static_cast<PtsTicks>(static_cast<std::int32_t>(std::lround(*offset)));
}

}  // namespace

void printAvSyncOffset(Console& console, PtsTicks firstVideo, PtsTicks firstAudio) {
    if (firstVideo > firstAudio) {
        const auto ms = static_cast<std::int32_t>((firstVideo - firstAudio) / kTicksPerMs);
        console.print("A/V Sync Offset: %dms (i.e. plays %dms early!)\n", ms, ms);
        return;
    }
    // The difference taken as a signed 32-bit value; its magnitude is computed
    // unsigned, so 0x80000000 gives 2^31 instead of overflowing.
    const std::uint32_t difference = firstVideo - firstAudio;
    const std::uint32_t magnitude = (difference & 0x80000000u) != 0 ? 0u - difference : difference;
    const auto ms = static_cast<std::int32_t>(magnitude / kTicksPerMs);
    console.print("A/V Sync Offset: -%dms (i.e. plays %dms late!)\n", ms, ms);
}

int finishRun(Run& run) {
    run.console.print("\n\n");
    finishDemux(run.demuxer);
    closeFiles(run);
    if (!outputsWritten(run)) return kExitFailure;
    const CleanCut* clean = run.demuxer.cleanCut.get();
    printAvSyncOffset(
        run.console, run.state.firstVideoPTS,
        clean != nullptr ? cleanFirstAudio(run.state, *clean) : run.state.firstAudioPTS);
    if (clean != nullptr) clean->printTotals(run.console);
    return kExitSuccess;
}

}  // namespace kestrel
